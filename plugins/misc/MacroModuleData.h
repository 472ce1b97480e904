#pragma once

#include "MacroKeyEvent.h"
#include "MacroRecorder.h"
#include "TessivarModuleInstanceData.h"

#include <QVariantList>

// Parameters of a macro: the recorded key events (local "Sequence", 16 bytes per
// event), the chosen icon image ("IconPath") and the icon the device shows ("Icon").
class MacroModuleData : public TessivarModuleInstanceData
{
public:
    MacroModuleData();

    MacroKeyEventList decodeSequence() const;
    static QVariantList encodeSequence(const MacroKeyEventList& events);
    static MacroKeyEventList decodeSequence(const QVariantList& sequence);

    MacroRecorder& recorder() { return m_recorder; }

private:
    void setIcon(const QImage& image, const QString& format);
    void onLocalParameterChanged(const QString& key, const QVariant& value);

    MacroRecorder m_recorder;
};
