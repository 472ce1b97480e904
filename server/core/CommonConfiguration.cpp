#include "core/CommonConfiguration.h"

#include "core/ApplicationConstants.h"
#include "core/ApplicationPaths.h"
#include "core/DisabledPlugin.h"
#include "core/Logging.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QHostInfo>
#include <QMetaEnum>
#include <QNetworkInterface>
#include <QRandomGenerator>

namespace tessivar {

namespace {

const QString kParameterVersionsKey = QStringLiteral("ParameterVersions");

// A file that QSettings cannot parse is kept beside it before anything is written
// back, so that a damaged "config" is never silently replaced.
void keepUnreadableFile(const QString& filePath)
{
    const QString copy = filePath + QStringLiteral(".unreadable");
    QFile::remove(copy);
    if (QFile::copy(filePath, copy))
        qCWarning(lcCore) << "Unreadable settings kept as" << copy;
}

} // namespace

CommonConfiguration::CommonConfiguration(const QString& filePath, QObject* parent)
    : QObject(parent)
{
    // QSettings turns a stored value back into a QVariant by its type's name, once for
    // the whole file at the first read: every stored type must be known by name before
    // then, or a fresh process reads such values as empty.
    registerStoredTypes();
    m_settings = std::make_unique<QSettings>(filePath, QSettings::IniFormat);

    if (m_settings->status() != QSettings::NoError) {
        const char* statusName = QMetaEnum::fromType<QSettings::Status>().valueToKey(m_settings->status());
        qCDebug(lcCore).noquote() << "Settings error " << statusName << " in " << m_settings->fileName();
        if (m_settings->status() == QSettings::FormatError)
            keepUnreadableFile(filePath);
    } else {
        qCDebug(lcCore) << "Settings file opened:" << m_settings->fileName();
    }
}

CommonConfiguration::~CommonConfiguration() = default;

void CommonConfiguration::registerStoredTypes()
{
    qRegisterMetaType<QVersionNumber>("QVersionNumber");
    qRegisterMetaType<DeviceData_t>("DeviceData_t");
    qRegisterMetaType<QList<DeviceData_t>>("QList<DeviceData_t>");
    qRegisterMetaType<DisabledPlugin_t>("DisabledPlugin_t");
    qRegisterMetaType<QList<DisabledPlugin_t>>("QList<DisabledPlugin_t>");
}

QString CommonConfiguration::defaultFilePath()
{
    return ApplicationPaths::instance().settingsFilePath();
}

QSettings::Status CommonConfiguration::status() const
{
    return m_settings->status();
}

QString CommonConfiguration::fileName() const
{
    return m_settings->fileName();
}

QString CommonConfiguration::parameterName(const QString& group, const QString& key)
{
    return QStringLiteral("%1/%2").arg(group, key);
}

QVariant CommonConfiguration::readValue(const QString& group, const QString& key, const QVariant& defaultValue) const
{
    m_settings->beginGroup(group);
    const QVariant value = m_settings->value(key, defaultValue);
    m_settings->endGroup();
    return value;
}

void CommonConfiguration::writeValue(const QString& group, const QString& key, const QVariant& value)
{
    m_settings->beginGroup(group);
    m_settings->setValue(key, value);
    m_settings->endGroup();

    // One sync for the value and its version: each sync rewrites the whole file and
    // waits for the disk.
    QVariantMap versions = m_settings->value(kParameterVersionsKey).toMap();
    versions.insert(parameterName(group, key), QVariant::fromValue(softwareVersion()));
    m_settings->setValue(kParameterVersionsKey, versions);
    if (m_openBatches > 0)
        m_syncPending = true;
    else
        sync();
}

void CommonConfiguration::sync()
{
    m_syncPending = false;
    m_settings->sync();
    if (m_settings->status() == QSettings::AccessError)
        qCWarning(lcCore) << "Settings not written to" << m_settings->fileName();
}

CommonConfiguration::WriteBatch::WriteBatch(CommonConfiguration& configuration)
    : m_configuration(configuration)
{
    ++m_configuration.m_openBatches;
}

CommonConfiguration::WriteBatch::~WriteBatch()
{
    if (--m_configuration.m_openBatches == 0 && m_configuration.m_syncPending)
        m_configuration.sync();
}

template<> QVersionNumber CommonConfiguration::convertTo<QVersionNumber>(QVariant value)
{
    if (value.metaType() == QMetaType::fromType<QVersionNumber>())
        return value.value<QVersionNumber>();
    // A version typed into the file by hand arrives as text.
    if (value.metaType() == QMetaType::fromType<QString>())
        return QVersionNumber::fromString(value.toString());
    return QVersionNumber();
}

QMap<QString, QVersionNumber> CommonConfiguration::ParameterVersions() const
{
    QMap<QString, QVersionNumber> versions;
    const QVariantMap stored = m_settings->value(kParameterVersionsKey).toMap();
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        versions.insert(it.key(), convertTo<QVersionNumber>(it.value()));
    return versions;
}

int CommonConfiguration::Port() const
{
    return read<int>(m_commonGroup, QStringLiteral("Port"), kDefaultPort);
}

void CommonConfiguration::setPort(int value)
{
    writeValue(m_commonGroup, QStringLiteral("Port"), value);
    Q_EMIT PortChanged(value);
}

bool CommonConfiguration::HasDeviceId() const
{
    m_settings->beginGroup(m_commonGroup);
    const bool stored = m_settings->contains(QStringLiteral("DeviceId"));
    m_settings->endGroup();
    return stored;
}

NetworkDeviceId_t CommonConfiguration::DeviceId() const
{
    // Generating is not free (it walks the interfaces), so only for a missing key.
    if (!HasDeviceId())
        return generateDeviceId();
    return read<QString>(m_commonGroup, QStringLiteral("DeviceId"), QString());
}

void CommonConfiguration::setDeviceId(const NetworkDeviceId_t& value)
{
    writeValue(m_commonGroup, QStringLiteral("DeviceId"), value);
    Q_EMIT DeviceIdChanged(value);
}

QString CommonConfiguration::DeviceName() const
{
    return read<QString>(m_commonGroup, QStringLiteral("DeviceName"), QHostInfo::localHostName());
}

void CommonConfiguration::setDeviceName(const QString& value)
{
    writeValue(m_commonGroup, QStringLiteral("DeviceName"), value);
    Q_EMIT DeviceNameChanged(value);
}

QVersionNumber CommonConfiguration::SoftwareVersion() const
{
    return read<QVersionNumber>(m_commonGroup, QStringLiteral("SoftwareVersion"), softwareVersion());
}

bool CommonConfiguration::StoresSoftwareVersion() const
{
    return m_settings->contains(parameterName(m_commonGroup, QStringLiteral("SoftwareVersion")));
}

void CommonConfiguration::setSoftwareVersion(const QVersionNumber& value)
{
    writeValue(m_commonGroup, QStringLiteral("SoftwareVersion"), QVariant::fromValue(value));
    Q_EMIT SoftwareVersionChanged(value);
}

bool CommonConfiguration::FirstLaunch() const
{
    return read<bool>(m_commonGroup, QStringLiteral("FirstLaunch"), true);
}

void CommonConfiguration::setFirstLaunch(bool value)
{
    writeValue(m_commonGroup, QStringLiteral("FirstLaunch"), value);
    Q_EMIT FirstLaunchChanged(value);
}

bool CommonConfiguration::LogDebug() const
{
    return read<bool>(m_commonGroup, QStringLiteral("LogDebug"), false);
}

void CommonConfiguration::setLogDebug(bool value)
{
    writeValue(m_commonGroup, QStringLiteral("LogDebug"), value);
    Q_EMIT LogDebugChanged(value);
}

QList<DeviceData_t> CommonConfiguration::KnownDevices() const
{
    return read<QList<DeviceData_t>>(m_commonGroup, QStringLiteral("KnownDevices"), {});
}

void CommonConfiguration::setKnownDevices(const QList<DeviceData_t>& value)
{
    writeValue(m_commonGroup, QStringLiteral("KnownDevices"), QVariant::fromValue(value));
    Q_EMIT KnownDevicesChanged(value);
}

QByteArray CommonConfiguration::DeviceConnections() const
{
    return read<QByteArray>(m_commonGroup, QStringLiteral("DeviceConnections"), QByteArray());
}

void CommonConfiguration::setDeviceConnections(const QByteArray& value)
{
    writeValue(m_commonGroup, QStringLiteral("DeviceConnections"), value);
    Q_EMIT DeviceConnectionsChanged(value);
}

bool CommonConfiguration::ShowTutorial() const
{
    return read<bool>(m_commonGroup, QStringLiteral("ShowTutorial"), true);
}

void CommonConfiguration::setShowTutorial(bool value)
{
    writeValue(m_commonGroup, QStringLiteral("ShowTutorial"), value);
    Q_EMIT ShowTutorialChanged(value);
}

bool CommonConfiguration::isParameterAvailable(const QString& paramKey) const
{
    return m_parameterAvailability.value(paramKey, true);
}

bool CommonConfiguration::checkParameterVersions()
{
    bool allValid = true;
    const QMap<QString, QVersionNumber> recorded = ParameterVersions();
    for (auto it = m_minimumParameterVersions.cbegin(); it != m_minimumParameterVersions.cend(); ++it) {
        QString problem;
        if (!recorded.contains(it.key())) {
            problem = QStringLiteral("Parameter %1 version incompatible. Current: Undefined. Minimum: %2.")
                          .arg(it.key(), it.value().toString());
        } else {
            const QVersionNumber current = recorded.value(it.key());
            qCDebug(lcCore) << "Current version:" << current;
            if (current < it.value())
                problem = QStringLiteral("Parameter %1 version incompatible. Current: %2. Minimum: %3.")
                              .arg(it.key(), current.toString(), it.value().toString());
        }
        if (problem.isEmpty())
            continue;
        allValid = false;
        qCDebug(lcCore).noquote() << problem;
        m_settings->remove(it.key());
        m_settings->sync();
    }

    qCDebug(lcCore) << "----------------------";
    qCDebug(lcCore) << "----- PARAMETERS -----";
    qCDebug(lcCore) << "----------------------";
    const QStringList keys = m_settings->allKeys();
    for (const QString& key : keys) {
        const QVariant value = m_settings->value(key);
        if (value.canConvert<QString>())
            qCDebug(lcCore).noquote() << key << ":" << value.toString();
    }
    return allValid;
}

NetworkDeviceId_t CommonConfiguration::generateDeviceId()
{
    QCryptographicHash hash(QCryptographicHash::Md5);
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& networkInterface : interfaces)
        hash.addData(networkInterface.hardwareAddress().toLocal8Bit());
    hash.addData(QByteArray::number(QDateTime::currentMSecsSinceEpoch()));
    QRandomGenerator generator;
    hash.addData(QByteArray::number(generator.generate64()));
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace tessivar
