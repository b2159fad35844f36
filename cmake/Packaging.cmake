# Installing and packaging: the program and its manual for every install, and
# the files each distribution's package format wants beside them. Everything
# that names a version takes it from project().
include(GNUInstallDirs)

set(CPACK_PACKAGE_CONTACT "jarmenu maintainers <maintainers@users.noreply.c-seed-06340009.example>")

# A package's version must be the changelog's latest entry, or the two would disagree.
file(STRINGS ${PROJECT_SOURCE_DIR}/doc/changelog changelog_head LIMIT_COUNT 1)
string(REPLACE "." "\\." version_pattern ${PROJECT_VERSION})
if(NOT changelog_head MATCHES "^jarmenu \\(${version_pattern}\\) ")
  message(FATAL_ERROR "doc/changelog begins with \"${changelog_head}\", not with version ${PROJECT_VERSION}: add an entry")
endif()

# Debian's copyright file carries the license's terms as they stand in LICENSE, indented.
file(READ LICENSE license_text)
string(REGEX REPLACE "^.*\nCopyright[^\n]*\n\n" "" license_terms "${license_text}")
string(STRIP "${license_terms}" license_terms)
string(REPLACE "\n\n" "\n.\n" license_terms "${license_terms}")
string(REPLACE "\n" "\n " license_terms " ${license_terms}")
configure_file(doc/copyright.in copyright.head @ONLY)

