#pragma once

#include <QByteArrayView>
#include <QDataStream>
#include <QString>
#include <QVersionNumber>

namespace tessivar {

// The running program's version: announced to devices and recorded per parameter.
inline const QVersionNumber& softwareVersion()
{
    static const QVersionNumber version = QVersionNumber::fromString(QStringLiteral("1.5.1"));
    return version;
}

// Every value the system streams (stored blocks, settings values, maps inside
// messages, export files) uses this one stream version.
inline constexpr QDataStream::Version kDataStreamVersion = QDataStream::Qt_5_15; // version 19

inline constexpr const char* kApplicationDisplayName = "Tessivar";
inline constexpr const char* kOrganisationName = "Tessivar";
inline constexpr const char* kOrganisationDomain = "tessivar.app";
inline constexpr const char* kApplicationName = "Tessivar Remote Dashboard";
inline constexpr const char* kPluginDirectory = "./plugins/";
inline constexpr const char* kModuleChecksumSuffix = "crc";

// The working directory's "modules/" folder, where blocks are stored.
QString moduleDirectory();

// The plugin library's file name inside each plugin folder ("plugin.dll" on Windows).
QString pluginFileName();

// Full path of tessivar-helper, beside the running program.
QString helperProgramPath();

} // namespace tessivar
