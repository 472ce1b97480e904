#pragma once

namespace tessivar {

// The types the server's QML uses: its widget files under their module names, the
// native parts behind them, and the uncreatable model types. Once, before the main
// component loads.
void registerServerQmlTypes();

} // namespace tessivar
