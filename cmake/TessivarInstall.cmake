# The installed program: `cmake --install` and the Debian package (`cpack -G DEB`).
#
#   bin/                                tessivar, tessivar-helper, tessivar-device, tessivar-client
#   lib/tessivar/                       libtessivarPlugin.so
#   lib/tessivar/plugins/misc/          plugin.so
#   share/applications/                 tessivar.desktop, tessivar-client.desktop
#   share/icons/hicolor/<n>x<n>/apps/   tessivar.png, tessivar-client.png
#   share/doc/tessivar/                 copyright, licence texts
#
# Installed in a folder it cannot write, the program keeps its settings, logs and blocks
# in the user's data folder and reads its plugins from lib/tessivar/plugins, found from
# its own folder (core/ApplicationPaths); the build tree stays runnable as it is.
include(GNUInstallDirs)

add_subdirectory(${PROJECT_SOURCE_DIR}/packaging ${PROJECT_BINARY_DIR}/packaging)

set(TESSIVAR_INSTALL_LIBDIR ${CMAKE_INSTALL_LIBDIR}/tessivar)
set(TESSIVAR_INSTALL_PLUGINDIR ${TESSIVAR_INSTALL_LIBDIR}/plugins)
file(RELATIVE_PATH TESSIVAR_BIN_TO_LIB /${CMAKE_INSTALL_BINDIR} /${TESSIVAR_INSTALL_LIBDIR})
file(RELATIVE_PATH TESSIVAR_BIN_TO_PLUGINS /${CMAKE_INSTALL_BINDIR} /${TESSIVAR_INSTALL_PLUGINDIR})
target_compile_definitions(tessivar_logging PRIVATE TESSIVAR_INSTALLED_PLUGIN_DIR="${TESSIVAR_BIN_TO_PLUGINS}")

# Programs find the plugin support library in the private library folder, and in the
# build tree beside themselves. The installed search path is the built one
# (BUILD_WITH_INSTALL_RPATH): left to rewrite it at install, CMake pads the built one with
# empty entries, and an empty entry has the loader search the working directory.
set(TESSIVAR_INSTALLED_PROGRAMS tessivar tessivar-helper)
if(TARGET tessivar-device)
    list(APPEND TESSIVAR_INSTALLED_PROGRAMS tessivar-device)
endif()
if(TARGET tessivar-client)
    list(APPEND TESSIVAR_INSTALLED_PROGRAMS tessivar-client)
endif()
set_target_properties(${TESSIVAR_INSTALLED_PROGRAMS} PROPERTIES
    INSTALL_RPATH "$ORIGIN/${TESSIVAR_BIN_TO_LIB};$ORIGIN" BUILD_WITH_INSTALL_RPATH ON)
# Needs Qt only, from the system's folders.
set_target_properties(tessivarPlugin PROPERTIES INSTALL_RPATH "" BUILD_WITH_INSTALL_RPATH ON)
install(TARGETS ${TESSIVAR_INSTALLED_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS tessivarPlugin
    LIBRARY DESTINATION ${TESSIVAR_INSTALL_LIBDIR} NAMELINK_SKIP
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET tessivar_misc_plugin)
    # The support library two folders up, in the build tree as installed.
    set_target_properties(tessivar_misc_plugin PROPERTIES INSTALL_RPATH "$ORIGIN/../.." BUILD_WITH_INSTALL_RPATH ON)
    install(TARGETS tessivar_misc_plugin LIBRARY DESTINATION ${TESSIVAR_INSTALL_PLUGINDIR}/misc)
endif()

set(TESSIVAR_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging/linux)
# Key replay through uinput: the device opened to the seat's user, its module loaded at boot.
install(FILES ${TESSIVAR_PACKAGING_DIR}/70-tessivar-uinput.rules DESTINATION lib/udev/rules.d)
install(FILES ${TESSIVAR_PACKAGING_DIR}/tessivar-uinput.conf DESTINATION lib/modules-load.d)
install(FILES ${TESSIVAR_PACKAGING_DIR}/tessivar.desktop ${TESSIVAR_PACKAGING_DIR}/tessivar-client.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The client shows the same mark as the server: both are Tessivar on the desktop.
foreach(size 16 22 24 32 48 64 128 256)
    foreach(program tessivar tessivar-client)
        install(FILES ${TESSIVAR_PACKAGING_DIR}/icons/${size}x${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${program}.png)
    endforeach()
endforeach()
install(FILES
    ${TESSIVAR_PACKAGING_DIR}/copyright
    ${PROJECT_SOURCE_DIR}/packaging/LICENSE.LGPL-3.txt
    ${PROJECT_SOURCE_DIR}/server/ui/Font/LICENSE-Roboto.txt
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tessivar)

# The Debian package. Its dependencies are the packages of the Qt libraries the programs
# link (dpkg-shlibdeps) and the QML modules and platform plugins the window loads.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessivar)
set(CPACK_PACKAGE_VENDOR Tessivar)
set(CPACK_PACKAGE_CONTACT "Tessivar developers <developers@tessivar.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop server for remote dashboards on the local network")
set(CPACK_PACKAGE_DESCRIPTION "Phones, tablets and PCs on the local network show dashboards of blocks: \
clocks, texts, status lights, buttons that start programs, replay keystrokes or open web pages. \
The server finds them, keeps every block in step and carries out on the PC what a pressed block asks for.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${TESSIVAR_INSTALL_LIBDIR})
# The SVG image plugin is loaded at run time, so shlibdeps cannot see it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qml6-module-qtquick, qml6-module-qtquick-window, \
qml6-module-qtquick-controls, qml6-module-qtquick-layouts, qml6-module-qtquick-templates, \
qml6-module-qtqml-workerscript, qml6-module-qtquick-dialogs, qml6-module-qt-labs-folderlistmodel, \
qml6-module-qt5compat-graphicaleffects, qt6-qpa-plugins, libqt6svg6")
include(CPack)
