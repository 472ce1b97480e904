#pragma once

#include "core/LenientListStream.h"

#include <QDataStream>
#include <QList>
#include <QMetaType>
#include <QString>

// A plugin folder that the user disabled, with the folder's signature at that time.
struct DisabledPlugin_t {
    QString folderName;
    QString signature;

    bool operator==(const DisabledPlugin_t& other) const
    {
        return folderName == other.folderName && signature == other.signature;
    }
};

inline QDataStream& operator<<(QDataStream& out, const DisabledPlugin_t& plugin)
{
    return out << plugin.folderName << plugin.signature;
}

inline QDataStream& operator>>(QDataStream& in, DisabledPlugin_t& plugin)
{
    return in >> plugin.folderName >> plugin.signature;
}

inline QDataStream& operator>>(QDataStream& in, QList<DisabledPlugin_t>& list)
{
    return tessivar::readListLeniently(in, list);
}

Q_DECLARE_METATYPE(DisabledPlugin_t)
