#!/bin/sh
# Builds release trees of its own, as the packages ship them (with Zig, against glibc 2.28:
# cmake/zig-linux.cmake), installs one into a scratch prefix and packages it as a .deb and an .rpm,
# and checks that each carries a working jarmenu that needs no newer C library, passes the suite's
# dialogue tables and requires only what its distributions provide, a manual page that renders
# without warnings, the license, the notices of every third-party component the build found linked
# in, and the dependency on a JDK; that both packages pass their distribution's checker; that every
# version agrees; and that the README's own commands work as written and give the same bytes in
# another directory. The trees are its own because cpack first brings the tree it packs up to
# date, which must never be the tree whose tests are running.
# Usage: package_test.sh SOURCE_DIR ARCH TESTS [TOOLCHAIN_FILE EMULATOR...]
#   ARCH            x86_64 or aarch64, the packages' architecture
#   TESTS           the suite's test program, which runs the packaged jarmenu
#   TOOLCHAIN_FILE  the development tree's, for the build with the system's own libedit; with
#                   one, the programs are run with the EMULATOR words that follow it
set -eu
source_dir=$1 arch=$2 tests=$3
toolchain=${4:-}
shift $(($# < 4 ? $# : 4))
emulator=$*  # words without spaces, split where used
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Packages are made as for a release: with a fixed time, so that they repeat.
export SOURCE_DATE_EPOCH=1796630400

fail() { echo "FAIL: $*" >&2; exit 1; }
# has TEXT PATTERN WHAT: fails unless TEXT holds a line matching PATTERN.
has() { printf '%s\n' "$1" | grep -Eq -- "$2" || fail "$3: $1"; }

# package BUILD TOOLCHAIN_FILE [OPTION...]: configures BUILD with the toolchain (none if empty) and
# the options and builds it, then makes its .deb and .rpm in BUILD/packages.
package() {
  tree=$1 tree_toolchain=$2
  shift 2
  cmake -S "$source_dir" -B "$tree" ${tree_toolchain:+"-DCMAKE_TOOLCHAIN_FILE=$tree_toolchain"} \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON "$@" >/dev/null
  cmake --build "$tree" >/dev/null
  cpack -G "DEB;RPM" --config "$tree/CPackConfig.cmake" -B "$tree/packages" >"$tree/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$tree/cpack.log")"
}

. "$source_dir/tests/covers.sh"

# licenses NOTICE: the SPDX identifiers of the licenses NOTICE's Files paragraph names.
licenses() {
  sed -n '/^Files:/,/^$/s/^License: //p' "$1" | sed 's/ and /\n/g' |
    sed -E -f "$source_dir/cmake/spdx.sed"
}

# check_tree ROOT: ROOT/usr-like prefix holds a runnable jarmenu and a clean manual of this version.
check_tree() {
  [ -x "$1/bin/jarmenu" ] || fail "no executable $1/bin/jarmenu"
  [ "$(printf '4\n' | $emulator "$1/bin/jarmenu" | tail -n 1)" = "4: Quit" ] || fail "$1/bin/jarmenu does not show the menu"
  manual=$1/share/man/man1/jarmenu.1.gz
  [ -f "$manual" ] || fail "no manual $manual"
  warnings=$(gzip -dc "$manual" | groff -man -ww -z -Tutf8 2>&1)
  [ -z "$warnings" ] || fail "the manual renders with warnings: $warnings"
  has "$(gzip -dc "$manual")" '^\.SH EXIT STATUS' "the manual lacks its EXIT STATUS section"
  has "$(gzip -dc "$manual" | head -n 1)" "\"jarmenu $version\"" "the manual's header is not of version $version"
}

build=$work/build
package "$build" "$source_dir/cmake/zig-linux.cmake" -DJARMENU_LINUX_ARCH="$arch"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
has "$(head -n 1 "$source_dir/doc/changelog")" "^jarmenu \\($version\\) " "the changelog's latest entry is not $version"

# The architecture is the binary's own, in each package format's words.
case $(file -b "$build/jarmenu") in
  *x86-64*) deb_arch=amd64 rpm_arch=x86_64 ;;
  *aarch64*) deb_arch=arm64 rpm_arch=aarch64 ;;
  *) fail "a binary of no architecture packaged here: $(file -b "$build/jarmenu")" ;;
esac

