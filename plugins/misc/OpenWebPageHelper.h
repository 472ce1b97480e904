#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

// What the web page editor asks of C++: the chosen icon image as a data URL.
class OpenWebPageHelper : public QObject
{
    Q_OBJECT

public:
    Q_INVOKABLE QString getImageBase64(QUrl imagePath);
};
