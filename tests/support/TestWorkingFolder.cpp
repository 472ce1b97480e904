#include "support/TestWorkingFolder.h"

#include <QDir>

namespace tessivar::test {

TestWorkingFolder::TestWorkingFolder()
    : m_previous(QDir::currentPath())
{
    if (m_dir.isValid())
        QDir::setCurrent(m_dir.path());
}

TestWorkingFolder::~TestWorkingFolder()
{
    QDir::setCurrent(m_previous);
}

bool TestWorkingFolder::isValid() const
{
    return m_dir.isValid() && QDir::currentPath() == QDir(m_dir.path()).canonicalPath();
}

QString TestWorkingFolder::path() const
{
    return m_dir.path();
}

QString TestWorkingFolder::filePath(const QString& relative) const
{
    return m_dir.filePath(relative);
}

} // namespace tessivar::test
