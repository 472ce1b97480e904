#pragma once

#include "core/DeviceTypes.h"
#include "core/ModuleTypes.h"
#include "modules/ModuleRecord.h"
#include "modules/sdk/TessivarModuleInfoData.h"

#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>

class TessivarModuleInstance;

// One block: its stored record joined with the live module instance a plugin made for
// it. Changes inside the instance are stored in the record and turned into signals
// that the module list forwards to the block's device.
class ModuleSource : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString moduleTitle READ GetModuleTitle WRITE SetModuleTitle NOTIFY moduleTitleChanged)
    Q_PROPERTY(bool connected READ IsConnected NOTIFY connectedChanged)
    Q_PROPERTY(TessivarModuleInfoData* metaData READ GetMetaData NOTIFY metaDataChanged)
    Q_PROPERTY(NetworkDeviceId_t deviceId READ GetDeviceId NOTIFY deviceIdChanged)
    // What tells the block apart in the list: the title given to it, else a short
    // summary of its main parameter, else the module's name.
    Q_PROPERTY(QString displayName READ GetDisplayName NOTIFY displayNameChanged)

public:
    enum State_e {
        New = 0,               // not yet announced to a device
        CreationRequested = 1, // waiting for the device to create the block
        Inactive = 2,          // the device is away or did not list the block
        Active = 3,            // live on its device: data and notifications flow
    };
    Q_ENUM(State_e)

    // Client parameters every block has, with their defaults, in this order.
    static const QList<QPair<QString, QVariant>>& DefaultClientParameters();

    // `instance` must not be null. A block from storage gets the stored values back
    // (defaults only for keys the stored maps lack); a new block's record takes the
    // instance's parameters.
    ModuleSource(const ModuleRecord& record, std::unique_ptr<TessivarModuleInstance> instance, bool fromStorage,
                 QObject* parent = nullptr);
    ~ModuleSource() override;

    BlockId_t GetBlockId() const { return m_record.GetBlockId(); }
    NetworkDeviceId_t GetDeviceId() const { return m_record.GetDeviceId(); }
    BlockCreationRequestId_t GetCreationRequestId() const { return m_creationRequestId; }
    const ModuleRecord& GetRecord() const { return m_record; }
    TessivarModuleInstance* GetInstance() const { return m_instance.get(); }
    State_e GetState() const { return m_state; }

    void SetCreationRequestId(BlockCreationRequestId_t requestId);
    // The device accepted the block under this id: the record is stored, the block goes live.
    void SetBlockId(BlockId_t blockId);
    void Activate();
    void Deactivate();
    void SetDeviceId(const NetworkDeviceId_t& deviceId);
    void ProcessData(const QVariantMap& data);
    void RemoveFromStorage();
    // Puts the block back as it was: the instance's maps and the stored record hold
    // exactly these maps again (keys added since are removed), and the device gets the
    // client parameters that changed in one update.
    void RestoreParameters(const QVariantMap& localParameters, const QVariantMap& clientParameters);

    QString GetModuleTitle() const;
    void SetModuleTitle(const QString& title);
    bool IsConnected() const { return m_state == Active; }
    TessivarModuleInfoData* GetMetaData() const;
    QString GetDisplayName() const;

Q_SIGNALS:
    void blockParametersUpdated(BlockId_t blockId, NetworkDeviceId_t deviceId, QVariantMap parameters);
    void blockDataUpdated(BlockId_t blockId, NetworkDeviceId_t deviceId, QVariantMap data);
    void notificationSent(QString text, int duration, NetworkDeviceId_t targetDevice);
    void blockModified();
    void moduleTitleChanged();
    void connectedChanged();
    void metaDataChanged();
    void deviceIdChanged();
    void displayNameChanged();

public Q_SLOTS:
    void onLocalParameterChanged(QString key, QVariant value);
    void onClientParameterChanged(QString key, QVariant value);
    void onClientDataChanged(QString key, QVariant value);
    void onNotificationSent(QString text, int duration);

private:
    void ConnectInstance();
    void RestoreStoredValues(const ModuleRecord& record);
    void CopyInstanceValuesToRecord();

    ModuleRecord m_record;
    std::unique_ptr<TessivarModuleInstance> m_instance;
    BlockCreationRequestId_t m_creationRequestId = kNoCreationRequest;
    State_e m_state = New;
    // While the constructor sets defaults and restores stored values, the instance's
    // change signals are not turned into writes and signals; the record is brought
    // in line once at the end instead.
    bool m_constructing = true;
    // While RestoreParameters runs, changes are neither stored nor sent one by one.
    bool m_restoring = false;
};

QDebug operator<<(QDebug debug, const ModuleSource& source);
