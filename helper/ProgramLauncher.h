#pragma once

#include <QString>
#include <QStringList>

namespace tessivar::helper {

// Starts a program that lies beside the helper, from the helper's folder, after offering
// to restart an instance that already runs. False when nothing was started.
bool launchProgram(const QString& executableFileName, const QString& displayName, const QStringList& arguments);

} // namespace tessivar::helper
