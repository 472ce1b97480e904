// The reading of a ".dsx" file the user imports: the whole content as the importer
// hands it to the decoder, which must refuse what it cannot read without crashing,
// recursing without bound or allocating what the file merely announces.

#include "transfer/DashboardFile.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace {

void discardMessages(QtMsgType, const QMessageLogContext&, const QString&)
{
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler(discardMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tessivar::transfer;
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    // The input as a whole file, and as the payload of a file with the right checksum:
    // a mutated byte almost always breaks the checksum, which would keep the fuzzer away
    // from the entries, where the maps are.
    DashboardFile::decodeFile(input);
    const DashboardFile::Read_t read = DashboardFile::decodeFile(DashboardFile::encodeFile(input));
    if (!read.error.isEmpty())
        return 0;
    // What was read writes back to a file that reads the same.
    const DashboardFile::Read_t again
        = DashboardFile::decodeFile(DashboardFile::encodeFile(DashboardFile::encodePayload(read.entries)));
    if (!again.error.isEmpty() || again.entries.size() != read.entries.size())
        __builtin_trap();
    return 0;
}
