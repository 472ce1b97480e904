#pragma once

#include <QList>
#include <QString>

namespace tessivar {

// One file a client needs to display a data class, with its ISO 3309 CRC-16.
struct ModuleDataFileInfo_t {
    QString fileName;
    quint16 crc = 0;

    bool operator==(const ModuleDataFileInfo_t& other) const
    {
        return fileName == other.fileName && crc == other.crc;
    }
};

// A module data class and every client file it needs, in catalogue order.
struct ModuleDataClassInfo_t {
    QString classId;
    QList<ModuleDataFileInfo_t> files;

    bool operator==(const ModuleDataClassInfo_t& other) const
    {
        return classId == other.classId && files == other.files;
    }
};

} // namespace tessivar
