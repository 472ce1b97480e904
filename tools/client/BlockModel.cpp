#include "BlockModel.h"

#include "communication/JsonValues.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

#include <cmath>

namespace tessivar::client {

namespace {
const QString kTitle = QStringLiteral("TessivarModuleTitle");
const QString kTitleColor = QStringLiteral("TessivarModuleTitleColor");
const QString kBackgroundColor = QStringLiteral("TessivarModuleBackgroundColor");
const QString kBackgroundType = QStringLiteral("TessivarModuleBackgroundType");

// Colours arrive as QColor or as text; anything else draws as the fallback.
QColor colorOf(const QVariant& value, const QColor& fallback)
{
    const QColor color = value.canConvert<QColor>() ? value.value<QColor>() : QColor(value.toString());
    return color.isValid() ? color : fallback;
}
} // namespace

BlockModel::BlockModel(const QString& layoutFile, QObject* parent)
    : QAbstractListModel(parent)
    , m_layoutFile(layoutFile)
{
}

int BlockModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_blocks.size());
}

QVariant BlockModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Block& block = m_blocks[static_cast<size_t>(index.row())];
    switch (role) {
    case IdRole:
        return block.id;
    case DataClassRole:
        return block.dataClass;
    case ProfileRole:
        return block.profile;
    case CellRole:
        return block.cell;
    case ZRole:
        return block.z;
    case ParametersRole:
        return block.parameters;
    case DataRole:
        return block.data;
    case WidgetUrlRole:
        return block.widgetUrl;
    case TitleRole:
        return block.parameters.value(kTitle).toString();
    case TitleColorRole:
        return colorOf(block.parameters.value(kTitleColor), QColor(Qt::transparent));
    case BackgroundColorRole:
        // Background type 0 is a plain colour; the others are drawn as the palette's surface.
        if (block.parameters.value(kBackgroundType).toInt() != 0)
            return QColor(Qt::transparent);
        return colorOf(block.parameters.value(kBackgroundColor), QColor(Qt::transparent));
    default:
        return {};
    }
}

QHash<int, QByteArray> BlockModel::roleNames() const
{
    return {{IdRole, "blockId"},
            {DataClassRole, "dataClass"},
            {ProfileRole, "profile"},
            {CellRole, "cell"},
            {ZRole, "stacking"},
            {ParametersRole, "parameters"},
            {DataRole, "blockData"},
            {WidgetUrlRole, "widgetUrl"},
            {TitleRole, "title"},
            {TitleColorRole, "titleColor"},
            {BackgroundColorRole, "backgroundColor"}};
}

QString BlockModel::layoutFile() const
{
    return m_layoutFile;
}

