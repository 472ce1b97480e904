#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tessivar::test {

// Reads and writes values of an INI file the way QSettings escapes them, without going
// through QSettings, so that tests see the bytes that other programs see.
class IniValueText
{
public:
    // The unescaped value of group/key as Latin-1 bytes ("@Variant(...)" included);
    // empty if the key is not in the file.
    static std::optional<QByteArray> read(const QString& filePath, const QString& group, const QString& key);

    // The escaped, quoted text of a value: every byte as \xHH, which QSettings reads back.
    static QByteArray escape(const QByteArray& value);

    // "@Variant(" + the bytes of a QVariant of a user type in QSettings' stream version
    // (type 127, the type name, then the payload) + ")".
    static QByteArray userTypeVariant(const QByteArray& typeName, const QByteArray& payload);

    static QByteArray unescape(const QByteArray& text);
};

} // namespace tessivar::test
