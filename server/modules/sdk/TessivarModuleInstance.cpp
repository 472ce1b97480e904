#include "TessivarModuleInstance.h"

#include "TessivarModuleInstancePrivate.h"

TessivarModuleInstance::TessivarModuleInstance(TessivarModuleInstanceData* data)
    : m_data(data)
    , m_private(std::make_unique<TessivarModuleInstancePrivate>())
{
}

TessivarModuleInstance::~TessivarModuleInstance() = default;

void TessivarModuleInstance::processData(const QVariantMap&)
{
}

void TessivarModuleInstance::sendNotification(const QString& text, int duration)
{
    Q_EMIT m_private->notificationSent(text, duration);
}
