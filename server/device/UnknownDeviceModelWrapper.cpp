#include "device/UnknownDeviceModelWrapper.h"

#include "device/DeviceModel.h"

#include <QDebug>

namespace tessivar::device {

UnknownDeviceModelWrapper::UnknownDeviceModelWrapper(const NetworkDeviceId_t& id, QObject* parent)
    : QObject(parent)
    , m_id(id)
{
}

QString UnknownDeviceModelWrapper::GetName() const
{
    return m_model ? m_model->GetName() : QString();
}

void UnknownDeviceModelWrapper::SetModel(DeviceModel* model)
{
    if (m_hasModel)
        qFatal("UnknownDeviceModelWrapper::SetModel: cannot override model");
    m_hasModel = true;
    m_model = model;
    connect(model, &DeviceModel::NameChanged, this, &UnknownDeviceModelWrapper::NameChanged);
    Q_EMIT NameChanged();
}

QDebug operator<<(QDebug debug, const UnknownDeviceModelWrapper& wrapper)
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "UnknownDeviceModelWrapper[Id=" << wrapper.GetId() << ", Name=" << wrapper.GetName()
                              << "]";
    return debug;
}

} // namespace tessivar::device
