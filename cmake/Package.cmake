# The Debian package, made by CPack from the installation rules (cmake/Install.cmake and every
# other install() of the project), so that the package holds exactly what `cmake --install`
# installs, under the prefix /usr:
#
#   make package                    (or: cd build && cpack -G DEB)
#
# gives <build>/morvane_<version>_<architecture>.deb. Its Depends is computed by dpkg-shlibdeps
# from the shared libraries the programs and plug-ins use (the Qt 6 libraries among them), which
# needs dpkg-dev and file on the building machine. No maintainer scripts: the desktop, MIME and
# icon databases are refreshed by the triggers of the Debian packages that own them.
# Packaging and installing take what is built and build nothing themselves (`make package` builds
# first): otherwise cpack would run make over the whole tree, and the package test, run by CTest
# beside other tests, could relink a program another test is starting.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "morvane")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Morvane developers")
set(CPACK_PACKAGE_CONTACT "The Morvane developers <morvane@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://morvane.example.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "encrypt and decrypt files with a password")
# Lines of the package's long description, as Debian wraps them.
set(CPACK_PACKAGE_DESCRIPTION
    "Morvane encrypts a file with a password into a container (.mvx) or a
self-decrypting program, with one of six block ciphers (Twofish, AES, RC2,
GOST 28147-89, CAST-128, Blowfish) in one of four chaining modes, optionally
compressed first. It has a window (morvane), in English and Romanian, and a
terminal program (morvane-cli). Containers carry no authentication code: the
optional password check and CRC-32 only tell a wrong password or a damaged
file.")

# The installation runs with the final prefix and the staging directory as DESTDIR, so that the
# links and the menu entry name /usr, not the staging directory.
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_INSTALL_PREFIX "/usr")
set(CPACK_SET_DESTDIR ON)
# Installed component by component into one package: an installation made that way writes its
# list of files as install_manifest_<component>.txt, so making the package never replaces the
# install_manifest.txt of an earlier `cmake --install`, which is what removing that takes away.
# This file is read after every directory of the project, so the list of components is complete.
get_cmake_property(CPACK_COMPONENTS_ALL COMPONENTS)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Help button hands the manual to xdg-open; without it the window says where the manual is.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")

include(CPack)

# The installation and package tests install the same components (named with commas between).
string(REPLACE ";" "," morvane_components "${CPACK_COMPONENTS_ALL}")
# The manual and the icon of the program directory are copied by a target made in
# cmake/Install.cmake, after tests/ was read; the tests need them built too.
foreach(test install_Install_tests install_Package_tests)
  if(TARGET ${test})
    target_compile_definitions(${test} PRIVATE MORVANE_INSTALL_COMPONENTS="${morvane_components}")
    add_dependencies(${test} morvane_help)
  endif()
endforeach()
