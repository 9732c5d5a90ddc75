#!/usr/bin/env bash
# The shape of the house. Every include under src/ goes from a folder to a
# lower layer, or stays within its folder. The folders whose files define
# members of the central game object (Form1, in flow/) stand above flow/,
# so their includes of flow/ run down too. A folder missing from the list
# fails the check, so a new one has to be placed in it. No source file is
# longer than 450 lines, and the scenario driver, when given, links no Qt
# Widgets library.
#   house_test.sh SOURCE_DIR [BUILD_DIR]
set -euo pipefail
src="$1/src"
declare -A layer=(
  [log]=0 [rules]=0 [platform]=1 [drawing]=2 [platform/recording]=2 [sound]=2 [sound/library]=3
  [sound/recording]=3 [flow]=4 [computer]=5 [display]=5 [history]=5 [settings]=5
  [input]=6 [script]=7 [net]=8 [driver]=9 [app]=9
)
status=0
while IFS= read -r -d '' file; do
  from=$(dirname "${file#"$src"/}")
  [[ -n ${layer[$from]+set} ]] || { echo "no layer for folder $from ($file)"; status=1; continue; }
  while IFS= read -r included; do
    to=$(dirname "$included")
    [[ $to == "$from" || $to == . ]] && continue
    if [[ -z ${layer[$to]+set} ]]; then
      echo "$file includes $included from a folder of no layer"; status=1
    elif (( layer[$to] >= layer[$from] )); then
      echo "$file includes $included: $from (layer ${layer[$from]}) runs up to $to (layer ${layer[$to]})"; status=1
    fi
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find "$src" -name '*.h' -print0 -o -name '*.cpp' -print0)
(( status == 0 )) && echo "every include under src/ runs downhill"

while IFS= read -r -d '' file; do
  lines=$(wc -l <"$file")
  (( lines <= 450 )) || { echo "$file has $lines lines, more than 450"; status=1; }
done < <(find "$src" "$1/tests" "$1/bench" "$1/tools" "$1/fuzz" \( -name '*.h' -o -name '*.cpp' \) -print0)

# The driver's link line, as the build writes it (Ninja or Makefiles).
if [[ -n ${2:-} ]]; then
  link=$(awk '/^build korvalo-script:/ { found = 1 } found && /LINK_LIBRARIES/ { print; exit }' "$2/build.ninja" \
         2>/dev/null || true)
  [[ -n $link ]] || link=$(cat "$2"/src/script/CMakeFiles/korvalo-script.dir/link.txt 2>/dev/null || true)
  if [[ -z $link ]]; then
    echo "no link line of korvalo-script in $2"; status=1
  elif grep -q 'Qt6Widgets' <<<"$link"; then
    echo "korvalo-script links the Widgets library"; status=1
  else
    echo "korvalo-script links no Widgets library"
  fi
fi
exit "$status"
