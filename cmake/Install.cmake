# The rest of the program directory <build>/bin (the manual and the program's icon), and the
# installation: the whole program directory under the prefix, with links to the two programs in
# <prefix>/bin, and what the desktop reads system-wide.
#
#   cmake --install <build> --prefix /opt/morvane
#
# puts the program directory at <prefix>/lib/morvane (morvane, morvane-cli, extractor.dat,
# morvane.svg, Plugins/, Help/), links <prefix>/bin/morvane and <prefix>/bin/morvane-cli to it,
# and puts below <prefix>/share:
#   applications/morvane.desktop             the menu entry, which also opens *.mvx files
#                                            (when the window program was built)
#   mime/packages/morvane.xml                the type application/x-morvane-container: the
#                                            *.mvx glob and the container's mark as magic
#   icons/hicolor/scalable/apps/morvane.svg  the icon
#   metainfo/org.example.morvane.metainfo.xml  AppStream metadata (with the window program)
# The per-user association of the Options page uses other names (morvane-mvx.xml,
# morvane-open.desktop) under the user's own XDG homes, so it never touches these. Every file
# installed is listed in <build>/install_manifest.txt, which is what removing the installation
# takes away. The Debian package (cmake/Package.cmake) is made from these same rules.

# ---- The program directory ---------------------------------------------------------------------
add_custom_command(
  OUTPUT ${MORVANE_BIN_DIR}/Help/Morvane.html ${MORVANE_BIN_DIR}/morvane.svg
  COMMAND ${CMAKE_COMMAND} -E make_directory ${MORVANE_BIN_DIR}/Help
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/Help/Morvane.html
          ${MORVANE_BIN_DIR}/Help/Morvane.html
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/cmake/morvane.svg
          ${MORVANE_BIN_DIR}/morvane.svg
  DEPENDS ${CMAKE_SOURCE_DIR}/Help/Morvane.html ${CMAKE_SOURCE_DIR}/cmake/morvane.svg
  COMMENT "Copying the manual and the icon into the program directory")
add_custom_target(morvane_help ALL
  DEPENDS ${MORVANE_BIN_DIR}/Help/Morvane.html ${MORVANE_BIN_DIR}/morvane.svg)

# ---- Installing --------------------------------------------------------------------------------
set(MORVANE_INSTALL_DIR "lib/morvane" CACHE STRING
    "Where the program directory goes, relative to the installation prefix")
set(MORVANE_MENU_DIR "share" CACHE STRING
    "Data directory of the menu entry and the icon, relative to the prefix or absolute")

# Copies of what the build assembled; a part that was not built (the window without Qt, the
# self-decrypting module) is left out instead of failing the installation.
install(PROGRAMS ${MORVANE_BIN_DIR}/morvane ${MORVANE_BIN_DIR}/morvane-cli
        DESTINATION ${MORVANE_INSTALL_DIR} OPTIONAL)
install(FILES ${MORVANE_BIN_DIR}/extractor.dat ${MORVANE_BIN_DIR}/morvane.svg
        DESTINATION ${MORVANE_INSTALL_DIR} OPTIONAL)
install(DIRECTORY ${MORVANE_BIN_DIR}/Plugins ${MORVANE_BIN_DIR}/Help
        DESTINATION ${MORVANE_INSTALL_DIR} OPTIONAL USE_SOURCE_PERMISSIONS)
install(FILES ${CMAKE_SOURCE_DIR}/cmake/morvane.svg
        DESTINATION ${MORVANE_MENU_DIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/cmake/linux/morvane.xml
        DESTINATION ${MORVANE_MENU_DIR}/mime/packages)
if(TARGET morvane)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/linux/org.example.morvane.metainfo.xml.in
                 ${CMAKE_BINARY_DIR}/org.example.morvane.metainfo.xml @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/org.example.morvane.metainfo.xml
          DESTINATION ${MORVANE_MENU_DIR}/metainfo)
endif()

# The links and the menu entry name the final prefix, known only when installing (--prefix).
set(morvane_install_code [[
  set(morvane_root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
  set(morvane_dir "@MORVANE_INSTALL_DIR@")
  set(morvane_menu "@MORVANE_MENU_DIR@")
  if(NOT IS_ABSOLUTE "${morvane_menu}")
    set(morvane_menu "${CMAKE_INSTALL_PREFIX}/${morvane_menu}")
  endif()
  file(MAKE_DIRECTORY "${morvane_root}/bin")
  foreach(program morvane morvane-cli)
    if(EXISTS "${morvane_root}/${morvane_dir}/${program}")
      file(RELATIVE_PATH target "${CMAKE_INSTALL_PREFIX}/bin"
           "${CMAKE_INSTALL_PREFIX}/${morvane_dir}/${program}")
      file(REMOVE "${morvane_root}/bin/${program}")
      file(CREATE_LINK "${target}" "${morvane_root}/bin/${program}" SYMBOLIC)
      message(STATUS "Installing: ${morvane_root}/bin/${program} -> ${target}")
      # The manifest names files without DESTDIR, as CMake's own entries do.
      list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${CMAKE_INSTALL_PREFIX}/bin/${program}")
    endif()
  endforeach()
  # The menu entry only with the window it starts.
  set(entry "$ENV{DESTDIR}${morvane_menu}/applications/morvane.desktop")
  if(EXISTS "${morvane_root}/${morvane_dir}/morvane")
  file(WRITE "${entry}"
"[Desktop Entry]
Type=Application
Version=1.4
Name=Morvane
GenericName=File encryption
GenericName[ro]=Criptare de fisiere
Comment=Encrypt and decrypt files with a password
Comment[ro]=Cripteaza si decripteaza fisiere cu o parola
Exec=\"${CMAKE_INSTALL_PREFIX}/bin/morvane\" %f
Icon=morvane
Terminal=false
Categories=Utility;Security;
Keywords=encryption;decryption;password;mvx;
MimeType=application/x-morvane-container;
")
  message(STATUS "Installing: ${entry}")
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${morvane_menu}/applications/morvane.desktop")
  endif()
]])
string(CONFIGURE "${morvane_install_code}" morvane_install_code @ONLY)
install(CODE "${morvane_install_code}")
