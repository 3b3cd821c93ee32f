# Debian packages, one per install component (cmake/Install.cmake):
#   cpack -G DEB   (in the build folder, after the build)
# makes libkwomedia0, libkwomedia-dev, duomatch and kwomedia-tools for /usr.
# The dependencies on system libraries come from dpkg-shlibdeps; a package
# that needs the library depends on libkwomedia0 of exactly this version.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kwomedia)
set(CPACK_PACKAGE_VENDOR "the KWOMedia authors")
set(CPACK_PACKAGE_CONTACT "the KWOMedia authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
# The packages carry stripped programs and library.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${KWO_INSTALL_COMPONENTS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps finds the library, which none of the system's packages
# holds yet, in the build folder.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
# A shlibs file, so that packages built against the library depend on it.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")

foreach(component ${KWO_INSTALL_COMPONENTS})
    string(TOUPPER ${component} C)
    set(CPACK_DEBIAN_${C}_PACKAGE_NAME ${KWO_PACKAGE_${component}})
endforeach()

set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
    "2D game library on SDL 1.2
KWOMedia is a C++17 library for 2D games on SDL 1.2: one stream interface over
disk files, memory and archive members; directories and archives (its own
format and PAK) as file providers; a resource finder and a reference-counted
resource manager; palettes, images with drawing primitives, BMP, GIF, PCX and
TGA codecs, bitmap fonts and a screen with palette fades; sounds (WAV, AIFF,
AU), streamed music and a software mixer; input filtering and timing; logs,
strings, parsing, highscore tables, configuration files and language tables.
This package holds the shared library.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS Runtime)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libsdl1.2-dev, pkgconf | pkg-config")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "2D game library on SDL 1.2 - development files
KWOMedia is a C++17 library for 2D games on SDL 1.2.
This package holds the headers (#include <KWOMedia/KWOMedia.h>), the CMake
package (find_package(KWOMedia), target KWOMedia::KWOMedia) and the
pkg-config file (kwomedia).")

set(CPACK_DEBIAN_GAME_PACKAGE_SECTION games)
set(CPACK_COMPONENT_GAME_DEPENDS Runtime)
set(CPACK_DEBIAN_GAME_DESCRIPTION
    "picture-matching card game
duomatch deals sixteen pairs of cards face down on an 8 x 4 board; turn two
at a time with the mouse and find every pair against the clock. The five best
times are kept in each player's own highscore table. Sounds, window or full
screen, English or French.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_TOOLS_DEPENDS Runtime)
set(CPACK_DEBIAN_TOOLS_DESCRIPTION
    "tools of the KWOMedia game library
kwoarch creates, lists and changes archives in KWOMedia's own format and in
PAK; mkdata draws and synthesises the data files of the game duomatch.")

include(CPack)
