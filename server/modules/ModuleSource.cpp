#include "modules/ModuleSource.h"

#include "modules/sdk/TessivarModuleInfo.h"
#include "modules/sdk/TessivarModuleInstance.h"
#include "modules/sdk/TessivarModuleInstanceData.h"
#include "modules/sdk/TessivarModuleInstancePrivate.h"
#include "modules/sdk/TessivarPropertyMap.h"

#include <QColor>
#include <QFileInfo>
#include <QRegularExpression>

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

namespace {

// Makes `map` hold `saved` exactly; false if it already did.
bool restoreMap(TessivarPropertyMap& map, const QVariantMap& saved)
{
    if (map.toVariantMap() == saved)
        return false;
    const QStringList keys = map.keys();
    for (const QString& key : keys)
        if (!saved.contains(key))
            map.removeValue(key);
    map.loadVariantMap(saved);
    return true;
}

// A module may react to a restored value by changing others (an icon read from its
// file, a path derived from a URL); a few rounds put those back too.
constexpr int kRestoreRounds = 3;

} // namespace

void ModuleSource::RestoreParameters(const QVariantMap& localParameters, const QVariantMap& clientParameters)
{
    TessivarModuleInstanceData* data = m_instance->instanceData();
    const QVariantMap sent = data->clientParameters()->toVariantMap();
    const QString title = GetModuleTitle();
    m_restoring = true;
    for (int round = 0; round < kRestoreRounds; ++round) {
        const bool localChanged = restoreMap(*data->localParameters(), localParameters);
        const bool clientChanged = restoreMap(*data->clientParameters(), clientParameters);
        if (!localChanged && !clientChanged)
            break;
    }
    m_restoring = false;
    m_record.SetLocalParameters(localParameters);
    m_record.SetClientParameters(clientParameters);
    QVariantMap changed;
    for (auto it = clientParameters.cbegin(); it != clientParameters.cend(); ++it)
        if (sent.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    if (!changed.isEmpty())
        Q_EMIT blockParametersUpdated(GetBlockId(), GetDeviceId(), changed);
    if (GetModuleTitle() != title)
        Q_EMIT moduleTitleChanged();
    Q_EMIT displayNameChanged();
}

namespace {

// Long enough to tell blocks apart, short enough for one row.
constexpr qsizetype kSummaryLength = 48;

QString shortened(QString text)
{
    text = text.simplified();
    if (text.size() > kSummaryLength)
        text = text.left(kSummaryLength - 1).trimmed() + QChar(0x2026);
    return text;
}

QString plainText(QString html)
{
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    html.replace(QStringLiteral("<br>"), QStringLiteral(" "), Qt::CaseInsensitive);
    html.remove(tags);
    html.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
    html.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    html.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    html.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return html;
}

// The parameter that tells blocks of the standard modules apart: the text of a text
// block, the program of a shortcut, the address of a web page, the zone of a clock.
QString mainParameterSummary(const TessivarModuleInstanceData& data)
{
    const QString text = plainText(data.getClientParameter(QStringLiteral("Text")).toString());
    if (!text.trimmed().isEmpty())
        return shortened(text);
    const QString program = data.getLocalParameter(QStringLiteral("ProgramPath")).toString();
    if (!program.isEmpty())
        return shortened(QFileInfo(program).fileName());
    const QString url = data.getLocalParameter(QStringLiteral("URL")).toString().trimmed();
    if (!url.isEmpty())
        return shortened(url);
    const QString area = data.getLocalParameter(QStringLiteral("TimeZoneArea")).toString();
    if (!area.isEmpty())
        return shortened(area.section(QLatin1Char('/'), -1).replace(QLatin1Char('_'), QLatin1Char(' ')));
    return {};
}

} // namespace

QString ModuleSource::GetDisplayName() const
{
    const TessivarModuleInstanceData* data = m_instance->instanceData();
    const QString localTitle = data->getLocalTitle().trimmed();
    if (!localTitle.isEmpty())
        return localTitle;
    const QString shownTitle = data->getClientParameter(QStringLiteral("TessivarModuleTitle")).toString().trimmed();
    if (!shownTitle.isEmpty())
        return shortened(shownTitle);
    const QString summary = mainParameterSummary(*data);
    return summary.isEmpty() ? m_record.GetDescription() : summary;
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
    if (m_constructing || m_restoring)
        return;
    if (key == TessivarModuleInstanceData::kLocalTitleKey)
        Q_EMIT moduleTitleChanged();
    m_record.SetLocalParameter(key, value);
    Q_EMIT displayNameChanged();
}

void ModuleSource::onClientParameterChanged(QString key, QVariant value)
{
    if (m_constructing || m_restoring)
        return;
    m_record.SetClientParameter(key, value);
    Q_EMIT blockParametersUpdated(GetBlockId(), GetDeviceId(), QVariantMap{{key, value}});
    Q_EMIT displayNameChanged();
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
