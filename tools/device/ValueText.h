#pragma once

#include <QString>
#include <QVariant>

#include <optional>
#include <utility>

namespace tessivar::devicecli {

// Longer texts (icons travel as data URLs) are cut when printed.
inline constexpr qsizetype kMaximumPrintedTextLength = 120;

// One value as a person reads it: texts quoted, colours as #rrggbb or #aarrggbb, lists
// and maps in JSON form, byte arrays by their size.
QString valueText(const QVariant& value);

// Text from the server shown as it is, but with control characters (terminal escapes
// among them) replaced and cut to a readable length.
QString plainText(const QString& text);

// "Key=Value" from the command line. The value is a bool for true/false, a whole or a
// decimal number when it reads as one, and text otherwise; a value in double quotes is
// always text. Empty result for a missing "=" or an empty key.
std::optional<std::pair<QString, QVariant>> parseAssignment(const QString& text);

} // namespace tessivar::devicecli
