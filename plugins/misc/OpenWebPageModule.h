#pragma once

#include "OpenWebPageModuleData.h"
#include "TessivarModuleInstance.h"

#include <QObject>
#include <QUrl>

// A web page block: a press on the device opens the address in the PC's browser.
class OpenWebPageModule : public QObject, public TessivarModuleInstance
{
    Q_OBJECT

public:
    OpenWebPageModule();
    void processData(const QVariantMap& data) override;

    // The address a text opens: http and https stay as typed; a text without a scheme
    // or with any other one (file:, javascript:, a custom handler) is opened as http,
    // so that a press on a device never opens a local file or another handler.
    static QUrl webPageUrl(const QString& text);

private:
    OpenWebPageModuleData m_data;
};
