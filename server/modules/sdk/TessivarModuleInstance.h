#pragma once

#include "TessivarPluginGlobal.h"

#include <QString>
#include <QVariantMap>

#include <memory>

class TessivarModuleInfo;
class TessivarModuleInstanceData;
class TessivarModuleInstancePrivate;

// Base class of a live module: one per block. A module class holds its data object
// (derived from TessivarModuleInstanceData) by value and passes its address here;
// that object is not yet constructed when this constructor runs, so it is only stored.
//
//     class ClockModule : public TessivarModuleInstance {
//     public:
//         ClockModule() : TessivarModuleInstance(&m_data) {}
//     private:
//         ClockModuleData m_data;
//     };
class TESSIVARPLUGIN_EXPORT TessivarModuleInstance
{
public:
    explicit TessivarModuleInstance(TessivarModuleInstanceData* data);
    virtual ~TessivarModuleInstance();
    TessivarModuleInstance(const TessivarModuleInstance&) = delete;
    TessivarModuleInstance& operator=(const TessivarModuleInstance&) = delete;

    TessivarModuleInstanceData* instanceData() const { return m_data; }

    // The description of the module this instance belongs to; the server stores it
    // after creating the instance.
    void setModuleInfo(TessivarModuleInfo* info) { m_moduleInfo = info; }
    TessivarModuleInfo* moduleInfo() const { return m_moduleInfo; }

    // Data that the block's device sent (a press, for example). Does nothing here.
    virtual void processData(const QVariantMap& data);

    // The object whose notificationSent signal the server listens to.
    TessivarModuleInstancePrivate* signalSource() const { return m_private.get(); }

protected:
    // Shows `text` on the block's device for `duration` milliseconds, while the block
    // is live there. May be called from any thread.
    void sendNotification(const QString& text, int duration);

private:
    TessivarModuleInstanceData* m_data;
    TessivarModuleInfo* m_moduleInfo = nullptr;
    std::unique_ptr<TessivarModuleInstancePrivate> m_private;
};
