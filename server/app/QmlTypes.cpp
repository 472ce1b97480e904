#include "app/QmlTypes.h"

#include "core/DeviceTypes.h"
#include "modules/ModuleList.h"
#include "modules/ModuleSource.h"
#include "network/DesktopInformationProvider.h"
#include "ui/ErrorWidget.h"
#include "ui/ModuleEditionWidget.h"
#include "ui/ModuleSelectionWidget.h"

#include <QDebug>
#include <QQmlEngine>

namespace tessivar {

namespace {

void registerWidgetFile(const char* module, const char* type, const QString& url)
{
    const int typeId = qmlRegisterType(QUrl(url), module, 1, 0, type);
    qDebug().noquote() << "Registering widget" << type << ":" << typeId;
}

} // namespace

void registerServerQmlTypes()
{
    const char* serverWidgets = "com.tessivar.widgets.server";
    registerWidgetFile(serverWidgets, "ModuleEditionWidget", QStringLiteral("qrc:/UI/ModuleEditionWidget.qml"));
    registerWidgetFile(serverWidgets, "ModuleSelectionWidget", QStringLiteral("qrc:/UI/ModuleSelectionWidget.qml"));
    const char* impl = "com.tessivar.widgets.impl";
    qmlRegisterType<ui::ModuleEditionWidget>(impl, 1, 0, "ModuleEditionWidgetImpl");
    qmlRegisterType<ui::ModuleSelectionWidget>(impl, 1, 0, "ModuleSelectionWidgetImpl");
    qmlRegisterType<ui::ErrorWidget>(impl, 1, 0, "ErrorWidgetImpl");
    registerWidgetFile("com.tessivar.widgets.private", "ErrorWidget", QStringLiteral("qrc:/Widgets/ErrorWidget.qml"));
    const QString notCreatable = QStringLiteral("Not creatable");
    qmlRegisterUncreatableType<ModuleList>("com.tessivar.types", 1, 0, "ModuleList", notCreatable);
    qmlRegisterUncreatableType<ModuleSource>("com.tessivar.types", 1, 0, "ModuleSource", notCreatable);
    qRegisterMetaType<NetworkDeviceId_t>("NetworkDeviceId_t");
    qmlRegisterSingletonType<network::DesktopInformationProvider>(
        "com.tessivar.helpers", 1, 0, "DesktopInformationProvider",
        [](QQmlEngine*, QJSEngine*) -> QObject* { return new network::DesktopInformationProvider; });
}

} // namespace tessivar
