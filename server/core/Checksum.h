#pragma once

#include <QByteArrayView>
#include <QtGlobal>

namespace tessivar {

// The one checksum of the system: CRC-16 of ISO 3309 (X.25), the value qChecksum
// gives with Qt::ChecksumIso3309, computed eight bytes at a time.
quint16 checksum(QByteArrayView data);

} // namespace tessivar
