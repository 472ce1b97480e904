#include "app/ErrorHandler.h"

#include "core/Logging.h"

#include <QCoreApplication>
#include <QDebug>
#include <QVariantList>

namespace tessivar {

ErrorHandler::ErrorHandler(ui::ErrorWidget* widget, QObject* parent)
    : ErrorHandler(WidgetProvider([widget = QPointer<ui::ErrorWidget>(widget)] { return widget.data(); }), parent)
{
}

ErrorHandler::ErrorHandler(WidgetProvider widgetProvider, QObject* parent)
    : QObject(parent)
    , m_widgetProvider(std::move(widgetProvider))
{
}

const QList<ErrorEntry_t>& ErrorHandler::catalogue()
{
    static const QList<ErrorEntry_t> entries = [] {
        const auto tr = [](const char* text) { return QCoreApplication::translate("ErrorHandler", text); };
        using ui::ErrorAction_e;
        return QList<ErrorEntry_t>{
            {0, tr("Unknown error"), tr("An unknown error occured. Please restart the application."), {}},
            {1,
             tr("Network error"),
             tr("A network error occurred.\nCheck your connection, change the port, and restart the "
                "application.\nDetails: '%1'."),
             {ErrorAction_e::ChangeSettings}},
            {2,
             tr("Initialization error"),
             tr("The application failed to initialize.\nDetails: %1"),
             {ErrorAction_e::ChangeSettings}},
            {3,
             tr("Settings error"),
             tr("Configuration is not valid, settings have been reset."),
             {ErrorAction_e::ChangeSettings}},
            {4,
             tr("Version error"),
             tr("Remote device version %1 is not compatible with current software %2.\nPlease update both "
                "software to latest version."),
             {}},
            {5, tr("Invalid module"), tr("The selected module is not available.\nPlease restart the application."), {}},
            {6, tr("Invalid dashboard"), tr("The selected dashboard cannot be imported. %1"), {}},
        };
    }();
    return entries;
}

QString ErrorHandler::actionText(ui::ErrorAction_e action)
{
    switch (action) {
    case ui::ErrorAction_e::Ok:
        return QCoreApplication::translate("ErrorHandler", "OK");
    case ui::ErrorAction_e::ChangeSettings:
        return QCoreApplication::translate("ErrorHandler", "Change settings");
    case ui::ErrorAction_e::DisablePlugin:
        return QCoreApplication::translate("ErrorHandler", "Disable plugin");
    case ui::ErrorAction_e::DeletePlugin:
        return QCoreApplication::translate("ErrorHandler", "Delete plugin");
    }
    return QCoreApplication::translate("ErrorHandler", "OK");
}

void ErrorHandler::report(int code, ui::ErrorWidget::ActionCallback callback)
{
    show(code, std::move(callback), {});
}

void ErrorHandler::report(int code, ui::ErrorWidget::ActionCallback callback, const QString& argument)
{
    show(code, std::move(callback), {argument});
}

void ErrorHandler::report(int code, ui::ErrorWidget::ActionCallback callback, const QString& argument1,
                          const QString& argument2)
{
    show(code, std::move(callback), {argument1, argument2});
}

void ErrorHandler::show(int code, ui::ErrorWidget::ActionCallback callback, const QStringList& arguments)
{
    const QList<ErrorEntry_t>& entries = catalogue();
    ErrorEntry_t entry = entries.first();
    for (const ErrorEntry_t& candidate : entries)
        if (candidate.code == code)
            entry = candidate;

    QString description = entry.description;
    for (const QString& argument : arguments)
        description = description.arg(argument);
    qCWarning(lcApp).noquote() << "Error reported:" << entry.code << entry.title << "-" << description;

    ui::ErrorWidget* widget = m_widgetProvider ? m_widgetProvider() : nullptr;
    if (!widget) {
        qCWarning(lcApp) << "No error widget to show the error on";
        return;
    }
    QVariantList actions;
    QStringList actionTexts;
    for (ui::ErrorAction_e action : std::as_const(entry.actions)) {
        actions.append(QVariant::fromValue(static_cast<int>(action)));
        actionTexts.append(actionText(action));
    }
    widget->setProperty("errorTitle", entry.title);
    widget->setProperty("errorDescription", description);
    widget->setProperty("errorCode", entry.code);
    widget->setProperty("errorActions", actions);
    widget->setProperty("errorActionDescriptions", actionTexts);
    widget->setVisible(true);
    widget->setActionCallback(std::move(callback));
}

} // namespace tessivar
