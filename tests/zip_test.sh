#!/bin/sh
# Builds two release trees of jarmenu.exe of its own, in different directories, packs each as the
# Windows zip, and checks that the zip holds a jarmenu.exe that shows the menu under Wine, and the
# license, the notices of every third-party component the build found linked in, and the README,
# with Windows' line ends and this version; and that both zips are the same bytes.
# Usage: zip_test.sh SOURCE_DIR
set -eu
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Packages are made as for a release: with a fixed time, so that they repeat.
export SOURCE_DATE_EPOCH=1796630400
cr=$(printf '\r')

fail() { echo "FAIL: $*" >&2; exit 1; }
. "$source_dir/tests/covers.sh"

# pack BUILD: cross-builds BUILD and makes its zip in BUILD/packages.
pack() {
  cmake -S "$source_dir" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
  cmake --build "$1" >/dev/null
  (cd "$1" && cpack -G ZIP -B "$1/packages" >"$1/cpack.log" 2>&1) || fail "cpack: $(cat "$1/cpack.log")"
}

pack "$work/one"
pack "$work/two"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$work/one/CMakeCache.txt")
name=jarmenu-$version-win64
zip=$work/one/packages/$name.zip
[ -f "$zip" ] || fail "cpack made no $name.zip"
cmp -s "$zip" "$work/two/packages/$name.zip" || fail "two builds give different zips"
listing=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
[ "$listing" = "$name/LICENSE.txt $name/README.txt $name/THIRD-PARTY-NOTICES.txt $name/jarmenu.exe " ] ||
  fail "the zip holds: $listing"
unzip -q "$zip" -d "$work/unpacked"
notices=$work/unpacked/$name/THIRD-PARTY-NOTICES.txt
! grep -qv "$cr\$" "$notices" || fail "THIRD-PARTY-NOTICES.txt has lines that do not end in CR LF"
grep -q "THIRD-PARTY-NOTICES\.txt" "$work/unpacked/$name/README.txt" || fail "the README does not name the notices"
components=$(cat "$work/one/third-party/components")
for component in $components; do covers "$notices" "$source_dir/doc/third-party/$component"; done
case $components in *winpthreads*) ;; *) fail "the build found no winpthreads linked in: $components" ;; esac
grep -q "^jarmenu $version for Windows$cr\$" "$work/unpacked/$name/README.txt" ||
  fail "the README does not name version $version in a CR LF line"
grep -q "^MIT License$cr\$" "$work/unpacked/$name/LICENSE.txt" || fail "the license is not MIT in CR LF lines"
[ "$(printf '4\n' | wine "$work/unpacked/$name/jarmenu.exe" | tail -n 1)" = "4: Quit$cr" ] ||
  fail "jarmenu.exe does not show the menu"
echo "zip: jarmenu.exe runs, license, notices and README present, reproducible"
