# Read by cpack once per generator: each package format takes the program and
# only its own distribution's documents.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_COMPONENTS_ALL program debian)
elseif(CPACK_GENERATOR STREQUAL "RPM")
  set(CPACK_COMPONENTS_ALL program rpm)
endif()

# What the program holds is known once it is linked (cmake/third_party_notices.sh): a package of
# code without a notice is not made, and the .rpm names every license in it and what it bundles.
set(third_party "${CPACK_JARMENU_THIRD_PARTY}")
if(EXISTS "${third_party}/components")
  file(STRINGS "${third_party}/missing" missing)
  if(missing)
    message(FATAL_ERROR "jarmenu holds ${missing}, which has no notice in doc/third-party")
  endif()
  if(CPACK_GENERATOR STREQUAL "RPM")
    file(STRINGS "${third_party}/spdx" licenses)
    list(PREPEND licenses MIT)
    list(REMOVE_DUPLICATES licenses)
    list(JOIN licenses " AND " CPACK_RPM_PACKAGE_LICENSE)
    file(STRINGS "${third_party}/components" components)
    # cpack reads this file under CMake's oldest policies, where if() has no IN_LIST.
    list(FIND components libedit libedit_index)
    if(NOT libedit_index EQUAL -1)
      set(CPACK_RPM_PACKAGE_PROVIDES "bundled(libedit) = ${CPACK_JARMENU_LIBEDIT_VERSION}")
    endif()
    if(EXISTS "${third_party}/THIRD-PARTY-NOTICES")
      list(APPEND CPACK_RPM_USER_FILELIST "%license /usr/share/licenses/jarmenu/THIRD-PARTY-NOTICES")
    endif()
  endif()
endif()
