#pragma once

#include <QObject>

namespace tessivar::ui {
Q_NAMESPACE

// The actions an error can offer the user.
enum ErrorAction_e {
    Ok = 0,
    ChangeSettings = 1,
    DisablePlugin = 2,
    DeletePlugin = 3,
};
Q_ENUM_NS(ErrorAction_e)

} // namespace tessivar::ui
