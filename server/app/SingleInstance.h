#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace tessivar {

// One running program per settings file: a later start for the same "config" hands over
// to the running one through a local socket named after the file's path, and ends.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // What a later start asks of the running program.
    enum class Request { Show, Nothing };

    explicit SingleInstance(const QString& settingsPath, QObject* parent = nullptr);

    // The socket name for a settings file: its absolute path and the user, hashed.
    static QString serverName(const QString& settingsPath);

    // Asks the running program, if any, to carry out the request. True when one answered:
    // this start then ends. False when none runs (a socket left by a crash is removed).
    bool handOver(Request request);
    // Answers later starts from now on; false, logged, when the socket cannot be made.
    bool listen();

    // How long a start waits for the running program; a silent one is given up on.
    int answerTimeoutMs = 3000;

Q_SIGNALS:
    // A later start asked to see the window.
    void showRequested();

private:
    void onNewConnection();

    QString m_name;
    QLocalServer m_server;
};

} // namespace tessivar
