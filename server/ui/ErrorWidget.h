#pragma once

#include "ui/ErrorAction.h"

#include <QQuickItem>

#include <functional>

namespace tessivar::ui {

// Native side of the error popup. The QML file declares the properties errorTitle,
// errorDescription, errorCode, errorActions and errorActionDescriptions that the error
// handler fills; this class keeps the callback of the error shown.
class ErrorWidget : public QQuickItem
{
    Q_OBJECT

public:
    using ActionCallback = std::function<void(ErrorAction_e)>;

    explicit ErrorWidget(QQuickItem* parent = nullptr);

    // Replaces the callback of an error still shown.
    void setActionCallback(ActionCallback callback);

    Q_INVOKABLE void closeWindow();
    Q_INVOKABLE void selectAction(tessivar::ui::ErrorAction_e action);

private:
    void runAndHide(ErrorAction_e action);

    ActionCallback m_callback;
};

} // namespace tessivar::ui
