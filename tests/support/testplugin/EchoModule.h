#pragma once

#include "EchoModuleData.h"

#include "TessivarModuleInstance.h"

// Test module: data from the device with "Value" becomes client data "Value"; with
// "Notify" a notification of that text is sent; "Title" sets the local title.
class EchoModule : public TessivarModuleInstance
{
public:
    EchoModule();
    void processData(const QVariantMap& data) override;

private:
    EchoModuleData m_data;
};
