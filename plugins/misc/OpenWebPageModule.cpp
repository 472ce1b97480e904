#include "OpenWebPageModule.h"

#include <QDesktopServices>
#include <QLoggingCategory>

OpenWebPageModule::OpenWebPageModule()
    : TessivarModuleInstance(&m_data)
{
}

QUrl OpenWebPageModule::webPageUrl(const QString& text)
{
    const QString trimmed = text.trimmed();
    QUrl url(trimmed, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return url;
    // "host:port" and "mailto:x" parse as schemes too: only "scheme://" is taken as one.
    if (trimmed.contains(QLatin1String("://"))) {
        url.setScheme(QStringLiteral("http"));
        return url;
    }
    return QUrl(QStringLiteral("http://") + trimmed, QUrl::TolerantMode);
}

void OpenWebPageModule::processData(const QVariantMap&)
{
    const QString text = m_data.getLocalParameter(QStringLiteral("URL")).toString();
    qInfo() << "Opening url" << text;
    const QUrl url = webPageUrl(text);
    if (!url.isValid()) {
        qWarning() << "Not an address to open:" << text;
        return;
    }
    QDesktopServices::openUrl(url);
}
