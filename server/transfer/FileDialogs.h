#pragma once

#include <QString>

namespace tessivar::transfer {

// Where the user picks a file. The desktop's dialogs in the program; tests answer
// with a path directly.
class IFileDialogs
{
public:
    virtual ~IFileDialogs() = default;
    // Empty when the user cancels.
    virtual QString getSaveFileName(const QString& title, const QString& folder, const QString& filter) = 0;
    virtual QString getOpenFileName(const QString& title, const QString& folder, const QString& filter) = 0;
};

// QFileDialog's own dialogs.
class DesktopFileDialogs : public IFileDialogs
{
public:
    QString getSaveFileName(const QString& title, const QString& folder, const QString& filter) override;
    QString getOpenFileName(const QString& title, const QString& folder, const QString& filter) override;
};

} // namespace tessivar::transfer
