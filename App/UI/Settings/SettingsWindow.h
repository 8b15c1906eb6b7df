#pragma once

#include "UI/Settings/SettingsTab.h"

#include <QWidget>

class QLabel;

namespace vesperline {

class SettingsContext;
class SettingsSelection;
class SidebarList;

// The settings window: the tabs in a sidebar, the selected tab's pane beside it under the tab's
// title. The window follows the selection, so writing it while the window is open switches the
// sidebar and the pane at once; each switch builds the pane anew (a pane keeps nothing of an earlier
// visit). One tab is always selected. A top-level window, titled "Vesperline Settings", 760 × 560
// and not resizable, centred on its screen when first shown; it deletes itself when closed, so the
// window manager builds a new one for the next opening over the same selection.
class SettingsWindow final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int width = 760;
    static constexpr int height = 560;
    static constexpr int sidebarWidth = 190;

    SettingsWindow(SettingsContext& context, SettingsSelection& selection, QWidget* parent = nullptr);

    // The pane shown now.
    QWidget* pane() const { return pane_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void showTab(SettingsTab tab);
    QWidget* makePane(SettingsTab tab);

    SettingsContext& context_;
    SettingsSelection& selection_;
    SidebarList* sidebar_;
    QLabel* title_;
    QWidget* detail_;
    QWidget* pane_ = nullptr;
    bool placed_ = false;
};

} // namespace vesperline
