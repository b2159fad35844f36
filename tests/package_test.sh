#!/bin/sh
# Builds a release tree of its own, installs it into a scratch prefix and
# packages it as a .deb, and checks that both carry a working jarmenu and a
# manual page that renders without warnings. The tree is its own because cpack
# first brings the tree it packs up to date, which must never be the tree
# whose tests are running. Usage: package_test.sh SOURCE_DIR
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build=$work/build
cmake -S "$1" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }

# check_tree ROOT: ROOT/usr-like prefix holds a runnable jarmenu and a clean manual.
check_tree() {
  [ -x "$1/bin/jarmenu" ] || fail "no executable $1/bin/jarmenu"
  [ "$(printf '4\n' | "$1/bin/jarmenu" | tail -n 1)" = "4: Quit" ] || fail "$1/bin/jarmenu does not show the menu"
  manual=$1/share/man/man1/jarmenu.1.gz
  [ -f "$manual" ] || fail "no manual $manual"
  warnings=$(gzip -dc "$manual" | groff -man -ww -z -Tutf8 2>&1)
  [ -z "$warnings" ] || fail "the manual renders with warnings: $warnings"
  gzip -dc "$manual" | grep -q '^\.SH EXIT STATUS' || fail "the manual lacks its EXIT STATUS section"
}

cmake --install "$build" --prefix "$work/prefix" >/dev/null
check_tree "$work/prefix"

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1 || fail "cpack: $(cat "$work/cpack.log")"
deb=$(ls "$work"/deb/jarmenu_*.deb) || fail "cpack made no .deb"
info=$(dpkg-deb --info "$deb")
contents=$(dpkg-deb --contents "$deb")
case $info in *"Depends: default-jdk-headless"*) ;; *) fail "the .deb does not depend on a JDK: $info" ;; esac
case $contents in *" ./usr/bin/jarmenu"*) ;; *) fail "the .deb lacks usr/bin/jarmenu: $contents" ;; esac
case $contents in *" ./usr/share/man/man1/jarmenu.1.gz"*) ;; *) fail "the .deb lacks the manual: $contents" ;; esac
dpkg-deb -x "$deb" "$work/unpacked"
check_tree "$work/unpacked/usr"
echo "install and .deb: binary and manual present, manual clean"