# The oldest C library the binary runs on, which the README promises: that of RHEL 8, Debian 10
# and Ubuntu 20.04.
glibc_floor=2.28
# at_most VERSION: whether VERSION is no newer than the floor.
at_most() { [ "$(printf '%s\n' "$1" "$glibc_floor" | sort -V | tail -n 1)" = "$glibc_floor" ]; }
objdump=$(sed -n 's/^CMAKE_OBJDUMP:FILEPATH=//p' "$build/CMakeCache.txt")
# check_floor DIR: no program under DIR needs a C library newer than the floor.
check_floor() {
  find "$1" -type f | while read -r program; do
    case $(file -b "$program") in ELF*) ;; *) continue ;; esac
    needed=$("$objdump" -T "$program" | grep -Eo 'GLIBC_[0-9.]+' | sort -uV | tail -n 1)
    at_most "${needed#GLIBC_}" || fail "$program needs $needed, newer than glibc $glibc_floor"
  done
}
# The terminal library's symbol versions are Debian's alone (the Red Hat family builds ncurses
# without them): none is recorded, and the binary runs, without a word from the loader, against a
# libtinfo.so.6 that has none, the stand-in it was linked against.
! "$objdump" -p "$build/jarmenu" | sed -n '/^Version References/,$p' | grep -q NCURSES ||
  fail "the binary requires libtinfo's symbol versions"
printf '4\n' | LD_LIBRARY_PATH=$build/tinfo-stand-in $emulator "$build/jarmenu" >"$work/unversioned.out" 2>&1 || :
[ "$(tail -n 1 "$work/unversioned.out")" = "4: Quit" ] && [ "$(grep -c . "$work/unversioned.out")" = 6 ] ||
  fail "the binary does not run quietly against a libtinfo without versions: $(cat "$work/unversioned.out")"

cmake --install "$build" --prefix "$work/prefix" >/dev/null
check_tree "$work/prefix"

deb=$build/packages/jarmenu_${version}_$deb_arch.deb
[ -f "$deb" ] || fail "cpack made no $deb"
has "$(dpkg-deb -f "$deb" Architecture)" "^$deb_arch\$" "the .deb is not labelled $deb_arch"
has "$(dpkg-deb -f "$deb" Depends)" 'default-jdk-headless \| java-sdk-headless' "the .deb does not depend on a JDK"
has "$(dpkg-deb -f "$deb" Depends)" 'libc6 \(' "the .deb does not depend on the C library"
has "$(dpkg-deb -f "$deb" Depends)" 'libtinfo6' "the .deb does not depend on the terminal library"
contents=$(dpkg-deb --contents "$deb")
for file in bin/jarmenu share/man/man1/jarmenu.1.gz share/doc/jarmenu/copyright share/doc/jarmenu/changelog.gz; do
  has "$contents" " \./usr/$file\$" "the .deb lacks /usr/$file"
