#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QVariantMap>

#include <optional>

// Nearly every map on the wire holds only booleans, numbers and strings: a press, a
// text, a state. Such a map is written and read here directly in the layout that
// QDataStream (version 19) gives it, byte for byte, without the stream and buffer
// objects that cost more than the map itself. Anything else is left to QDataStream.
namespace tessivar::communication::PlainMapStream {

// The stream bytes of a map whose values are all booleans, 32- or 64-bit integers,
// doubles or strings; nothing when it holds any other value.
std::optional<QByteArray> Write(const QVariantMap& map);

// The map such bytes hold, as QDataStream reads it (bytes after the map are ignored
// there too); nothing when they hold another type, a null-flagged value, a repeated
// key or anything not well formed, all of which the caller leaves to QDataStream.
std::optional<QVariantMap> Read(QByteArrayView data);

} // namespace tessivar::communication::PlainMapStream
