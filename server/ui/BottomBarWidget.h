#pragma once

#include <QQuickItem>
#include <QVersionNumber>

namespace tessivar::ui {

// Native side of the bottom bar: offers the download of a newer version once one is
// announced.
class BottomBarWidget : public QQuickItem
{
    Q_OBJECT
    Q_PROPERTY(bool updateAvailable READ updateAvailable NOTIFY updateAvailableChanged)
    Q_PROPERTY(QString availableVersion READ availableVersion NOTIFY updateAvailableChanged)

public:
    explicit BottomBarWidget(QQuickItem* parent = nullptr);

    bool updateAvailable() const;
    QString availableVersion() const;

public Q_SLOTS:
    void setAvailableVersion(const QVersionNumber& version);

Q_SIGNALS:
    void updateDownloadButtonClicked();
    void updateAvailableChanged();

private:
    QVersionNumber m_availableVersion;
};

} // namespace tessivar::ui
