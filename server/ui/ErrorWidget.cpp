#include "ui/ErrorWidget.h"

namespace tessivar::ui {

ErrorWidget::ErrorWidget(QQuickItem* parent)
    : QQuickItem(parent)
{
}

void ErrorWidget::setActionCallback(ActionCallback callback)
{
    m_callback = std::move(callback);
}

void ErrorWidget::closeWindow()
{
    runAndHide(ErrorAction_e::Ok);
}

void ErrorWidget::selectAction(ErrorAction_e action)
{
    runAndHide(action);
}

void ErrorWidget::runAndHide(ErrorAction_e action)
{
    // Moved out first: the callback may report the next error, which installs its own.
    ActionCallback callback = std::move(m_callback);
    m_callback = nullptr;
    setVisible(false);
    if (callback)
        callback(action);
}

} // namespace tessivar::ui