done
has "$(dpkg-deb -f "$deb" Depends)" 'libc6 \(>= [0-9.]+\)' "the .deb does not say which C library it needs"
# The packages it depends on are those dpkg-shlibdeps finds the program needs, whatever versions
# the build machine's lists give them.
mkdir -p "$work/shlibdeps/debian"
printf 'Source: jarmenu\n\nPackage: jarmenu\nArchitecture: any\n' >"$work/shlibdeps/debian/control"
found=$(cd "$work/shlibdeps" && dpkg-shlibdeps -O "$build/jarmenu" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
has "$found" '^libc6 ' "dpkg-shlibdeps finds no C library the program needs"
for need in $(echo "$found" | sed -E 's/ \([^)]*\)//g; s/,/ /g'); do
  has "$(dpkg-deb -f "$deb" Depends)" "(^|, )$need( |,|\$)" \
    "the .deb does not depend on $need, which dpkg-shlibdeps finds"
done
libc6=$(dpkg-deb -f "$deb" Depends | sed -E 's/.*libc6 \(>= ([0-9.]+)\).*/\1/')
at_most "$libc6" || fail "the .deb depends on libc6 (>= $libc6), newer than glibc $glibc_floor"
dpkg-deb -x "$deb" "$work/deb"
check_tree "$work/deb/usr"
check_floor "$work/deb"
# What users run is the packaged program, so the suite's dialogue tables run it: on pipes, on a
# pseudo-terminal, and with the JDK's own tools.
packaged=$work/deb/usr/bin/jarmenu
if [ -n "$emulator" ]; then
  set -- $emulator
  packaged=$work/jarmenu-emulated
  printf '#!/bin/sh\nexec %s %s "%s" "$@"\n' "$(command -v "$1")" "$(shift; echo "$*")" \
    "$work/deb/usr/bin/jarmenu" >"$packaged"
  chmod +x "$packaged"
fi
JARMENU_UNDER_TEST=$packaged $emulator "$tests" --gtest_brief=1 \
  --gtest_filter='Jarmenu.*:Terminal*:RealApplicationOnATerminal.*:JdkTest.*' >"$work/dialogue.log" 2>&1 ||
  fail "the packaged jarmenu fails the dialogue tables: $(cat "$work/dialogue.log")"
has "$(cat "$work/deb/usr/share/doc/jarmenu/copyright")" '^License: MIT$' "the .deb's copyright does not name the MIT license"
# Every component the build found linked in has its notice, and a paragraph of its own.
components=$(cat "$build/third-party/components")
has "$components" '^(gcc|llvm)-runtime$' "the build found no C++ runtime linked in"
for component in $components; do
  covers "$work/deb/usr/share/doc/jarmenu/copyright" "$source_dir/doc/third-party/$component"
done
# Informational tags are Debian's advice, not its rules; errors and warnings are.
lintian --allow-root --fail-on error,warning "$deb" || fail "lintian rejects the .deb"

rpm=$build/packages/jarmenu-$version-1.$rpm_arch.rpm
[ -f "$rpm" ] || fail "cpack made no $rpm"
has "$(rpm -qp --qf '%{ARCH}' "$rpm")" "^$rpm_arch\$" "the .rpm is not labelled $rpm_arch"
files=$(rpm -qpl "$rpm")
for file in /usr/bin/jarmenu /usr/share/man/man1/jarmenu.1.gz /usr/share/licenses/jarmenu/LICENSE; do
  has "$files" "^$file\$" "the .rpm lacks $file"
done
has "$(rpm -qpR "$rpm")" '^java-sdk$' "the .rpm does not require a JDK"
has "$(rpm -qpR "$rpm")" '^libc\.so\.6' "the .rpm does not require the C library"
# libedit is linked in: the Red Hat family's is libedit.so.0, and Debian's libedit.so.2 is nowhere there.
has "$(rpm -qpR "$rpm")" '^libtinfo\.so\.6' "the .rpm does not require the terminal library"
! rpm -qpR "$rpm" | grep -q libedit || fail "the .rpm requires a libedit: $(rpm -qpR "$rpm" | grep libedit)"
# Every requirement is one that Fedora 35 and later and RHEL 8 and 9 and their rebuilds provide, and
# none is of the system's C++ runtime (libstdc++, libgcc_s): the program carries its own.
rpm -qpR "$rpm" >"$work/requires"
while read -r requirement; do
  case $requirement in
    java-sdk | rpmlib\(*\)* | 'rtld(GNU_HASH)' | 'libtinfo.so.6()(64bit)' | ld-linux-*.so.*) ;;
    'libc.so.6()(64bit)' | 'libpthread.so.0()(64bit)' | 'libdl.so.2()(64bit)') ;;
    libc.so.6\(GLIBC_*\)\(64bit\) | libpthread.so.0\(GLIBC_*\)\(64bit\) | libdl.so.2\(GLIBC_*\)\(64bit\))
      needed=${requirement#*(GLIBC_}
      at_most "${needed%%)*}" || fail "the .rpm requires $requirement, newer than glibc $glibc_floor" ;;
    *) fail "the .rpm requires $requirement, which the Red Hat family does not provide" ;;
  esac
done <"$work/requires"
mkdir "$work/rpm"
(cd "$work/rpm" && rpm2cpio "$rpm" | cpio -idm --quiet)
check_tree "$work/rpm/usr"
check_floor "$work/rpm"
# The License tag names jarmenu's license and every one of the code linked in, which the license
# files carry; code linked in is marked as bundled, as Fedora's security tracking reads it.
tag=$(rpm -qp --qf '%{LICENSE}' "$rpm")
has "$tag" '^MIT( AND |$)' "the .rpm's License tag does not begin with MIT"
for component in $components; do
  licenses "$source_dir/doc/third-party/$component" | while read -r id; do
    has " AND $tag AND " " AND $id AND " "the .rpm's License tag lacks $id, of $component"
  done
  covers "$work/rpm/usr/share/licenses/jarmenu/THIRD-PARTY-NOTICES" "$source_dir/doc/third-party/$component"
