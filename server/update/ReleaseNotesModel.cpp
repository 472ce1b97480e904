#include "update/ReleaseNotesModel.h"

#include "core/Logging.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <optional>

namespace tessivar::update {

namespace {

std::optional<device::ApplicationType_e> applicationFromName(const QString& name)
{
    if (name == QLatin1String("client"))
        return device::ApplicationType_e::Client;
    if (name == QLatin1String("server"))
        return device::ApplicationType_e::Server;
    return std::nullopt;
}

template<typename T, typename Parse> QList<T> namesToValues(const QJsonValue& names, Parse parse)
{
    QList<T> values;
    for (const QJsonValue& name : names.toArray()) {
        if (const auto value = parse(name.toString()))
            values.append(*value);
    }
    return values;
}

QVariantList notesOf(const QJsonValue& notes)
{
    QVariantList result;
    for (const QJsonValue& value : notes.toArray()) {
        const QJsonObject object = value.toObject();
        ReleaseNote_t note;
        note.BugFix = object.value(QLatin1String("BugFix")).toBool();
        note.Note = object.value(QLatin1String("Note")).toString();
        result.append(QVariant::fromValue(note));
    }
    return result;
}

} // namespace

ReleaseNotesModel::ReleaseNotesModel(QObject* parent)
    : ReleaseNotesModel(QString::fromLatin1(kResourcePath), device::ApplicationType_e::Server,
                        device::ApplicationPlatform_e::Windows, parent)
{
}

ReleaseNotesModel::ReleaseNotesModel(const QString& filePath, device::ApplicationType_e application,
                                     device::ApplicationPlatform_e platform, QObject* parent)
    : QAbstractListModel(parent)
    , m_application(application)
    , m_platform(platform)
{
    qRegisterMetaType<ReleaseNote_t>("ReleaseNote_t");
    qRegisterMetaType<ApplicationReleaseInformation_t>("ApplicationReleaseInformation_t");
    load(filePath);
}

void ReleaseNotesModel::load(const QString& filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcUpdate) << "Failed to load JSON release notes" << filePath << file.errorString();
        return;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (!document.isArray() || document.array().isEmpty()) {
        qCWarning(lcUpdate) << "Invalid JSON release notes" << error.errorString();
        return;
    }
    for (const QJsonValue& element : document.array())
        addEntry(element.toObject());
}

void ReleaseNotesModel::addEntry(const QJsonObject& element)
{
    const auto applications
        = namesToValues<device::ApplicationType_e>(element.value(QLatin1String("Applications")), applicationFromName);
    const auto platforms = namesToValues<device::ApplicationPlatform_e>(element.value(QLatin1String("Platforms")),
                                                                        device::applicationPlatformFromName);
    if (!applications.contains(m_application) || !platforms.contains(m_platform))
        return;

    const QString version = element.value(QLatin1String("Version")).toString();
    const QVariantList notes = notesOf(element.value(QLatin1String("Notes")));
    for (int row = 0; row < m_entries.size(); ++row) {
        if (m_entries[row].Version == version) {
            m_entries[row].Notes.append(notes);
            return;
        }
    }
    ApplicationReleaseInformation_t information;
    information.Version = version;
    information.Date = QDate::fromString(element.value(QLatin1String("Date")).toString(), Qt::ISODate);
    information.Notes = notes;
    m_entries.append(information);
}

int ReleaseNotesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant ReleaseNotesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_entries.size())
        return {};
    const ApplicationReleaseInformation_t& entry = m_entries[index.row()];
    switch (role) {
    case VersionRole:
    case Qt::DisplayRole:
        return entry.Version;
    case DateRole:
        return entry.Date;
    case NotesRole:
        return entry.Notes;
    default:
        return {};
    }
}

QHash<int, QByteArray> ReleaseNotesModel::roleNames() const
{
    return {{VersionRole, "Version"}, {DateRole, "Date"}, {NotesRole, "Notes"}};
}

ApplicationReleaseInformation_t ReleaseNotesModel::get(int row) const
{
    return row >= 0 && row < m_entries.size() ? m_entries[row] : ApplicationReleaseInformation_t{};
}

const QList<ApplicationReleaseInformation_t>& ReleaseNotesModel::entries() const
{
    return m_entries;
}

} // namespace tessivar::update
