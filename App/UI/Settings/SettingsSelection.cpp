#include "UI/Settings/SettingsSelection.h"

namespace vesperline {

void SettingsSelection::setTab(SettingsTab tab) {
    if (tab != tab_) {
        tab_ = tab;
        emit tabChanged(tab);
    }
}

} // namespace vesperline
