#pragma once

#include <QString>
#include <QTemporaryDir>

namespace tessivar::test {

// Makes a fresh temporary folder the process's working directory for the lifetime of
// the object, so that "config", "log/", "modules/" and "plugins/" land there.
class TestWorkingFolder
{
public:
    TestWorkingFolder();
    ~TestWorkingFolder();
    TestWorkingFolder(const TestWorkingFolder&) = delete;
    TestWorkingFolder& operator=(const TestWorkingFolder&) = delete;

    bool isValid() const;
    QString path() const;
    QString filePath(const QString& relative) const;

private:
    QString m_previous;
    QTemporaryDir m_dir;
};

} // namespace tessivar::test
