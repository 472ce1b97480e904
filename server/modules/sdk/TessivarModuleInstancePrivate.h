#pragma once

#include "TessivarPluginGlobal.h"

#include <QObject>
#include <QString>

// Carries the signals of a TessivarModuleInstance, which is not a QObject itself so
// that a module class may derive from QObject first.
class TESSIVARPLUGIN_EXPORT TessivarModuleInstancePrivate : public QObject
{
    Q_OBJECT

public:
    explicit TessivarModuleInstancePrivate(QObject* parent = nullptr);

Q_SIGNALS:
    // A short message for the block's device to show for `duration` milliseconds.
    void notificationSent(const QString& text, int duration);
};
