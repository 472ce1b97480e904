#pragma once

#include "TessivarPluginGlobal.h"

#include <QList>
#include <QObject>

class TessivarModuleInfo;

// The modules of one plugin, in registration order. The entries belong to the plugin.
class TESSIVARPLUGIN_EXPORT TessivarModuleInfoList : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<QObject*> modules READ modules NOTIFY modulesChanged)
    Q_PROPERTY(int count READ count NOTIFY modulesChanged)

public:
    explicit TessivarModuleInfoList(QObject* parent = nullptr);

    const QList<TessivarModuleInfo*>& infoList() const { return m_infoList; }
    // The TessivarModuleInfoData of every module, for QML.
    QList<QObject*> modules() const;
    int count() const { return int(m_infoList.size()); }

    void append(TessivarModuleInfo* info);

Q_SIGNALS:
    void modulesChanged();

private:
    QList<TessivarModuleInfo*> m_infoList;
};
