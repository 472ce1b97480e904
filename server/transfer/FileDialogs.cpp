#include "transfer/FileDialogs.h"

#include <QFileDialog>

namespace tessivar::transfer {

QString DesktopFileDialogs::getSaveFileName(const QString& title, const QString& folder, const QString& filter)
{
    return QFileDialog::getSaveFileName(nullptr, title, folder, filter);
}

QString DesktopFileDialogs::getOpenFileName(const QString& title, const QString& folder, const QString& filter)
{
    return QFileDialog::getOpenFileName(nullptr, title, folder, filter);
}

} // namespace tessivar::transfer
