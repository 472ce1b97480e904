#pragma once

#include "TestPeer.h"

#include "core/ModuleTypes.h"

#include <QList>
#include <QProcess>

#include <optional>

namespace tessivar::test {

// The real program from the build tree, started with "--minimized" in the current
// working folder; its own output is dropped (it logs into "log/").
bool startRealServer(QProcess& server);
// SIGKILL, and wait until it is gone.
bool killNine(QProcess& server);
// Connects as soon as the server listens, greets it and registers; the block ids of the
// server's ModuleList answer, or nothing when the server does not get that far.
std::optional<QList<BlockId_t>> registerWithRealServer(TestPeer& peer, quint16 port, const QProcess& server,
                                                       int timeoutMs = 30000);
// The peak resident set of a running process in kilobytes ("VmHWM"), 0 if unknown.
qint64 peakResidentKb(const QProcess& process);

struct KillNineFigures {
    int kills = 0;
    int changes = 0;
    int blocksLost = 0;
    int valuesTorn = 0;
    int staleChecksums = 0;
    void print() const;
};

} // namespace tessivar::test
