#pragma once

#include <QDataStream>
#include <QList>

namespace tessivar {

// Reads a QDataStream list the way Qt writes it (count, then the items), but keeps
// what was read before a stream error and never reserves memory for the announced
// count: a stored or received list can be truncated or claim billions of entries.
template<typename T>
QDataStream& readListLeniently(QDataStream& in, QList<T>& list)
{
    list.clear();
    quint32 count = 0;
    in >> count;
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        T item;
        in >> item;
        if (in.status() != QDataStream::Ok)
            break;
        list.append(std::move(item));
    }
    return in;
}

} // namespace tessivar
