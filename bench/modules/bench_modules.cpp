// LoadModules for 1000 stored blocks beside 0 blocks and beside reading the same files
// with a plain QDataStream; one client parameter change written through beside one
// plain QSaveFile write. Runs in a temporary working folder; prints times and ratios.

#include "core/ApplicationConstants.h"
#include "core/Configuration.h"
#include "modules/ModuleList.h"
#include "modules/ModuleRecord.h"
#include "modules/ModuleSource.h"
#include "modules/PluginManager.h"
#include "modules/sdk/TessivarModuleInstance.h"
#include "modules/sdk/TessivarModuleInstanceData.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kStoredBlocks = 1000;
constexpr int kLoadRounds = 5;
constexpr int kEmptyLoadRounds = 200;
constexpr int kParameterChanges = 40;
const QString kPlugin = QStringLiteral("com.tessivar.test");
const QString kEcho = QStringLiteral("com.tessivar.test.echo");

void dropMessages(QtMsgType, const QMessageLogContext&, const QString&)
{
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double millisecondsOf(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

void writePlain(const QString& path, const QVariant& value)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QDataStream out(&file);
    out.setVersion(tessivar::kDataStreamVersion);
    out << value;
}

// QFile::copy syncs every file to disk; a copy for the set-up need not.
void copyPlain(const QString& from, const QString& to)
{
    QFile source(from);
    QFile target(to);
    if (source.open(QIODevice::ReadOnly) && target.open(QIODevice::WriteOnly | QIODevice::Truncate))
        target.write(source.readAll());
}

// One block as the server stores it, then copied (without the per-file sync of the
// server's writes, which would make the set-up take minutes) and re-signed under
// every other id.
void storeBlocks(PluginManager& plugins, int count)
{
    ModuleRecord record;
    record.SetPluginId(kPlugin);
    record.SetModuleId(kEcho);
    record.SetModuleDataClass(kEcho);
    record.SetDeviceId(QStringLiteral("0123456789abcdef0123456789abcdef"));
    record.SetDescription(QStringLiteral("Echo"));
    record.SetGeometry(QRectF(10, 20, 200, 100));
    record.SetProfiles({0, 1});
    ModuleSource source(record, plugins.InstantiateModule(kPlugin, kEcho), false);
    source.SetBlockId(1);
    const QString root = tessivar::moduleDirectory();
    const QDir first(root + QStringLiteral("1"));
    QStringList files;
    QDirIterator it(first.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(first.relativeFilePath(it.next()));
    for (int id = 2; id <= count; ++id) {
        const QDir copy(root + QString::number(id));
        for (const QString& file : std::as_const(files)) {
            QDir().mkpath(QFileInfo(copy.filePath(file)).absolutePath());
            copyPlain(first.filePath(file), copy.filePath(file));
        }
        const ModuleRecord copied(copy.path());
        writePlain(copy.filePath(QStringLiteral("crc")), QVariant::fromValue<ushort>(copied.ComputeCrc()));
    }
}

// What any program pays to read the same files: one QVariant from each.
int readAllPlain()
{
    int values = 0;
    QDirIterator it(tessivar::moduleDirectory(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QDataStream in(&file);
        in.setVersion(tessivar::kDataStreamVersion);
        QVariant value;
        in >> value;
        values += value.isValid() ? 1 : 0;
    }
    return values;
}

double loadModulesMs(PluginManager& plugins, int expectedBlocks)
{
    ModuleList list;
    const double ms = millisecondsOf([&] { list.LoadModules(plugins); });
    if (list.rowCount() != expectedBlocks)
        std::fprintf(stderr, "expected %d blocks, loaded %d\n", expectedBlocks, list.rowCount());
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid() || !QDir::setCurrent(folder.path()))
        return 1;
    QDir().mkpath(QStringLiteral("plugins/test"));
    QFile::copy(QStringLiteral(TESSIVAR_TEST_PLUGIN), QStringLiteral("plugins/test/") + tessivar::pluginFileName());
    tessivar::Configuration configuration(folder.filePath(QStringLiteral("config")));
    PluginManager plugins(configuration);
    // The load logs five lines per block; the figures are for the work, not the log.
    qInstallMessageHandler(dropMessages);
    plugins.LoadPlugins();
    if (plugins.GetPlugins().isEmpty()) {
        std::fprintf(stderr, "the test plugin did not load\n");
        return 1;
    }
    QTextStream out(stdout);

    QDir().mkpath(tessivar::moduleDirectory());
    std::vector<double> empty;
    for (int round = 0; round < kEmptyLoadRounds; ++round)
        empty.push_back(loadModulesMs(plugins, 0));

    storeBlocks(plugins, kStoredBlocks);
    std::vector<double> full;
    std::vector<double> plain;
    for (int round = 0; round < kLoadRounds; ++round) {
        full.push_back(loadModulesMs(plugins, kStoredBlocks));
        plain.push_back(millisecondsOf([] { readAllPlain(); }));
    }
    const double emptyMs = median(empty);
    const double fullMs = median(full);
    const double plainMs = median(plain);
    out << "LoadModules, 0 blocks:              " << emptyMs << " ms (median of " << kEmptyLoadRounds << ")\n";
    out << "LoadModules, " << kStoredBlocks << " blocks:           " << fullMs << " ms (median of " << kLoadRounds
        << "), " << fullMs * 1000.0 / kStoredBlocks << " us per block\n";
    out << "  ratio to 0 blocks:                " << fullMs / emptyMs << "\n";
    out << "Plain QDataStream read, same files: " << plainMs << " ms\n";
    out << "  LoadModules / plain read:         " << fullMs / plainMs << "\n";

    // One client parameter change of a live, stored block, from the instance to the disk.
    ModuleList list;
    list.LoadModules(plugins);
    ModuleSource* block = list.get(0).value<ModuleSource*>();
    block->Activate();
    TessivarModuleInstanceData* data = block->GetInstance()->instanceData();
    std::vector<double> change;
    for (int i = 0; i < kParameterChanges; ++i)
        change.push_back(millisecondsOf([&] { data->setClientParameter(QStringLiteral("Text"), QString::number(i)); }));
    std::vector<double> bare;
    const QString barePath = folder.filePath(QStringLiteral("bare"));
    for (int i = 0; i < kParameterChanges; ++i) {
        bare.push_back(millisecondsOf([&] {
            QSaveFile file(barePath);
            file.open(QIODevice::WriteOnly);
            QDataStream stream(&file);
            stream.setVersion(tessivar::kDataStreamVersion);
            stream << QVariant(QString::number(i));
            file.commit();
        }));
    }
    const double changeMs = median(change);
    const double bareMs = median(bare);
    out << "Client parameter change written through: " << changeMs << " ms (median of " << kParameterChanges << ")\n";
    out << "One bare QSaveFile write of a value:      " << bareMs << " ms\n";
    out << "  ratio:                                  " << changeMs / bareMs << "\n";

    return 0;
}
