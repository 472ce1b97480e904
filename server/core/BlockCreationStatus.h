#pragma once

#include <QtGlobal>

// What a device answers to a block registration ("RegisterStatus").
// Any 16-bit value can arrive from a peer; the named ones are those it may send.
enum class BlockCreationStatus_e : quint16 {
    Created = 0,
    IncompatibleVersion = 1,
    ModuleNotAvailable = 2,
    NotCreated = 3,
    Failed = 4,
};
