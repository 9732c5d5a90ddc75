#!/usr/bin/env bash
# The Debian package, made by cpack from the build and unpacked into a
# temporary root (the machine's own /usr is never touched): lintian, its
# dependencies, layout and links, and its desktop entry, metainfo, icons and
# manual pages as the desktop's validators see them; a link given to xdg-open
# where no desktop is named reaches the program. Then the game is started
# from the desktop entry's command under Xvfb, with a home of its own: it must
# open its window in the user's folder, made with the sounds from the package,
# and end cleanly when asked to.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
game= xvfb=
cleanup() {
    [[ -n $game ]] && kill -KILL "$game" 2>/dev/null || true
    [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || fail "cpack: $(cat "$work/cpack.log")"
deb=$(ls "$work"/out/korvalo_*.deb)
root="$work/root"
dpkg-deb -x "$deb" "$root"
lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || fail "lintian: $(cat "$work/lintian.log")"

# Dependencies from dpkg-shlibdeps, plus what is loaded at run time.
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libsdl2-mixer-2.0-0 libc6 fonts-ipafont-mincho qt6-qpa-plugins qt6-wayland \
               qt6-translations-l10n; do
    [[ ", $depends," == *", $package"[\ ,]* ]] || fail "Depends lacks $package: $depends"
done

# Debian's games layout: the programs and the library in a private folder,
# links in /usr/games, the sounds in /usr/share/korvalo.
for program in korvalo korvalo-script; do
    [[ $(readlink "$root/usr/games/$program") == ../lib/games/korvalo/$program ]] || fail "no link /usr/games/$program"
    [[ -x $root/usr/lib/games/korvalo/$program ]] || fail "no /usr/lib/games/korvalo/$program"
done
[[ -f $root/usr/lib/games/korvalo/Korvalo.dll ]] || fail "no Korvalo.dll beside the program"
for sound in その他 禁止 石打音 BGM; do
    [[ -f $root/usr/share/korvalo/$sound.wav ]] || fail "no $sound.wav"
done

share="$root/usr/share"
entry="$share/applications/io.github.korvalo.Korvalo.desktop"
desktop-file-validate "$entry" || fail "the desktop entry does not validate"
appstreamcli validate --no-net "$share/metainfo/io.github.korvalo.Korvalo.metainfo.xml" >"$work/as.log" ||
    fail "the metainfo does not validate: $(cat "$work/as.log")"
icon=$(sed -n 's/^Icon=//p' "$entry")
for size in 16 22 24 32 48 64 128 256 512; do
    file="$share/icons/hicolor/${size}x$size/apps/$icon.png"
    [[ $(identify -format '%m %wx%h' "$file" 2>/dev/null) == "PNG ${size}x$size" ]] || fail "no $size pixel icon $file"
done
# The scalable icon, drawn at 64 pixels as desktops draw it, looks like the
# 64 pixel PNG.
rsvg-convert -w 64 -h 64 "$share/icons/hicolor/scalable/apps/$icon.svg" -o "$work/svg64.png" ||
    fail "the scalable icon cannot be drawn"
# (compare answers 1 for images that differ at all.)
difference=$({ compare -metric RMSE "$work/svg64.png" "$share/icons/hicolor/64x64/apps/$icon.png" null: 2>&1 || true; } |
    sed 's/.*(\(.*\))/\1/')
awk -v d="$difference" 'BEGIN { exit !(d < 0.02) }' || fail "the scalable icon differs from the others: $difference"

for page in korvalo korvalo-script; do
    [[ $(MANPATH="$share/man" man -w "$page") == "$share/man/man6/$page.6.gz" ]] || fail "man -w finds no $page(6)"
    warnings=$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l "$share/man/man6/$page.6.gz" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "$page(6): $warnings"
done

# Started the way a desktop starts the entry, from another folder.
exec_line=$(sed -n 's/^Exec=//p' "$entry" | head -1)
# It handles join links, passed as its one argument.
grep -Fqx "MimeType=x-scheme-handler/korvalo;" "$entry" || fail "the entry does not declare the korvalo scheme"
[[ $exec_line == *" %u" ]] || fail "the entry does not pass a link: $exec_line"
exec_line=${exec_line% %u}
[[ $(dpkg-deb -I "$deb" triggers) == "activate-noawait /usr/share/applications" ]] ||
    fail "the package does not activate the desktop database's trigger"
# The actions host and join a network game.
grep -Fqx "Exec=$exec_line --host" "$entry" || fail "no action that hosts a network game"
grep -Fqx "Exec=$exec_line --join -" "$entry" || fail "no action that joins a network game"
# The action that plays with the keyboard, named in Japanese too.
grep -Fqx "Exec=$exec_line --keyboard" "$entry" || fail "no action that plays with the keyboard"
grep -Fqx "Name[ja]=キーボードで対局する" "$entry" || fail "the keyboard action has no Japanese name"
eval "set -- $exec_line"
[[ $1 == /usr/games/korvalo ]] || fail "the entry starts $1"
set -- "$root$1" "${@:2}"

. "$(dirname "$0")/window_support.sh"
start_xvfb

# A link opened with xdg-open where no desktop is named (openbox, say), which
# reads the Exec line on its own: it must reach the program at the entry's
# path, given the link. The entries are registered as the package's trigger
# does; the program there is a stand-in, bound over /usr/games in a mount
# namespace of this test's own.
update-desktop-database "$share/applications"
mkdir -p "$work/games" "$work/xdg/config" "$work/xdg/data"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >"%s"\n' "$work/opened" >"$work/games/korvalo"
chmod +x "$work/games/korvalo"
[[ -d /usr/games ]] || fail "no /usr/games to stand in for"
link='korvalo://127.0.0.1:47119/baki-dome'
unshare_as=(-m)
[[ $(id -u) -eq 0 ]] || unshare_as=(-r -m)
status=0
env -i PATH="$PATH" HOME="$work/xdg" DISPLAY="$DISPLAY" XDG_CONFIG_HOME="$work/xdg/config" \
    XDG_CONFIG_DIRS="$work/xdg/config" XDG_DATA_HOME="$work/xdg/data" XDG_DATA_DIRS="$share" \
    DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/korvalo-test-bus \
    unshare "${unshare_as[@]}" sh -c 'mount --bind "$1" /usr/games && exec xdg-open "$2"' sh "$work/games" "$link" \
    >"$work/xdg-open.log" 2>&1 || status=$?
((status == 0)) || fail "xdg-open $link ended with $status: $(cat "$work/xdg-open.log")"
[[ $(cat "$work/opened" 2>/dev/null) == "--user-folder"$'\n'"$link" ]] ||
    fail "xdg-open gave the program: $(cat "$work/opened" 2>/dev/null)"

mkdir "$work/home" "$work/elsewhere"
(cd "$work/elsewhere" && exec env -u XDG_DATA_HOME HOME="$work/home" SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb \
    "$@" 2>"$work/stderr") &
game=$!
# (Searched again and again, up to two minutes: one search fails at once when a
# window it looks at goes away meanwhile.)
found=
for _ in $(seq 600); do
    found=$(xdotool search --onlyvisible --name '^Korvalo$' 2>/dev/null) || true
    [[ -n $found ]] && break
    kill -0 "$game" 2>/dev/null || fail "the program ended before its window showed: $(cat "$work/stderr")$(x_server_said)"
    sleep 0.2
done
[[ -n $found ]] || fail "no window: $(cat "$work/stderr")"
folder="$work/home/.local/share/korvalo"
for _ in $(seq 1200); do [[ -f $folder/Korvalo.ini ]] && break; sleep 0.1; done
[[ -f $folder/Korvalo.ini ]] || fail "no settings file in $folder: $(cat "$work/stderr")"
for sound in その他 禁止 石打音 BGM; do
    cmp -s "$folder/$sound.wav" "$root/usr/share/korvalo/$sound.wav" || fail "$sound.wav not in the user's folder"
done
[[ -z $(ls -A "$work/elsewhere") ]] || fail "the game wrote into the folder it was started from"
! grep -q "no sound" "$work/stderr" || fail "the sound library was not found: $(cat "$work/stderr")"

kill -TERM "$game"
status=0
wait "$game" || status=$?
game=
[[ $status -eq 0 ]] || fail "the game ended with $status when asked to close: $(cat "$work/stderr")"
echo "package $(basename "$deb") unpacked, validated and started from its desktop entry in $folder"
