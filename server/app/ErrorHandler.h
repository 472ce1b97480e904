#pragma once

#include "ui/ErrorWidget.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

namespace tessivar {

// One entry of the catalogue of errors the user can be shown.
struct ErrorEntry_t {
    int code;
    QString title;
    QString description;
    QList<ui::ErrorAction_e> actions;
};

// Shows errors by code on the error widget of the main window, and calls the reporter
// back with the action the user chose.
class ErrorHandler : public QObject
{
    Q_OBJECT

public:
    enum Code {
        UnknownError = 0,
        NetworkError = 1,
        InitializationError = 2,
        SettingsError = 3,
        VersionError = 4,
        InvalidModule = 5,
        InvalidDashboard = 6,
    };

    // Gives the widget to show an error on; the window builds it with the first error.
    using WidgetProvider = std::function<ui::ErrorWidget*()>;

    explicit ErrorHandler(ui::ErrorWidget* widget, QObject* parent = nullptr);
    explicit ErrorHandler(WidgetProvider widgetProvider, QObject* parent = nullptr);

    void report(int code, ui::ErrorWidget::ActionCallback callback);
    void report(int code, ui::ErrorWidget::ActionCallback callback, const QString& argument);
    void report(int code, ui::ErrorWidget::ActionCallback callback, const QString& argument1,
                const QString& argument2);

    // The fixed catalogue, in code order; an unknown code gives entry 0.
    static const QList<ErrorEntry_t>& catalogue();
    static QString actionText(ui::ErrorAction_e action);

private:
    void show(int code, ui::ErrorWidget::ActionCallback callback, const QStringList& arguments);

    WidgetProvider m_widgetProvider;
};

} // namespace tessivar