done
rpm -qp --qf '[%{FILEFLAGS:fflags} %{FILENAMES}\n]' "$rpm" >"$work/flags"
has "$(cat "$work/flags")" '^l /usr/share/licenses/jarmenu/THIRD-PARTY-NOTICES$' "the notices are no %license file"
has "$(rpm -qp --provides "$rpm")" '^bundled\(libedit\) = [0-9.]+$' "the .rpm does not mark libedit as bundled"
# Packages are signed by whoever distributes them; there is no home page to
# name; and rpmlint 2.4 matches a manual's section, not its name, against the
# binaries, so it finds no manual for any of them.
lint=$(rpmlint -c "$source_dir/tests/rpmlint.toml" "$rpm" | grep -E ': [EW]: ' |
  grep -Ev ': (E: no-signature|W: no-url-tag|W: no-manual-page-for-binary jarmenu)$' || true)
[ -z "$lint" ] || fail "rpmlint rejects the .rpm: $lint"

# With the system's own libedit the packages carry nothing of libedit's or libbsd's, and depend on it.
package "$work/shared" "$toolchain" -DJARMENU_STATIC_LIBEDIT=OFF
! grep -Eqx 'libedit|libbsd' "$work/shared/third-party/components" || fail "a shared libedit is still linked in"
shared_rpm=$work/shared/packages/$(basename "$rpm")
has "$(rpm -qpR "$shared_rpm")" '^libedit\.so' "the .rpm of a shared libedit does not require it"
! rpm -qp --provides "$shared_rpm" | grep -q bundled || fail "the .rpm of a shared libedit still bundles it"
! rpm -qp --qf '%{LICENSE}' "$shared_rpm" | grep -q BSD || fail "the .rpm of a shared libedit still names its license"
# The README's own commands, as a newcomer runs them in a fresh copy of the source: the blocks
# marked "tested: NAME" run as written, with sudo as a no-op, an install into a scratch DESTDIR, and
# in place of installing a package a check that the package named is there. Natively these are
# the install and the two packages, after scripts/run, which says one line while it builds and
# nothing else (no compiler warning); cross-built, the 64-bit ARM packages. The packages they make,
# in another directory, are the test's own byte for byte.
clone=$work/clone
mkdir "$clone"
tar -C "$source_dir" --exclude=./build --exclude=./.git -cf - . | tar -C "$clone" -xf -
# The copy uses the Zig the source tree has, not one of its own.
mkdir "$clone/build"
ln -s "$source_dir/build/zig" "$clone/build/zig"
if [ -z "$toolchain" ]; then
  blocks="install deb rpm" made=build/package
  printf '4\n' | "$clone/scripts/run" >"$work/run.out" 2>"$work/run.err" || fail "scripts/run: $(cat "$work/run.err")"
  [ "$(cat "$work/run.err")" = "building jarmenu in $clone/build/release ..." ] ||
    fail "scripts/run says more than that it builds: $(cat "$work/run.err")"
  [ "$(tail -n 1 "$work/run.out")" = "4: Quit" ] || fail "scripts/run does not start jarmenu: $(cat "$work/run.out")"
else
  blocks=arm64 made=build/package-arm64
fi
for block in $blocks; do
  commands=$(awk -v mark="<!-- tested: $block -->" '
    $0 == mark { on = 1; next }
    on && /^```/ { if (++fences == 2) exit; next }
    on' "$source_dir/README.md" | sed -E 's/^sudo (apt-get|dnf) install /ls /')
  [ -n "$commands" ] || fail "the README has no block marked tested: $block"
  (cd "$clone" && DESTDIR=$work/destdir sh -euc "sudo() { \"\$@\"; }; $commands") >"$work/readme.log" 2>&1 ||
    fail "the README's $block commands: $(cat "$work/readme.log")"
done
[ -n "$toolchain" ] || check_tree "$work/destdir/usr/local"
cmp -s "$clone/$made/jarmenu" "$build/jarmenu" || fail "the README's jarmenu differs from the test's own"
for package_file in "jarmenu_${version}_$deb_arch.deb" "jarmenu-$version-1.$rpm_arch.rpm"; do
  cmp -s "$clone/$made/$package_file" "$build/packages/$package_file" ||
    fail "the README's $package_file differs from the test's own"
done
echo "the README's commands, install, .deb and .rpm: binary (glibc $glibc_floor at most, dialogue tables passed)," \
  "manual, licenses, notices and JDK present; lintian and rpmlint clean; reproducible"
