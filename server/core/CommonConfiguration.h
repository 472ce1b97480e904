#pragma once

#include "core/DeviceData.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <QVersionNumber>

#include <memory>

namespace tessivar {

// Settings that every program of the system has, under the group "common" of the
// "config" file. Nothing is cached: every getter reads the file's settings object and
// every setter writes, syncs, records the writing version and notifies.
class CommonConfiguration : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int Port READ Port WRITE setPort NOTIFY PortChanged)
    Q_PROPERTY(QString DeviceName READ DeviceName WRITE setDeviceName NOTIFY DeviceNameChanged)
    Q_PROPERTY(bool LogDebug READ LogDebug WRITE setLogDebug NOTIFY LogDebugChanged)
    Q_PROPERTY(bool ShowTutorial READ ShowTutorial WRITE setShowTutorial NOTIFY ShowTutorialChanged)

public:
    static constexpr int kDefaultPort = 20948;

    // Opens the INI file at filePath ("config" in the working directory for the program).
    explicit CommonConfiguration(const QString& filePath, QObject* parent = nullptr);
    ~CommonConfiguration() override;

    // Path of the settings file of a program: the working directory's "config".
    static QString defaultFilePath();

    int Port() const;
    void setPort(int value);
    NetworkDeviceId_t DeviceId() const;
    void setDeviceId(const NetworkDeviceId_t& value);
    // Whether an identifier is stored (DeviceId() makes a new one up when none is).
    bool HasDeviceId() const;
    QString DeviceName() const;
    void setDeviceName(const QString& value);
    QVersionNumber SoftwareVersion() const;
    void setSoftwareVersion(const QVersionNumber& value);
    // Whether "SoftwareVersion" is in the file at all (SoftwareVersion() falls back to this build).
    bool StoresSoftwareVersion() const;
    bool FirstLaunch() const;
    void setFirstLaunch(bool value);
    bool LogDebug() const;
    void setLogDebug(bool value);
    QList<DeviceData_t> KnownDevices() const;
    void setKnownDevices(const QList<DeviceData_t>& value);
    QByteArray DeviceConnections() const;
    void setDeviceConnections(const QByteArray& value);
    bool ShowTutorial() const;
    void setShowTutorial(bool value);

    Q_INVOKABLE bool isParameterAvailable(const QString& paramKey) const;

    // Removes stored parameters older than their minimum version; false if any was.
    bool checkParameterVersions();

    // A new 32-hex-digit device identifier.
    static NetworkDeviceId_t generateDeviceId();

    // "%1/%2" of group and key, as recorded in ParameterVersions.
    static QString parameterName(const QString& group, const QString& key);
    QMap<QString, QVersionNumber> ParameterVersions() const;

    QSettings::Status status() const;
    QString fileName() const;

    // While a batch is open, setters store and notify as usual but the file is synced
    // once, when the last open batch closes: each sync rewrites the whole file and waits
    // for the disk. For a run of writes that nothing reads from the file in between.
    class WriteBatch
    {
    public:
        explicit WriteBatch(CommonConfiguration& configuration);
        ~WriteBatch();
        WriteBatch(const WriteBatch&) = delete;
        WriteBatch& operator=(const WriteBatch&) = delete;

    private:
        CommonConfiguration& m_configuration;
    };

Q_SIGNALS:
    void PortChanged(int newValue);
    void DeviceIdChanged(const NetworkDeviceId_t& newValue);
    void DeviceNameChanged(const QString& newValue);
    void SoftwareVersionChanged(const QVersionNumber& newValue);
    void FirstLaunchChanged(bool newValue);
    void LogDebugChanged(bool newValue);
    void KnownDevicesChanged(const QList<DeviceData_t>& newValue);
    void DeviceConnectionsChanged(const QByteArray& newValue);
    void ShowTutorialChanged(bool newValue);

protected:
    // Every type this file stores, known by name before the file is first read.
    static void registerStoredTypes();
    QVariant readValue(const QString& group, const QString& key, const QVariant& defaultValue) const;
    void writeValue(const QString& group, const QString& key, const QVariant& value);

    template<typename T> T read(const QString& group, const QString& key, const T& defaultValue) const
    {
        return convertTo<T>(readValue(group, key, QVariant::fromValue(defaultValue)));
    }

    template<typename T> static T convertTo(QVariant value)
    {
        const QMetaType wanted = QMetaType::fromType<T>();
        if (value.metaType() == wanted)
            return value.value<T>();
        if (value.convert(wanted))
            return value.value<T>();
        return T();
    }

    void sync();

    const QString m_commonGroup = QStringLiteral("common");
    const QString m_appGroup = QStringLiteral("app");
    QMap<QString, QVersionNumber> m_minimumParameterVersions;
    std::unique_ptr<QSettings> m_settings;
    const QString& m_group = m_commonGroup;
    QMap<QString, bool> m_parameterAvailability;
    int m_openBatches = 0;
    bool m_syncPending = false;
};

template<> QVersionNumber CommonConfiguration::convertTo<QVersionNumber>(QVariant value);

} // namespace tessivar
