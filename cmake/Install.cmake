# What `make install` (cmake --install) puts under the prefix: the programs, the shipped skins
# with their pictures, the manual, and the desktop entry, song MIME type and icon.
include(GNUInstallDirs)

install(TARGETS tessaron-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET tessaron)
  install(TARGETS tessaron RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The programs find these relative to their own folder: <prefix>/bin/../share/tessaron/skins.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/skins DESTINATION ${CMAKE_INSTALL_DATADIR}/tessaron)
install(FILES ${CMAKE_SOURCE_DIR}/docs/manual.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tessaron)

install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/tessaron.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/data/desktop/tessaron-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME tessaron.xml)
install(FILES ${CMAKE_SOURCE_DIR}/data/icons/tessaron.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
