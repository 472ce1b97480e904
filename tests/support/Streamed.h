#pragma once

#include "core/ApplicationConstants.h"

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>

namespace tessivar::test {

// A value as the program writes it: QDataStream, version 19.
template<typename T> QByteArray streamed(const T& value)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(kDataStreamVersion);
    stream << value;
    return bytes;
}

// The value that Qt reads from such bytes.
template<typename T> T readStreamed(const QByteArray& bytes)
{
    T value{};
    QDataStream stream(bytes);
    stream.setVersion(kDataStreamVersion);
    stream >> value;
    return value;
}

} // namespace tessivar::test
