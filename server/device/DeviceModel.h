#pragma once

#include "core/DeviceData.h"

#include <QObject>
#include <QString>

class QDebug;

namespace tessivar::device {

// The observable state of a remote device, as the user interface binds to it.
// Data fields notify on every call, so that a repeated announcement refreshes the view;
// the two live flags notify only on a real change.
class DeviceModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(NetworkDeviceId_t id READ GetId NOTIFY IdChanged)
    Q_PROPERTY(QString name READ GetName NOTIFY NameChanged)
    Q_PROPERTY(QString address READ GetAddressText NOTIFY AddressChanged)
    Q_PROPERTY(QString version READ GetVersionText NOTIFY VersionChanged)
    Q_PROPERTY(bool connected READ IsConnected NOTIFY ConnectedChanged)
    Q_PROPERTY(bool registered READ IsRegistered NOTIFY RegisteredChanged)
    Q_PROPERTY(bool known READ IsKnown NOTIFY KnownChanged)
    // While the server asks for approval of new devices: not yet decided, or refused.
    Q_PROPERTY(bool waitingForApproval READ IsWaitingForApproval NOTIFY ApprovalChanged)
    Q_PROPERTY(bool refused READ IsRefused NOTIFY ApprovalChanged)

public:
    enum class Approval_e { Approved, Waiting, Refused };

    explicit DeviceModel(QObject* parent = nullptr);

    const DeviceData_t& GetData() const { return m_data; }
    const NetworkDeviceId_t& GetId() const { return m_data.id; }
    const QString& GetName() const { return m_data.name; }
    ApplicationType_e GetApplicationType() const { return m_data.applicationType; }
    const QHostAddress& GetAddress() const { return m_data.address; }
    QString GetAddressText() const;
    const QVersionNumber& GetVersion() const { return m_data.version; }
    // The version's text, or "Unknown" while no real version is known (none, or 0.x).
    QString GetVersionText() const;
    bool IsConnected() const { return m_connected; }
    bool IsRegistered() const { return m_registered; }
    bool IsKnown() const { return m_data.known; }
    Approval_e GetApproval() const { return m_approval; }
    bool IsWaitingForApproval() const { return m_approval == Approval_e::Waiting; }
    bool IsRefused() const { return m_approval == Approval_e::Refused; }

    void SetId(const NetworkDeviceId_t& id);
    void SetName(const QString& name);
    void SetApplicationType(ApplicationType_e type);
    void SetAddress(const QHostAddress& address);
    void SetVersion(const QVersionNumber& version);
    void SetConnected(bool connected);
    void SetRegistered(bool registered);
    void SetKnown(bool known);
    void SetApproval(Approval_e approval);

Q_SIGNALS:
    void IdChanged();
    void NameChanged();
    void ApplicationTypeChanged();
    void AddressChanged();
    void VersionChanged();
    void ConnectedChanged();
    void RegisteredChanged();
    void KnownChanged();
    void ApprovalChanged();

private:
    DeviceData_t m_data;
    bool m_connected = false;
    bool m_registered = false;
    Approval_e m_approval = Approval_e::Approved;
};

QDebug operator<<(QDebug debug, const DeviceModel& model);

} // namespace tessivar::device
