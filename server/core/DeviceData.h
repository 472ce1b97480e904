#pragma once

#include "core/LenientListStream.h"
#include "core/DeviceTypes.h"

#include <QDataStream>
#include <QHostAddress>
#include <QList>
#include <QMetaType>
#include <QVersionNumber>

// The record of one device; also what "KnownDevices" stores.
struct DeviceData_t {
    tessivar::device::NetworkDeviceId_t id;
    QString name;
    tessivar::device::ApplicationType_e applicationType = tessivar::device::ApplicationType_e::Unknown;
    QVersionNumber version;
    QHostAddress address;
    bool known = false;

    bool operator==(const DeviceData_t& other) const
    {
        return id == other.id && name == other.name && applicationType == other.applicationType
            && version == other.version && address == other.address && known == other.known;
    }
};

// Stored order: id, name, version, address, known, applicationType.
inline QDataStream& operator<<(QDataStream& out, const DeviceData_t& data)
{
    out << data.id << data.name << data.version << data.address << data.known
        << static_cast<qint32>(data.applicationType);
    return out;
}

// The version is read segment by segment (the same bytes as QVersionNumber's own
// operator) because Qt's reader reserves memory for whatever segment count a damaged
// value announces.
inline QDataStream& operator>>(QDataStream& in, DeviceData_t& data)
{
    QList<int> segments;
    qint32 type = 0;
    in >> data.id >> data.name;
    tessivar::readListLeniently(in, segments);
    in >> data.address >> data.known >> type;
    data.version = QVersionNumber(std::move(segments));
    data.applicationType = static_cast<tessivar::device::ApplicationType_e>(type);
    return in;
}

// A truncated stored list gives the records read before the damage.
inline QDataStream& operator>>(QDataStream& in, QList<DeviceData_t>& list)
{
    return tessivar::readListLeniently(in, list);
}

// Outside any namespace so that the stored type name is "QList<DeviceData_t>".
Q_DECLARE_METATYPE(DeviceData_t)
