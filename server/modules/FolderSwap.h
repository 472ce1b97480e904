#pragma once

#include <QString>

#include <functional>

namespace tessivar {

// Replacing and removing stored entries and block folders so that an interruption
// (a crash, a power cut) leaves the old version or the new one, never a mix. A value
// that replaces a folder, or a folder that replaces anything, is written whole beside
// the old one and swapped in; a folder that goes is renamed aside first. The next
// write or load finishes what an interruption cut short.
class FolderSwap
{
public:
    // Writes the new version through `write` beside `path`, then swaps it in.
    static bool SwapIn(const QString& path, const std::function<bool(const QString&)>& write);
    // Completes a swap that an interruption cut short and clears what is left of one.
    static void FinishSwap(const QString& path);
    // Where the value of `path` is: the path itself, or its new version when an
    // interruption fell between the two renames of a swap (the new version was whole).
    static QString CurrentCopy(const QString& path);

    // The names beside an entry that a swap uses; no encoded key ends in them.
    static QString NewName(const QString& name);
    static QString OldName(const QString& name);
    static bool IsSwapName(const QString& name);
    // The entry that the swap leftover `name` at `path` stands for: the entry's name
    // when it is the whole new version of an interrupted swap, else empty.
    static QString StandsFor(const QString& path, const QString& name);

    // Removes an entry, renaming a folder aside first so that no partial folder stays
    // under its own name.
    static bool RemoveAside(const QString& path);
    static bool RemovePath(const QString& path);

    // Removes a block folder so that an interrupted removal never leaves a partial
    // block behind: it is first renamed to an unfinished-folder name.
    static bool RemoveFolder(const QString& folderPath);

    // Names of block folders that an interrupted write or removal left behind.
    static QString StagingName(const QString& folderName);
    static QString RemovalName(const QString& folderName);
    static bool IsUnfinishedFolderName(const QString& folderName);
    // The block folder name a staging folder was to be renamed to; empty for any other name.
    static QString StagedFolderTarget(const QString& folderName);
};

} // namespace tessivar
