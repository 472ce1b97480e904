#pragma once

#include "core/DeviceTypes.h"
#include "update/ReleaseNote.h"

#include <QAbstractListModel>
#include <QJsonObject>
#include <QList>
#include <QString>

namespace tessivar::update {

// The release notes compiled into the program, one row per version in file order,
// limited to the entries for this application on this platform.
class ReleaseNotesModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        VersionRole = Qt::UserRole + 1,
        DateRole,
        NotesRole,
    };

    static constexpr const char* kResourcePath = ":/release-notes.json";

    // The desktop server on the platform it announces to devices.
    explicit ReleaseNotesModel(QObject* parent = nullptr);
    ReleaseNotesModel(const QString& filePath, device::ApplicationType_e application,
                      device::ApplicationPlatform_e platform, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // An invalid (empty) entry outside the list.
    Q_INVOKABLE tessivar::update::ApplicationReleaseInformation_t get(int row) const;
    const QList<ApplicationReleaseInformation_t>& entries() const;

private:
    void load(const QString& filePath);
    void addEntry(const QJsonObject& element);

    device::ApplicationType_e m_application;
    device::ApplicationPlatform_e m_platform;
    QList<ApplicationReleaseInformation_t> m_entries;
};

} // namespace tessivar::update
