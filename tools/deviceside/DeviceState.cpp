#include "DeviceState.h"

#include <QStandardPaths>
#include <QUuid>

#include <algorithm>

namespace tessivar::devicecli {

namespace {
const QString kIdKey = QStringLiteral("Device/Id");
QString blocksGroup(const QString& id)
{
    return QStringLiteral("Blocks-%1").arg(id);
}
} // namespace

DeviceState::DeviceState(const QString& filePath)
    : m_settings(std::make_unique<QSettings>(filePath.isEmpty() ? defaultFilePath() : filePath, QSettings::IniFormat))
{
}

DeviceState::~DeviceState() = default;

QString DeviceState::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Tessivar/tessivar-device.ini");
}

QString DeviceState::filePath() const
{
    return m_settings->fileName();
}

QString DeviceState::storedId()
{
    QString id = m_settings->value(kIdKey).toString();
    if (id.isEmpty()) {
        // 32 lowercase hexadecimal characters, the form of the identifiers devices use.
        id = QUuid::createUuid().toString(QUuid::Id128);
        m_settings->setValue(kIdKey, id);
        m_settings->sync();
    }
    return id;
}

void DeviceState::useId(const QString& id)
{
    m_id = id;
}

const QString& DeviceState::id() const
{
    return m_id;
}

QVariant DeviceState::value(const QString& key, const QVariant& fallback) const
{
    return m_settings->value(key, fallback);
}

void DeviceState::setValue(const QString& key, const QVariant& value)
{
    m_settings->setValue(key, value);
    m_settings->sync();
}

QMap<quint32, QString> DeviceState::blocks() const
{
    QMap<quint32, QString> blocks;
    m_settings->beginGroup(blocksGroup(m_id));
    for (const QString& key : m_settings->childKeys()) {
        bool ok = false;
        const quint32 blockId = key.toUInt(&ok);
        if (ok)
            blocks.insert(blockId, m_settings->value(key).toString());
    }
    m_settings->endGroup();
    return blocks;
}

void DeviceState::addBlock(quint32 blockId, const QString& dataClass)
{
    m_settings->setValue(blocksGroup(m_id) + QLatin1Char('/') + QString::number(blockId), dataClass);
    m_settings->sync();
}

void DeviceState::removeBlock(quint32 blockId)
{
    m_settings->remove(blocksGroup(m_id) + QLatin1Char('/') + QString::number(blockId));
    m_settings->sync();
}

quint32 DeviceState::nextBlockId(const QList<quint32>& alsoTaken) const
{
    quint32 highest = 0;
    for (quint32 blockId : blocks().keys())
        highest = std::max(highest, blockId);
    for (quint32 blockId : alsoTaken)
        highest = std::max(highest, blockId);
    return highest + 1;
}

} // namespace tessivar::devicecli
