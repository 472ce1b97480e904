#pragma once

#include <QQuickItem>
#include <QString>

namespace tessivar::ui {

// Native side of the about page: the versions and the licence text.
class AboutWidget : public QQuickItem
{
    Q_OBJECT

public:
    explicit AboutWidget(QQuickItem* parent = nullptr);

    Q_INVOKABLE QString getSoftwareVersion() const;
    // The Qt the program runs on, which may differ from the one it was built with.
    Q_INVOKABLE QString getQtVersion() const;
    // The whole licence, or empty when the resource cannot be read.
    Q_INVOKABLE QString getLgplText() const;
};

} // namespace tessivar::ui
