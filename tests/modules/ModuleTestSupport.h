#pragma once

#include "core/Configuration.h"
#include "modules/PluginManager.h"
#include "support/TestWorkingFolder.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

namespace tessivar::test {

// Copies a built test plugin library to "plugins/<folder>/" of the working directory.
bool installPlugin(const QString& libraryPath, const QString& folder);

// A stored value read and written the way any other program would: one QVariant per
// file, QDataStream version 19.
QVariant readStoredValue(const QString& path);
bool writeStoredValue(const QString& path, const QVariant& value);

// Every file below `folder` (relative paths), sorted.
QStringList filesBelow(const QString& folder);
// Sets the modification time of every file below `folder`, to see later which changed.
void ageFiles(const QString& folder, const QDateTime& time);
QStringList filesChangedSince(const QString& folder, const QDateTime& time);

// A working folder with the test plugin installed and loaded, and the settings file.
struct PluginEnvironment {
    PluginEnvironment();

    TestWorkingFolder folder;
    std::unique_ptr<Configuration> configuration;
    std::unique_ptr<PluginManager> plugins;
};

} // namespace tessivar::test
