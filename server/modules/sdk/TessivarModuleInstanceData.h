#pragma once

#include "TessivarPluginGlobal.h"

#include <QHash>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

class QObject;
class QQmlPropertyMap;
class TessivarPropertyMap;

// The values of one module instance, in three maps:
// - client parameters: sent to the device, they shape the block's display;
// - client data: live values sent to the device while the block is active;
// - local parameters: stay on the server (the block's title in the server's list,
//   program paths, recorded macros...).
// The server stores all three and gives them back after a restart (then onReload()).
// A data class of a module derives from this class and sets its defaults in its
// constructor.
class TESSIVARPLUGIN_EXPORT TessivarModuleInstanceData
{
public:
    using LocalParameterChangeCallback = std::function<void(const QString& key, const QVariant& value)>;

    // The key of the local parameter that holds the block's title on the server.
    static inline const QString kLocalTitleKey = QStringLiteral("TessivarModuleLocalTitle");

    explicit TessivarModuleInstanceData(const QString& classId);
    virtual ~TessivarModuleInstanceData();
    TessivarModuleInstanceData(const TessivarModuleInstanceData&) = delete;
    TessivarModuleInstanceData& operator=(const TessivarModuleInstanceData&) = delete;

    // The id of the data class (TessivarModuleDataInfo) the block is displayed with.
    QString classId() const { return m_classId; }

    QString getLocalTitle() const;
    void setLocalTitle(const QString& title);

    // An unset key reads as an invalid QVariant. Setting the value a key already
    // holds changes nothing and notifies nobody.
    QVariant getClientParameter(const QString& key) const;
    void setClientParameter(const QString& key, const QVariant& value);
    QVariant getClientData(const QString& key) const;
    void setClientData(const QString& key, const QVariant& value);
    QVariant getLocalParameter(const QString& key) const;
    void setLocalParameter(const QString& key, const QVariant& value);

    // Called after every change of a local parameter, from C++ or from the editor.
    void setLocalParameterChangeCallback(LocalParameterChangeCallback callback);

    // Whether the user may edit the title shown on the device (true by default).
    void setDisplayTitleEditable(bool editable) { m_displayTitleEditable = editable; }
    bool isDisplayTitleEditable() const { return m_displayTitleEditable; }

    // Makes `helper` reachable from the parameter editor's QML as moduleHelpers.<name>.
    // The helper must outlive this object.
    void addHelper(const QString& name, QObject* helper);

    TessivarPropertyMap* localParameters() const { return m_localParameters.get(); }
    TessivarPropertyMap* clientParameters() const { return m_clientParameters.get(); }
    TessivarPropertyMap* clientData() const { return m_clientData.get(); }
    // The helpers for QML, made when first asked for.
    QQmlPropertyMap* helpers() const;

    // Called after the stored values of a block were loaded into the maps.
    virtual void onReload();

private:
    QString m_classId;
    std::unique_ptr<TessivarPropertyMap> m_localParameters;
    std::unique_ptr<TessivarPropertyMap> m_clientParameters;
    std::unique_ptr<TessivarPropertyMap> m_clientData;
    mutable std::unique_ptr<QQmlPropertyMap> m_helpers;
    mutable QVariantHash m_helperObjects; // until helpers() is first asked for
    LocalParameterChangeCallback m_localParameterChangeCallback;
    bool m_displayTitleEditable = true;
};
