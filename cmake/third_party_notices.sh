#!/bin/sh
# Names the third-party code linked into jarmenu, from the linker's map of it, and writes the
# notices the packages carry for it: Debian's machine-readable copyright file, a plain-text
# THIRD-PARTY-NOTICES, and the SPDX identifiers of their licenses.
# Usage: third_party_notices.sh MAP NOTICES_DIR COPYRIGHT_HEAD OUT_DIR [crlf]
#   MAP             the linker's map of the program: GNU ld's -Map output, or LLVM lld's
#   NOTICES_DIR     one file per component: a copyright-format Files paragraph and its License
#                   paragraphs; or, for code that asks for no notice, a plain note
#   COPYRIGHT_HEAD  the copyright file's header, jarmenu's own Files paragraph and its license
#   OUT_DIR         gets components (one a line), missing (those without a notice), copyright,
#                   THIRD-PARTY-NOTICES (only if some component needs a notice) and spdx
#   crlf            THIRD-PARTY-NOTICES with Windows' line ends
set -eu
map=$1 notices=$2 head=$3 out=$4 line_ends=${5:-}
mkdir -p "$out"
rm -f "$out/THIRD-PARTY-NOTICES"

# Each archive member the linker took, as path(member), classified by where it came from. GNU ld
# lists them under "Archive member included"; LLVM's lld, whose map begins with its column heads,
# names every input section it kept as path(member):(section). A member no rule names becomes a
# component of its own name, archive(member) without directories, which has no notice.
awk 'FNR == 1 && /^ *VMA +LMA +Size +Align +Out +In +Symbol/ { lld = 1; next }
     lld { if (match($0, /[^ \t]+\.a\([^)]*\):\(/)) print substr($0, RSTART, RLENGTH - 2); next }
     /^Archive member included/ { on = 1; next }
     /^(As-needed|Merging|Discarded|Allocating|Memory|Linker|Common)/ { on = 0 }
     on && match($0, /^[^ \t(]+\.a\([^)]*\)/) { print substr($0, 1, RLENGTH) }' "$map" |
  awk '{ split($0, parts, "("); archive = parts[1]; member = substr($0, length(archive) + 2)
         sub(/.*\//, "", archive); sub(/.*\//, "", member); base = archive "(" member }
       base ~ /^(libjarmenu_core|objects)\.a\(/ { next }
       base ~ /^libedit\.a\(/ { print "libedit"; next }
       base ~ /^libbsd\.a\((strlcpy|vis|unvis)\.o\)$/ { print "libbsd"; next }
       base ~ /^lib(stdc\+\+|supc\+\+|gcc|gcc_eh)\.a\(/ { print "gcc-runtime"; next }
       base ~ /^lib(c\+\+|c\+\+abi|unwind)\.a\(/ { print "llvm-runtime"; next }
       base ~ /^libcompiler_rt\.a\(/ { print "zig-compiler-rt"; next }
       base ~ /^libc_nonshared\.a\(elf-init(-[0-9.]+)?\.o\)$/ { print "glibc-runtime"; next }
       base ~ /^lib(win)?pthread\.a\(/ && /-w64-mingw32\/lib\// { print "winpthreads"; next }
       /-w64-mingw32\/lib\/[^\/]*\.a\(/ { print "mingw-w64-runtime"; next }
       { print base }' | LC_ALL=C sort -u >"$out/components"

: >"$out/missing"
while read -r component; do
  [ -f "$notices/$component" ] && continue
  echo "$component" >>"$out/missing"
  echo "warning: $component is linked into jarmenu, but $notices has no notice for it" >&2
done <"$out/components"

# The notices that are copyright-format paragraphs, and the plain notes.
files=
notes=
while read -r component; do
  [ -f "$notices/$component" ] || continue
  if grep -q '^Files:' "$notices/$component"; then
    files="$files $notices/$component"
  else
    notes="$notes $notices/$component"
  fi
done <"$out/components"

# The copyright file: the header (with the notes as its comment), jarmenu's own paragraph, each
# component's Files paragraph, then every License paragraph once, jarmenu's first.
{
  awk 'BEGIN { RS = "" } NR == 1 { print }' "$head"
  if [ -n "$notes" ]; then
    echo "Comment: Also linked in, needing no notice:"
    cat $notes | sed 's/^/ /'
  fi
  echo
  awk 'BEGIN { RS = ""; ORS = "\n\n" } NR == 2' "$head"
  [ -z "$files" ] || awk 'BEGIN { RS = ""; ORS = "\n\n" } /^Files:/' $files
  awk 'BEGIN { RS = ""; ORS = "\n\n" } /^License:/ && !seen[$1 " " $2]++' "$head" $files | sed '$d'
} >"$out/copyright"

# The SPDX identifiers of the licenses the Files paragraphs name, in the order they first appear.
: >"$out/spdx"
[ -z "$files" ] || awk 'BEGIN { RS = ""; FS = "\n" } /^Files:/ {
    for (i = 1; i <= NF; i++) if (sub(/^License: /, "", $i)) { n = split($i, names, / and /); for (j = 1; j <= n; j++) print names[j] } }' $files |
  sed -E -f "$(dirname "$0")/spdx.sed" | awk '!seen[$0]++' >"$out/spdx"

# The same notices as plain text, for the packages that keep them beside jarmenu's own LICENSE.
[ -n "$files" ] || exit 0
{
  printf 'Third-party notices\n===================\n\n'
  printf 'jarmenu itself is under the MIT license, in the LICENSE file beside this\n'
  printf 'one. Its program also holds code from the components below, under the\n'
  printf 'licenses that follow them.\n'
  for file in $files; do
    name=$(basename "$file")
    printf '\n%s\n%s\n' "$name" "$(echo "$name" | sed 's/./-/g')"
    awk 'BEGIN { RS = "" } /^Files:/' "$file"
  done
  if [ -n "$notes" ]; then
    printf '\nAlso linked in, needing no notice:\n'
    cat $notes
  fi
  printf '\nLicenses\n--------\n\n'
  awk 'BEGIN { RS = ""; ORS = "\n\n" } /^License:/ && !seen[$1 " " $2]++' $files | sed 's/^ \.$//; s/^ //' | sed '$d'
} | if [ "$line_ends" = crlf ]; then sed 's/$/\r/'; else cat; fi >"$out/THIRD-PARTY-NOTICES"
