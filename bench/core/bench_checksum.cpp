// The system's checksum against Qt's own (qChecksum, ISO 3309) on the same bytes: a
// 10 MB file as a transfer checks it whole, and the 2 KiB values of stored blocks.
// Both must agree; the figures are MB/s and their ratio.

#include "core/Checksum.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <tuple>

namespace {

// The best of five rounds of `rounds` calls, in MB/s.
double megabytesPerSecond(const QByteArray& data, int rounds, const std::function<quint16(QByteArrayView)>& sum,
                          quint32& sink)
{
    qint64 best = std::numeric_limits<qint64>::max();
    for (int attempt = 0; attempt < 5; ++attempt) {
        QElapsedTimer timer;
        timer.start();
        for (int round = 0; round < rounds; ++round)
            sink += sum(data);
        best = std::min(best, timer.nsecsElapsed());
    }
    return double(data.size()) * rounds / (double(best) / 1e9) / 1e6;
}

} // namespace

int main()
{
    QByteArray file(10 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator generator(20948);
    generator.fillRange(reinterpret_cast<quint32*>(file.data()), file.size() / 4);
    const QByteArray value = file.left(2048);
    if (tessivar::checksum(file) != qChecksum(file, Qt::ChecksumIso3309)
        || tessivar::checksum(value) != qChecksum(value, Qt::ChecksumIso3309)) {
        std::fprintf(stderr, "The checksums disagree\n");
        return 1;
    }
    const auto ours = [](QByteArrayView data) { return tessivar::checksum(data); };
    const auto qts = [](QByteArrayView data) { return qChecksum(data, Qt::ChecksumIso3309); };
    quint32 sink = 0;
    for (const auto& [name, data, rounds] :
         {std::tuple{"10 MB file", file, 3}, std::tuple{"2 KiB value", value, 5000}}) {
        const double fast = megabytesPerSecond(data, rounds, ours, sink);
        const double baseline = megabytesPerSecond(data, rounds, qts, sink);
        std::printf("%-12s checksum %7.0f MB/s, qChecksum %7.0f MB/s, ratio %.2f\n", name, fast, baseline,
                    fast / baseline);
    }
    return sink == 42 ? 3 : 0; // keeps the sums from being optimised away
}
