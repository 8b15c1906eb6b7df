#pragma once

#include "UI/Settings/SettingsTab.h"

#include <QObject>

namespace vesperline {

// The tab the settings window shows. One instance lives with the window manager for the whole
// run, so the window opens again at the tab the user left, and any part of the application can
// open it at a tab of its choice. It is not kept across runs. Main thread only.
class SettingsSelection final : public QObject {
    Q_OBJECT

  public:
    explicit SettingsSelection(QObject* parent = nullptr) : QObject(parent) {}

    SettingsTab tab() const { return tab_; }
    // Writing the tab it holds changes nothing and tells nobody.
    void setTab(SettingsTab tab);

  signals:
    void tabChanged(SettingsTab tab);

  private:
    SettingsTab tab_ = SettingsTab::general;
};

} // namespace vesperline
