#pragma once

#include <QDebug>
#include <QList>
#include <QString>

// One entry of the data-class catalogue that the server announces to devices: the
// data class and every file a client needs to show it.
struct ModuleDataClassInfo_t {
    struct FileInfo_t {
        QString fileName; // the name under which the client stores the file
        quint16 fileCrc = 0; // CRC-16 (ISO 3309) of the whole content

        bool operator==(const FileInfo_t& other) const
        {
            return fileName == other.fileName && fileCrc == other.fileCrc;
        }
    };

    QString classId;
    QList<FileInfo_t> fileList;

    bool operator==(const ModuleDataClassInfo_t& other) const
    {
        return classId == other.classId && fileList == other.fileList;
    }
};

inline QDebug operator<<(QDebug debug, const ModuleDataClassInfo_t& info)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "ModuleDataClassInfo_t[ClassId=" << info.classId << ", Files=(";
    for (qsizetype i = 0; i < info.fileList.size(); ++i)
        debug << (i ? ", " : "") << info.fileList[i].fileName << ':' << info.fileList[i].fileCrc;
    debug << ")]";
    return debug;
}
