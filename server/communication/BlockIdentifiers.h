#pragma once

#include <QtGlobal>

namespace tessivar {

// Identifier under which a device knows a block; travels as decimal text.
using BlockId_t = quint32;

// Identifier of a pending block creation; -1 while none was requested.
using BlockCreationRequestId_t = qint32;

// What a device answers to a block registration ("RegisterStatus").
// Any 16-bit value can arrive from a peer; the named ones are those it may send.
enum class BlockCreationStatus_e : quint16 {
    Created = 0,
    IncompatibleVersion = 1,
    ModuleNotAvailable = 2,
    NotCreated = 3,
    Failed = 4,
};

} // namespace tessivar