bool BlockModel::load()
{
    QFile file(m_layoutFile);
    if (!file.exists())
        return true;
    if (file.size() > kMaximumLayoutSize || !file.open(QIODevice::ReadOnly)) {
        qWarning() << "Cannot read the layout file" << m_layoutFile;
        return false;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (!document.isObject()) {
        qWarning() << "The layout file" << m_layoutFile << "is damaged:" << error.errorString();
        return false;
    }
    std::vector<Block> loaded;
    QSet<quint32> seen;
    for (const QJsonValue& value : document.object().value(QStringLiteral("Blocks")).toArray()) {
        const QJsonObject entry = value.toObject();
        const qint64 id = entry.value(QStringLiteral("Id")).toInteger(-1);
        const QString dataClass = entry.value(QStringLiteral("DataClass")).toString();
        if (id <= 0 || id > std::numeric_limits<quint32>::max() || dataClass.isEmpty() || seen.contains(quint32(id))) {
            qWarning() << "Skipping an invalid block of the layout file:" << entry;
            continue;
        }
        if (static_cast<int>(loaded.size()) >= kMaximumBlocks)
            break;
        Block block;
        block.id = static_cast<quint32>(id);
        block.dataClass = dataClass;
        block.profile = entry.value(QStringLiteral("Profile")).toString();
        if (block.profile.isEmpty())
            block.profile = kDefaultProfile;
        const QJsonArray cell = entry.value(QStringLiteral("Cell")).toArray();
        if (cell.size() == 4)
            block.cell = cellOf(QRectF(cell[0].toInt(), cell[1].toInt(), cell[2].toInt(1), cell[3].toInt(1)));
        block.z = entry.value(QStringLiteral("Z")).toInt();
        block.parameters = communication::JsonValues::ReadMap(entry.value(QStringLiteral("Parameters")));
        seen.insert(block.id);
        loaded.push_back(block);
    }
    QStringList profiles;
    for (const QJsonValue& value : document.object().value(QStringLiteral("Profiles")).toArray()) {
        const QString name = value.toString().left(kMaximumProfileNameLength);
        if (!name.isEmpty() && !profiles.contains(name) && profiles.size() < kMaximumProfiles)
            profiles.append(name);
    }
    for (const Block& block : loaded)
        if (!profiles.contains(block.profile))
            profiles.append(block.profile);
    if (profiles.isEmpty())
        profiles.append(kDefaultProfile);
    beginResetModel();
    m_blocks = std::move(loaded);
    endResetModel();
    m_profiles = profiles;
    Q_EMIT countChanged();
    Q_EMIT profilesChanged();
    return true;
}

bool BlockModel::save() const
{
    QJsonArray blocks;
    for (const Block& block : m_blocks)
        blocks.append(QJsonObject{
            {QStringLiteral("Id"), qint64(block.id)},
            {QStringLiteral("DataClass"), block.dataClass},
            {QStringLiteral("Profile"), block.profile},
            {QStringLiteral("Cell"),
             QJsonArray{block.cell.x(), block.cell.y(), block.cell.width(), block.cell.height()}},
            {QStringLiteral("Z"), block.z},
            {QStringLiteral("Parameters"), communication::JsonValues::WriteMap(block.parameters)},
        });
    QDir().mkpath(QFileInfo(m_layoutFile).absolutePath());
    QSaveFile file(m_layoutFile);
    const QByteArray content
        = QJsonDocument(QJsonObject{{QStringLiteral("Blocks"), blocks},
                                    {QStringLiteral("Profiles"), QJsonArray::fromStringList(m_profiles)}})
              .toJson();
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        qWarning() << "Cannot write the layout file" << m_layoutFile << file.errorString();
        return false;
    }
    return true;
}

const std::vector<BlockModel::Block>& BlockModel::blocks() const
{
    return m_blocks;
}

int BlockModel::rowOf(quint32 id) const
{
    for (size_t row = 0; row < m_blocks.size(); ++row)
        if (m_blocks[row].id == id)
            return static_cast<int>(row);
    return -1;
}

const BlockModel::Block* BlockModel::find(quint32 id) const
{
    const int row = rowOf(id);
    return row < 0 ? nullptr : &m_blocks[static_cast<size_t>(row)];
}

QList<quint32> BlockModel::ids() const
{
    QList<quint32> ids;
    for (const Block& block : m_blocks)
        ids.append(block.id);
    return ids;
}

QRect BlockModel::firstFreeCell(const QString& profile) const
{
    QSet<int> taken;
    for (const Block& block : m_blocks) {
        if (block.profile != profile)
            continue;
        for (int y = block.cell.top(); y <= block.cell.bottom(); ++y)
            for (int x = block.cell.left(); x <= block.cell.right(); ++x)
                taken.insert(y * kColumns + x);
    }
    int cell = 0;
    while (taken.contains(cell))
        ++cell;
    return QRect(cell % kColumns, cell / kColumns, 1, 1);
}

bool BlockModel::add(quint32 id, const QString& dataClass, const QString& profile, const QVariantMap& parameters,
                     const QVariantMap& data)
{
    Block block;
    block.id = id;
    block.dataClass = dataClass;
    block.profile = profile;
    block.cell = firstFreeCell(profile);
    block.parameters = parameters;
    block.data = data;
    return addAt(block);
}

