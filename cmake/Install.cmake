# Installation of the library: the shared library with its version links, the
# public headers under include/KWOMedia/, the CMake package and the
# pkg-config file. The game and the tools add their own rules (game/,
# tools/) with the helpers defined here.
#
# Install components, one per Debian package (cmake/Packaging.cmake):
#   Runtime      the shared library                      libkwomedia<major>
#   Development  headers, CMake package, pkg-config file  libkwomedia-dev
#   Game         the game, its data and its launcher      duomatch
#   Tools        kwoarch and mkdata                       kwomedia-tools
include(CMakePackageConfigHelpers)

set(KWO_PACKAGE_Runtime libkwomedia${PROJECT_VERSION_MAJOR})
set(KWO_PACKAGE_Development libkwomedia-dev)
set(KWO_PACKAGE_Game duomatch)
set(KWO_PACKAGE_Tools kwomedia-tools)

# kwo_full_install_dir(var dir): the absolute form of an install folder.
function(kwo_full_install_dir var dir)
    if(IS_ABSOLUTE "${dir}")
        set(${var} "${dir}" PARENT_SCOPE)
    else()
        set(${var} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
    endif()
endfunction()

# kwo_install_rpath(target dir): the program installed in dir finds the
# library through a path relative to itself, so an installed tree works under
# any prefix (cmake --install --prefix P) and can be moved.
function(kwo_install_rpath target dir)
    kwo_full_install_dir(from "${dir}")
    file(RELATIVE_PATH rel "${from}" "${CMAKE_INSTALL_FULL_LIBDIR}")
    string(REGEX REPLACE "/$" "" rel "${rel}")
    if(rel STREQUAL "")
        set(rpath "$ORIGIN")
    else()
        set(rpath "$ORIGIN/${rel}")
    endif()
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "${rpath}")
endfunction()

set(KWO_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/KWOMedia)

# ---- the library and its headers ----------------------------------------------
install(TARGETS KWOMedia EXPORT KWOMediaTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        COMPONENT Runtime
        NAMELINK_COMPONENT Development)

# Public headers are the exported classes' (KWO*.h); the lower-case headers
# are the library's internals and stay out.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/media/
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/KWOMedia
    COMPONENT Development
    FILES_MATCHING PATTERN "KWO*.h")

# ---- CMake package: find_package(KWOMedia) -> KWOMedia::KWOMedia ---------------
install(EXPORT KWOMediaTargets
    NAMESPACE KWOMedia::
    DESTINATION ${KWO_CMAKE_DIR}
    COMPONENT Development)
# The build tree holds the same package, for find_package(KWOMedia) with
# KWOMedia_DIR set to the build folder.
export(EXPORT KWOMediaTargets
    NAMESPACE KWOMedia::
    FILE ${PROJECT_BINARY_DIR}/KWOMediaTargets.cmake)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/KWOMediaConfig.cmake.in
    ${PROJECT_BINARY_DIR}/KWOMediaConfig.cmake
    INSTALL_DESTINATION ${KWO_CMAKE_DIR})
# Before 1.0 a new minor version may change the interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KWOMediaConfigVersion.cmake
    COMPATIBILITY SameMinorVersion)
install(FILES
    ${PROJECT_BINARY_DIR}/KWOMediaConfig.cmake
    ${PROJECT_BINARY_DIR}/KWOMediaConfigVersion.cmake
    DESTINATION ${KWO_CMAKE_DIR}
    COMPONENT Development)

# ---- pkg-config: kwomedia.pc ---------------------------------------------------
# The file finds the prefix from its own folder (${pcfiledir}), so it stays
# right whatever prefix the tree is installed under.
kwo_full_install_dir(KWO_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
kwo_full_install_dir(KWO_FULL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
file(RELATIVE_PATH KWO_PC_PREFIX ${KWO_PC_DIR} ${CMAKE_INSTALL_PREFIX})
file(RELATIVE_PATH KWO_PC_LIBDIR ${CMAKE_INSTALL_PREFIX} ${CMAKE_INSTALL_FULL_LIBDIR})
file(RELATIVE_PATH KWO_PC_INCLUDEDIR ${CMAKE_INSTALL_PREFIX} ${KWO_FULL_INCLUDEDIR})
string(REGEX REPLACE "/$" "" KWO_PC_PREFIX "\${pcfiledir}/${KWO_PC_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/kwomedia.pc.in ${PROJECT_BINARY_DIR}/kwomedia.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kwomedia.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
    COMPONENT Development)

# ---- the licence, in each package's documentation folder ------------------------
# The Debian copyright format: the holder from the LICENSE's first line, then
# the licence text indented by one space, with " ." for its blank lines.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE KWO_LICENSE_DEB)
string(REGEX MATCH "^Copyright \\(c\\) ([^\n]*)" KWO_COPYRIGHT "${KWO_LICENSE_DEB}")
set(KWO_COPYRIGHT "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^[^\n]*\n\n" "" KWO_LICENSE_DEB "${KWO_LICENSE_DEB}")
string(REGEX REPLACE "\n+$" "" KWO_LICENSE_DEB "${KWO_LICENSE_DEB}")
string(REPLACE "\n" "\n " KWO_LICENSE_DEB " ${KWO_LICENSE_DEB}")
string(REPLACE "\n \n" "\n .\n" KWO_LICENSE_DEB "${KWO_LICENSE_DEB}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${PROJECT_BINARY_DIR}/copyright @ONLY)
set(KWO_INSTALL_COMPONENTS Runtime Development)
if(KWO_BUILD_GAME)
    list(APPEND KWO_INSTALL_COMPONENTS Game)
endif()
if(KWO_BUILD_TOOLS)
    list(APPEND KWO_INSTALL_COMPONENTS Tools)
endif()
foreach(component ${KWO_INSTALL_COMPONENTS})
    install(FILES ${PROJECT_BINARY_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${KWO_PACKAGE_${component}}
        COMPONENT ${component})
endforeach()
