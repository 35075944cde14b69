# Installing as a Linux program (FHS places through GNUInstallDirs) and the Debian package.
include(GNUInstallDirs)
find_program(VX_GZIP gzip REQUIRED)
set(VX_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/vorlix7)

# The window program is built as "Vorlix7", the name it has when copied beside the IDE, and
# installed as "vorlix7"; as a target it is stripped like the CLI when the package is made.
install(TARGETS Vorlix7 vorlix7-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(CODE "file(RENAME \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/Vorlix7\"
  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/vorlix7\")")

# The language files, where the installed program looks for them.
install(FILES ${VX_LANG_DIR}/English.lng ${VX_LANG_DIR}/chinese.lng
  DESTINATION ${CMAKE_INSTALL_DATADIR}/vorlix7/lang)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/generated/changelog.gz
  COMMAND ${VX_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/data/debian/changelog > ${CMAKE_BINARY_DIR}/generated/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/data/debian/changelog)
add_custom_target(vx_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/generated/changelog.gz)
install(FILES docs/user-guide.md data/debian/copyright ${CMAKE_BINARY_DIR}/generated/changelog.gz
  DESTINATION ${VX_DOC_DIR})

# The desktop: menu entry, the project file type, the icon in the hicolor theme, AppStream data.
install(FILES data/desktop/vorlix7.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/desktop/vorlix7.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES data/icons/emblem.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  RENAME vorlix7.svg)
foreach(size IN LISTS VX_ICON_SIZES)
  install(FILES ${VX_ICON_DIR}/${size}x${size}/apps/vorlix7.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
configure_file(data/desktop/io.github.vorlix.Vorlix7.metainfo.xml
  ${CMAKE_BINARY_DIR}/generated/io.github.vorlix.Vorlix7.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/generated/io.github.vorlix.Vorlix7.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Manual pages (compressed, as Debian wants them) and the CLI's bash completion.
foreach(page vorlix7 vorlix7-cli)
  configure_file(data/man/${page}.1 ${CMAKE_BINARY_DIR}/generated/man/${page}.1 @ONLY)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/generated/man/${page}.1.gz
    COMMAND ${VX_GZIP} -9nf -k ${CMAKE_BINARY_DIR}/generated/man/${page}.1
    DEPENDS ${CMAKE_BINARY_DIR}/generated/man/${page}.1)
  list(APPEND VX_MAN_PAGES ${CMAKE_BINARY_DIR}/generated/man/${page}.1.gz)
endforeach()
add_custom_target(vx_man_pages ALL DEPENDS ${VX_MAN_PAGES})
install(FILES ${VX_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/completion/vorlix7-cli DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# The Debian package: cpack -G DEB in the build folder (scripts/package.sh).
set(CPACK_PACKAGE_NAME vorlix7)
set(CPACK_PACKAGE_VENDOR "The Delphi Vorlix developers")
set(CPACK_PACKAGE_CONTACT "Delphi Vorlix developers <vorlix@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration manager for the Delphi 7 IDE under Wine")
# The extended description, wrapped for dpkg; the summary above is its first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Keeps alternative sets of the Delphi 7 IDE's settings (experts, design-time
packages in groups, Tools menu entries, the library search path) as project
files, captures the IDE's registry settings into a project and applies a
project back, backs the IDE's registry up, imports, clears and restores it,
with an undo for every change. It reads and writes the Wine prefix's registry
files itself; Wine is needed only to start Windows programs.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wine")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine32")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Only what the install rules above name goes into the package.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};Unspecified;/")
include(CPack)
