#!/usr/bin/env bash
# The shape of the house. Every include under src/ goes from a folder to a
# lower layer, or stays within its folder. A folder missing from the list
# fails the check, so a new one has to be placed in it. Every member of a
# class is defined in the folder of the header that declares the class, so
# that calls run the way the includes do: a folder cannot reach up by
# defining another's members. No source file is longer than 450 lines, and
# the scenario driver, when given, links no Qt Widgets library.
#   house_test.sh SOURCE_DIR [BUILD_DIR]
set -euo pipefail
src="$1/src"
declare -A layer=(
  [log]=0 [process]=0 [rules]=0 [platform]=1 [drawing]=2 [platform/recording]=2 [sound]=2 [sound/library]=3
  [sound/recording]=3 [display]=3 [computer]=4 [history]=4 [settings]=4 [flow]=5
  [input]=6 [script]=7 [net]=8 [session]=8 [driver]=9 [app]=9
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

# Where each class is declared: its name and the folder of the header, one
# line each (a name declared in several folders has several lines). Then
# every definition X::name( at the start of a line in a .cpp, with X such a
# class, must be in one of X's folders.
declared=$(find "$src" -name '*.h' -print0 | xargs -0 perl -ne '
  if (/^\s*(?:class|struct)\s+(?:\[\[[^\]]*\]\]\s*)?(\w+)\s*(?:final\s*)?(?:[:{]|$)/) {
    my $name = $1; (my $dir = $ARGV) =~ s{/[^/]*$}{}; print "$name $dir\n" }')
misplaced=$(find "$src" -name '*.cpp' -print0 | xargs -0 perl -e '
  my %folders;
  for (split /\n/, shift) { my ($name, $dir) = split / /; $folders{$name}{$dir} = 1 }
  for my $file (@ARGV) {
    (my $dir = $file) =~ s{/[^/]*$}{};
    open my $in, "<", $file or next;
    while (<$in>) {
      next unless /^(?!\s|#|\/)[^=;]*?\b(\w+)::(~?[^\s:(<]+)\s*\(/;
      my ($class, $member) = ($1, $2);
      next unless $folders{$class} && !$folders{$class}{$dir};
      print "$file:$.: ${class}::$member is defined outside the folder of class $class (",
            join(", ", sort keys %{$folders{$class}}), ")\n";
    }
  }' "$declared")
if [[ -n $misplaced ]]; then
  printf '%s\n' "${misplaced//"$src"\//}"; status=1
else
  echo "every member is defined in its class's folder"
fi

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
