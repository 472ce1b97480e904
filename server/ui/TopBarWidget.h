#pragma once

#include <QQuickItem>
#include <QVersionNumber>

namespace tessivar::ui {

// Native side of the window's top bar: the version shown and the window buttons.
class TopBarWidget : public QQuickItem
{
    Q_OBJECT

public:
    explicit TopBarWidget(QQuickItem* parent = nullptr);

    // Shows the version as major.minor.micro; a missing segment shows as 0.
    void setVersion(const QVersionNumber& version);
    static QString versionText(const QVersionNumber& version);

Q_SIGNALS:
    void minimizeButtonClicked();
    void closeButtonClicked();
};

} // namespace tessivar::ui
