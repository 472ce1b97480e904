#pragma once

#include <QString>

namespace tessivar::transfer {

// Names that a device chooses become folder and file names on the server: they are
// reduced to one plain path component that cannot leave the folder it is meant for.

// A longer name is cut; no file system needs more to tell devices or files apart.
inline constexpr int kMaxReceivedNameLength = 120;

// The folder of a device's logs and settings: the device's name made safe; when
// nothing is left of it, the device id made safe; then "unknown".
QString deviceFolderName(const QString& deviceName, const QString& deviceId);

// The last path component of `name` (after "/" or "\\", without a drive letter),
// with characters no file system accepts replaced; empty when nothing usable is left
// ("", ".", "..").
QString plainFileName(const QString& name);

} // namespace tessivar::transfer
