#include "core/Configuration.h"

#include <QCoreApplication>
#include <QTextStream>

// Opens the given "config" as a freshly started program does and prints what it reads,
// so that a test sees the stored values through a process that did not write them.
int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc < 2)
        return 2;
    tessivar::Configuration configuration(QString::fromLocal8Bit(argv[1]));
    QTextStream out(stdout);
    // The program's first read, before any other type is touched.
    out << "LogDebug=" << configuration.LogDebug() << '\n';
    out << "SoftwareVersion=" << configuration.SoftwareVersion().toString() << '\n';
    const QMap<QString, QVersionNumber> versions = configuration.ParameterVersions();
    for (auto it = versions.cbegin(); it != versions.cend(); ++it)
        out << "Version " << it.key() << '=' << it.value().toString() << '\n';
    for (const DeviceData_t& device : configuration.KnownDevices())
        out << "KnownDevice " << device.id << '=' << device.version.toString() << '\n';
    return 0;
}
