# The application layer, where the subsystems meet; linked by the program and its tests.
set(APP_DIR ${CMAKE_CURRENT_SOURCE_DIR}/app)
add_library(tessivar_app STATIC
    ${APP_DIR}/AbstractApplication.cpp ${APP_DIR}/AbstractApplication.h
    ${APP_DIR}/TessivarServerApplication.cpp ${APP_DIR}/TessivarServerApplication.h
    ${APP_DIR}/TerminationSignalWatcher.cpp ${APP_DIR}/TerminationSignalWatcher.h
    ${APP_DIR}/TimerIncubationController.cpp ${APP_DIR}/TimerIncubationController.h
    ${APP_DIR}/TaskCompletion.cpp ${APP_DIR}/TaskCompletion.h
    ${APP_DIR}/BaseTask.cpp ${APP_DIR}/BaseTask.h
    ${APP_DIR}/SimpleTask.cpp ${APP_DIR}/SimpleTask.h
    ${APP_DIR}/TaskManager.cpp ${APP_DIR}/TaskManager.h
    ${APP_DIR}/ErrorHandler.cpp ${APP_DIR}/ErrorHandler.h
    ${APP_DIR}/FirewallFlow.cpp ${APP_DIR}/FirewallFlow.h)
target_link_libraries(tessivar_app PUBLIC
    tessivar_logging tessivar_config tessivar_device tessivar_communication tessivar_modules
    tessivar_ui tessivar_platform tessivar_network
    Qt6::Widgets Qt6::Qml Qt6::Quick)
qt_add_resources(tessivar_app tessivar_ui_resources
    PREFIX "/"
    BASE ${CMAKE_CURRENT_SOURCE_DIR}/ui
    FILES
        ${CMAKE_CURRENT_SOURCE_DIR}/ui/MainWindow.qml
        ${CMAKE_CURRENT_SOURCE_DIR}/ui/UI/ServerApplicationWindow.qml
        ${CMAKE_CURRENT_SOURCE_DIR}/ui/UI/ModuleEditionWidget.qml
        ${CMAKE_CURRENT_SOURCE_DIR}/ui/UI/ModuleSelectionWidget.qml
        ${CMAKE_CURRENT_SOURCE_DIR}/ui/UI/TitleBarButton.qml
        ${CMAKE_CURRENT_SOURCE_DIR}/ui/Widgets/ErrorWidget.qml)
qt_add_resources(tessivar_app tessivar_icon_resources
    PREFIX "/icon"
    BASE ${CMAKE_CURRENT_SOURCE_DIR}/ui
    FILES
        ${CMAKE_CURRENT_SOURCE_DIR}/ui/Images/Icon_taskbar.ico
        ${CMAKE_CURRENT_SOURCE_DIR}/ui/Images/Icon_systemtray.png)
qt_add_resources(tessivar_app tessivar_font_resources
    PREFIX "/font"
    BASE ${CMAKE_CURRENT_SOURCE_DIR}/ui
    FILES
        ${CMAKE_CURRENT_SOURCE_DIR}/ui/Font/Roboto-Bold.ttf
        ${CMAKE_CURRENT_SOURCE_DIR}/ui/Font/Roboto-Light.ttf
        ${CMAKE_CURRENT_SOURCE_DIR}/ui/Font/Roboto-Medium.ttf
        ${CMAKE_CURRENT_SOURCE_DIR}/ui/Font/Roboto-Regular.ttf
        ${CMAKE_CURRENT_SOURCE_DIR}/ui/Font/Roboto-Thin.ttf)

add_executable(tessivar ${APP_DIR}/main.cpp)
target_link_libraries(tessivar PRIVATE tessivar_app)
