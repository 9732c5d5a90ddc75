#!/usr/bin/env bash
# cmake --install into a temporary prefix, then the desktop entry's command:
# the game must start in the user's own folder, made with the sounds in it,
# and find its sound library beside the program.
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
game=
cleanup() {
    [[ -n $game ]] && kill "$game" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/korvalo bin/Korvalo.dll share/applications/korvalo.desktop \
         share/icons/hicolor/32x32/apps/korvalo.png share/icons/hicolor/256x256/apps/korvalo.png \
         share/korvalo/その他.wav share/korvalo/禁止.wav share/korvalo/石打音.wav share/korvalo/BGM.wav; do
    [[ -f $prefix/$f ]] || fail "not installed: $f"
done

exec_line=$(sed -n 's/^Exec=//p' "$prefix/share/applications/korvalo.desktop")
[[ -n $exec_line ]] || fail "the desktop entry has no Exec line"
eval "set -- $exec_line"
[[ $1 == "$prefix/bin/korvalo" ]] || fail "the entry starts $1"

# Started from somewhere else, as a desktop would.
mkdir "$work/elsewhere" "$work/data"
(cd "$work/elsewhere" && XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
    exec "$@" 2>"$work/stderr") &
game=$!
folder="$work/data/korvalo"
for _ in $(seq 100); do
    [[ -f $folder/Korvalo.ini ]] && break
    sleep 0.1
done
[[ -f $folder/Korvalo.ini ]] || fail "no settings file in $folder: $(cat "$work/stderr")"
for sound in その他 禁止 石打音 BGM; do
    cmp -s "$folder/$sound.wav" "$prefix/share/korvalo/$sound.wav" || fail "$sound.wav not in the user's folder"
done
[[ -z $(ls -A "$work/elsewhere") ]] || fail "the game wrote into the folder it was started from"
kill -0 "$game" 2>/dev/null || fail "the game did not keep running: $(cat "$work/stderr")"
! grep -q "no sound" "$work/stderr" || fail "the sound library was not found: $(cat "$work/stderr")"
echo "installed game starts from its desktop entry in $folder"