# The notices of the third-party code linked into the program, made from the link map after each
# link (cmake/third_party_notices.sh): the components' names, the whole copyright file, the
# plain-text THIRD-PARTY-NOTICES where some component asks for one, and their licenses' SPDX
# identifiers. Without a map the copyright file is jarmenu's own.
set(third_party ${CMAKE_CURRENT_BINARY_DIR}/third-party)
set(CPACK_JARMENU_THIRD_PARTY ${third_party})
set(copyright_file ${CMAKE_CURRENT_BINARY_DIR}/copyright.head)
if(JARMENU_LINK_MAP)
  file(GLOB notices CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/doc/third-party/*)
  set(notices_script ${PROJECT_SOURCE_DIR}/cmake/third_party_notices.sh)
  add_custom_command(OUTPUT ${third_party}/components ${third_party}/copyright
    COMMAND sh ${notices_script} ${JARMENU_LINK_MAP} ${PROJECT_SOURCE_DIR}/doc/third-party
      ${CMAKE_CURRENT_BINARY_DIR}/copyright.head ${third_party} $<$<BOOL:${WIN32}>:crlf>
    DEPENDS jarmenu ${notices} ${notices_script} ${PROJECT_SOURCE_DIR}/cmake/spdx.sed
      ${CMAKE_CURRENT_BINARY_DIR}/copyright.head VERBATIM)
  add_custom_target(third_party_notices ALL DEPENDS ${third_party}/components ${third_party}/copyright)
  set(copyright_file ${third_party}/copyright)
endif()
# Read by cpack once per generator; it also refuses to package a program that holds code without
# a notice.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/CPackPerGenerator.cmake)

# Windows gets a zip: the program, the licenses, and a short README for Windows users.
if(WIN32)
  # Text files with Windows' line ends, for whatever editor opens them.
  configure_file(LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(doc/README-windows.txt README.txt @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS jarmenu RUNTIME DESTINATION . COMPONENT program)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt ${CMAKE_CURRENT_BINARY_DIR}/README.txt
    DESTINATION . COMPONENT program)
  install(FILES ${third_party}/THIRD-PARTY-NOTICES DESTINATION . RENAME THIRD-PARTY-NOTICES.txt
    COMPONENT program OPTIONAL)
  set(CPACK_PACKAGE_NAME jarmenu)
  set(CPACK_PACKAGE_VENDOR "The jarmenu authors")
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME jarmenu-${PROJECT_VERSION}-win64)
  set(CPACK_STRIP_FILES ON)
  include(CPack)
  return()
endif()

# Writes the Debian changelog at `debian` to `rpm` in RPM's %changelog form, newest first,
# each entry under the package's release.
function(jarmenu_rpm_changelog debian rpm)
  file(STRINGS ${debian} lines)
  set(result "")
  set(items "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^jarmenu \\(([^)]+)\\)")
      set(version ${CMAKE_MATCH_1})
    elseif(line MATCHES "^  \\* (.*)")
      string(APPEND items "- ${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^    (.*)")
      string(APPEND items "  ${CMAKE_MATCH_1}\n")
    elseif(line MATCHES "^ -- (.*>)  ([A-Za-z]+), ([0-9]+) ([A-Za-z]+) ([0-9]+) ")
      string(APPEND result "* ${CMAKE_MATCH_2} ${CMAKE_MATCH_4} ${CMAKE_MATCH_3} ${CMAKE_MATCH_5} "
        "${CMAKE_MATCH_1} - ${version}-${CPACK_RPM_PACKAGE_RELEASE}\n${items}\n")
      set(items "")
    endif()
  endforeach()
  file(WRITE ${rpm} "${result}")
endfunction()

# Manual pages and changelogs are installed compressed, without names or times, so builds repeat.
function(jarmenu_gzip output input)
  add_custom_command(OUTPUT ${output} COMMAND gzip -9 -n -c ${input} > ${output} DEPENDS ${input} VERBATIM)
endfunction()
configure_file(doc/jarmenu.1.in jarmenu.1 @ONLY)
jarmenu_gzip(jarmenu.1.gz ${CMAKE_CURRENT_BINARY_DIR}/jarmenu.1)
jarmenu_gzip(changelog.gz ${PROJECT_SOURCE_DIR}/doc/changelog)
add_custom_target(documentation ALL DEPENDS jarmenu.1.gz changelog.gz)


install(TARGETS jarmenu RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/jarmenu.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)
# Debian keeps the copyright and the changelog in the package's doc directory; the Red Hat
# family keeps the license in a directory of its own. Each goes only into its own package.
install(FILES ${copyright_file} DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright
  COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR}
  COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/licenses/jarmenu COMPONENT rpm EXCLUDE_FROM_ALL)
install(FILES ${third_party}/THIRD-PARTY-NOTICES DESTINATION ${CMAKE_INSTALL_DATADIR}/licenses/jarmenu
  COMPONENT rpm EXCLUDE_FROM_ALL OPTIONAL)

set(CPACK_PACKAGE_NAME jarmenu)
set(CPACK_PACKAGE_VENDOR "The jarmenu authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "numbered menu for viewing, extracting and running Java archives")
file(READ doc/description.txt CPACK_PACKAGE_DESCRIPTION)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# One package per format, of the components CPackPerGenerator.cmake names for it.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_RPM_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "default-jdk-headless | java-sdk-headless")
if(JARMENU_GLIBC_VERSION)
  # Built against an older glibc (cmake/zig-linux.cmake), the .deb names the C library's package at
  # that version itself. dpkg-shlibdeps would ask for the build machine's 2.34: Debian lists
  # sysconf() as needing it, for the parameters 2.34 added, and jarmenu passes none of them. The
  # package test checks that these are the packages dpkg-shlibdeps names.
  string(PREPEND CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= ${JARMENU_GLIBC_VERSION}), libtinfo6 (>= 6), ")
else()
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
# The version of the libedit linked in, from its pkg-config file, for the .rpm's bundled(libedit).
if(LIBEDIT_ARCHIVE)
  get_filename_component(libedit_directory ${LIBEDIT_ARCHIVE} DIRECTORY)
  file(STRINGS ${libedit_directory}/pkgconfig/libedit.pc libedit_version REGEX "^Version: ")
  string(REGEX REPLACE "^Version: *" "" CPACK_JARMENU_LIBEDIT_VERSION "${libedit_version}")
endif()
set(CPACK_RPM_PACKAGE_RELEASE 1)
set(CPACK_RPM_PACKAGE_SUMMARY "Numbered menu for viewing, extracting and running Java archives")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RPM_PACKAGE_LICENSE MIT)
set(CPACK_RPM_PACKAGE_GROUP "Development/Tools")
# java-sdk is what the Red Hat family's system JDK provides (with java-devel): jar, and java with it.
set(CPACK_RPM_PACKAGE_REQUIRES "java-sdk")
# The filesystem package owns these directories.
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
  /usr/share/man /usr/share/man/man1 /usr/share/licenses /usr/share/doc)
set(CPACK_RPM_USER_FILELIST "%license /usr/share/licenses/jarmenu/LICENSE")
jarmenu_rpm_changelog(${PROJECT_SOURCE_DIR}/doc/changelog ${CMAKE_CURRENT_BINARY_DIR}/rpm-changelog)
set(CPACK_RPM_CHANGELOG_FILE ${CMAKE_CURRENT_BINARY_DIR}/rpm-changelog)
# With SOURCE_DATE_EPOCH set, the package's times and build host are fixed, so builds repeat.
set(CPACK_RPM_SPEC_MORE_DEFINE "%define packager ${CPACK_PACKAGE_CONTACT}
%define _buildhost reproducible
%define use_source_date_epoch_as_buildtime 1
%define clamp_mtime_to_source_date_epoch 1")
include(CPack)
