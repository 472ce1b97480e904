#pragma once

#include <QMap>
#include <QSettings>
#include <QString>

#include <memory>

namespace tessivar::devicecli {

// What this device remembers between runs, as a real device does: its identifier and,
// for every block the server created on it, the block's data class (the server names
// the class only when it creates a block). One INI file; each identifier has its group.
class DeviceState
{
public:
    // An empty path means the user's configuration folder.
    explicit DeviceState(const QString& filePath);
    ~DeviceState();

    static QString defaultFilePath();
    QString filePath() const;

    // The stored identifier, generated and stored at the first run.
    QString storedId();
    void useId(const QString& id);
    const QString& id() const;

    // Other things the program keeps (the last server, say), written at once.
    QVariant value(const QString& key, const QVariant& fallback = {}) const;
    void setValue(const QString& key, const QVariant& value);

    QMap<quint32, QString> blocks() const;
    void addBlock(quint32 blockId, const QString& dataClass);
    void removeBlock(quint32 blockId);
    // An id that none of the known blocks uses.
    quint32 nextBlockId(const QList<quint32>& alsoTaken) const;

private:
    std::unique_ptr<QSettings> m_settings;
    QString m_id;
};

} // namespace tessivar::devicecli