bool BlockModel::addAt(const Block& block)
{
    if (rowOf(block.id) >= 0 || static_cast<int>(m_blocks.size()) >= kMaximumBlocks)
        return false;
    if (!m_profiles.contains(block.profile)) {
        if (m_profiles.size() >= kMaximumProfiles)
            return false;
        m_profiles.append(block.profile);
        Q_EMIT profilesChanged();
    }
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    m_blocks.push_back(block);
    endInsertRows();
    Q_EMIT countChanged();
    save();
    return true;
}

void BlockModel::remove(quint32 id)
{
    const int row = rowOf(id);
    if (row < 0)
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_blocks.erase(m_blocks.begin() + row);
    endRemoveRows();
    Q_EMIT countChanged();
    save();
}

void BlockModel::updateParameters(quint32 id, const QVariantMap& parameters)
{
    const int row = rowOf(id);
    if (row < 0)
        return;
    m_blocks[static_cast<size_t>(row)].parameters.insert(parameters);
    Q_EMIT dataChanged(index(row), index(row), {ParametersRole, TitleRole, TitleColorRole, BackgroundColorRole});
    save();
}

void BlockModel::updateData(quint32 id, const QVariantMap& data)
{
    const int row = rowOf(id);
    if (row < 0)
        return;
    m_blocks[static_cast<size_t>(row)].data.insert(data);
    Q_EMIT dataChanged(index(row), index(row), {DataRole});
}

void BlockModel::setWidgetUrl(const QString& dataClass, const QUrl& url)
{
    for (size_t row = 0; row < m_blocks.size(); ++row) {
        if (m_blocks[row].dataClass != dataClass || m_blocks[row].widgetUrl == url)
            continue;
        m_blocks[row].widgetUrl = url;
        Q_EMIT dataChanged(index(int(row)), index(int(row)), {WidgetUrlRole});
    }
}

int BlockModel::countOn(const QString& profile) const
{
    return static_cast<int>(std::count_if(m_blocks.cbegin(), m_blocks.cend(),
                                          [&profile](const Block& block) { return block.profile == profile; }));
}

QStringList BlockModel::profiles() const
{
    return m_profiles;
}

QRect BlockModel::cellOf(const QRectF& geometry)
{
    const auto whole = [](qreal value, int low, int high) {
        return std::clamp(static_cast<int>(std::lround(std::clamp(value, qreal(low), qreal(high)))), low, high);
    };
    const int column = whole(geometry.x(), 0, kColumns - 1);
    const int width = whole(geometry.width(), 1, kColumns - column);
    return QRect(column, whole(geometry.y(), 0, kMaximumRows - 1), width, whole(geometry.height(), 1, kMaximumHeight));
}

bool BlockModel::moveBlock(quint32 id, int column, int row, int width, int height)
{
    const int at = rowOf(id);
    if (at < 0)
        return false;
    const QRect cell = cellOf(QRectF(column, row, width, height));
    Block& block = m_blocks[static_cast<size_t>(at)];
    if (block.cell == cell)
        return true;
    block.cell = cell;
    Q_EMIT dataChanged(index(at), index(at), {CellRole});
    save();
    return true;
}

bool BlockModel::isValidNewProfileName(const QString& name) const
{
    if (name.trimmed().isEmpty() || name.size() > kMaximumProfileNameLength || m_profiles.contains(name)) {
        qWarning() << "Refused the profile name" << name << ": empty, too long or already taken";
        return false;
    }
    return true;
}

bool BlockModel::addProfile(const QString& name)
{
    if (m_profiles.size() >= kMaximumProfiles || !isValidNewProfileName(name))
        return false;
    m_profiles.append(name);
    Q_EMIT profilesChanged();
    save();
    return true;
}

bool BlockModel::renameProfile(const QString& name, const QString& newName)
{
    const qsizetype at = m_profiles.indexOf(name);
    if (at < 0 || !isValidNewProfileName(newName))
        return false;
    m_profiles[at] = newName;
    for (size_t row = 0; row < m_blocks.size(); ++row) {
        if (m_blocks[row].profile != name)
            continue;
        m_blocks[row].profile = newName;
        Q_EMIT dataChanged(index(int(row)), index(int(row)), {ProfileRole});
    }
    Q_EMIT profilesChanged();
    save();
    return true;
}

} // namespace tessivar::client
