#include "modules/ModuleSource.h"

#include "modules/sdk/TessivarModuleInfo.h"
#include "modules/sdk/TessivarModuleInstance.h"
#include "modules/sdk/TessivarModuleInstanceData.h"
#include "modules/sdk/TessivarModuleInstancePrivate.h"
#include "modules/sdk/TessivarPropertyMap.h"

#include <QColor>

const QList<QPair<QString, QVariant>>& ModuleSource::DefaultClientParameters()
{
    static const QList<QPair<QString, QVariant>> defaults{
        {QStringLiteral("TessivarModuleTitlePosition"), 0},
        {QStringLiteral("TessivarModuleTitle"), QString()},
        {QStringLiteral("TessivarModuleTitleSize"), 20},
        {QStringLiteral("TessivarModuleTitleStyle"), 0},
        {QStringLiteral("TessivarModuleTitleColor"), QColor(Qt::black)},
        {QStringLiteral("TessivarModuleBackgroundType"), 0},
        {QStringLiteral("TessivarModuleBackgroundColor"), QColor(Qt::black)},
    };
    return defaults;
}

ModuleSource::ModuleSource(const ModuleRecord& record, std::unique_ptr<TessivarModuleInstance> instance,
                           bool fromStorage, QObject* parent)
    : QObject(parent)
    , m_record(record)
{
    if (!instance || !instance->instanceData())
        qFatal("ModuleSource needs a module instance with its data");
    qRegisterMetaType<ModuleSource*>("ModuleSource*");
    m_instance = std::move(instance);
    ConnectInstance();
    // The defaults go in together, as the stored values do after them.
    static const QVariantMap defaults = [] {
        QVariantMap map;
        for (const auto& [key, value] : DefaultClientParameters())
            map.insert(key, value);
        return map;
    }();
    m_instance->instanceData()->clientParameters()->loadVariantMap(defaults);
    if (fromStorage)
        RestoreStoredValues(record);
    m_constructing = false;
    CopyInstanceValuesToRecord();
}

ModuleSource::~ModuleSource()
{
    m_instance.reset();
}

void ModuleSource::ConnectInstance()
{
    TessivarModuleInstanceData* data = m_instance->instanceData();
    connect(data->localParameters(), &TessivarPropertyMap::valueChanged, this, &ModuleSource::onLocalParameterChanged);
    connect(data->clientParameters(), &TessivarPropertyMap::valueChanged, this,
            &ModuleSource::onClientParameterChanged);
    connect(data->clientData(), &TessivarPropertyMap::valueChanged, this, &ModuleSource::onClientDataChanged);
    connect(m_instance->signalSource(), &TessivarModuleInstancePrivate::notificationSent, this,
            &ModuleSource::onNotificationSent);
}

void ModuleSource::RestoreStoredValues(const ModuleRecord& record)
{
    TessivarModuleInstanceData* data = m_instance->instanceData();
    data->clientParameters()->loadVariantMap(record.GetClientParameters());
    data->clientData()->loadVariantMap(record.GetClientData());
    data->localParameters()->loadVariantMap(record.GetLocalParameters());
    data->onReload();
}

void ModuleSource::CopyInstanceValuesToRecord()
{
    // Only values that differ are written, so a block restored unchanged writes nothing.
    const TessivarModuleInstanceData* data = m_instance->instanceData();
    const QVariantMap clientParameters = data->clientParameters()->toVariantMap();
    for (auto it = clientParameters.cbegin(); it != clientParameters.cend(); ++it)
        m_record.SetClientParameter(it.key(), it.value());
    const QVariantMap localParameters = data->localParameters()->toVariantMap();
    for (auto it = localParameters.cbegin(); it != localParameters.cend(); ++it)
        m_record.SetLocalParameter(it.key(), it.value());
}

void ModuleSource::SetCreationRequestId(BlockCreationRequestId_t requestId)
{
    m_creationRequestId = requestId;
    m_state = CreationRequested;
}

void ModuleSource::SetBlockId(BlockId_t blockId)
{
    m_record.SetBlockId(blockId);
    Activate();
}

void ModuleSource::Activate()
{
    m_state = Active;
    const TessivarModuleInstanceData* data = m_instance->instanceData();
    Q_EMIT blockParametersUpdated(GetBlockId(), GetDeviceId(), data->clientParameters()->toVariantMap());
    Q_EMIT blockDataUpdated(GetBlockId(), GetDeviceId(), data->clientData()->toVariantMap());
    Q_EMIT connectedChanged();
}

void ModuleSource::Deactivate()
{
    m_state = Inactive;
    Q_EMIT connectedChanged();
}

void ModuleSource::SetDeviceId(const NetworkDeviceId_t& deviceId)
{
    m_record.SetDeviceId(deviceId);
}

void ModuleSource::ProcessData(const QVariantMap& data)
{
    m_instance->processData(data);
}

void ModuleSource::RemoveFromStorage()
{
    m_record.Remove();
}

QString ModuleSource::GetModuleTitle() const
{
    const QString localTitle = m_instance->instanceData()->getLocalTitle();
    return localTitle.isEmpty() ? m_record.GetDescription() : localTitle;
}

void ModuleSource::SetModuleTitle(const QString& title)
{
    if (title == GetModuleTitle())
        return;
    m_instance->instanceData()->setLocalTitle(title);
    Q_EMIT moduleTitleChanged();
    Q_EMIT blockModified();
}

TessivarModuleInfoData* ModuleSource::GetMetaData() const
{
    const TessivarModuleInfo* info = m_instance->moduleInfo();
    return info ? info->data() : nullptr;
}

void ModuleSource::onLocalParameterChanged(QString key, QVariant value)
{
    if (m_constructing)
        return;
    if (key == TessivarModuleInstanceData::kLocalTitleKey)
        Q_EMIT moduleTitleChanged();
    m_record.SetLocalParameter(key, value);
}

void ModuleSource::onClientParameterChanged(QString key, QVariant value)
{
    if (m_constructing)
        return;
    m_record.SetClientParameter(key, value);
    Q_EMIT blockParametersUpdated(GetBlockId(), GetDeviceId(), QVariantMap{{key, value}});
}

void ModuleSource::onClientDataChanged(QString key, QVariant value)
{
    if (m_state != Active || value == m_record.GetClientData().value(key))
        return;
    Q_EMIT blockDataUpdated(GetBlockId(), GetDeviceId(), QVariantMap{{key, value}});
}

void ModuleSource::onNotificationSent(QString text, int duration)
{
    if (m_state == Active)
        Q_EMIT notificationSent(text, duration, GetDeviceId());
}

QDebug operator<<(QDebug debug, const ModuleSource& source)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "ModuleSource[BlockId=" << source.GetBlockId() << ", DeviceId=" << source.GetDeviceId()
                    << ", State=" << int(source.GetState()) << ", CreationRequestId=" << source.GetCreationRequestId()
                    << ", Title=" << source.GetModuleTitle() << ']';
    return debug;
}
