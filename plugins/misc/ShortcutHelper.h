#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

// What the shortcut editor asks of C++: icons as data URLs.
class ShortcutHelper : public QObject
{
    Q_OBJECT

public:
    // The image file in the format its name says; empty if it does not load.
    Q_INVOKABLE QString getImageBase64(QUrl imagePath);
    // The program's file icon (the target's, for a shortcut file), as "ico"; the
    // missing-image icon (as "png") when the desktop offers no icon for it.
    Q_INVOKABLE QString getProgramIconBase64(QUrl programPath);
};
