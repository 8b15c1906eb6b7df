#pragma once

#include "SharedKit/BuildInfo.h"

#include <QWidget>

namespace vesperline {

class SettingsContext;

// The About pane: the mark, name, version and tagline; the button that replays the first-run tour;
// the privacy promise; and the links to the product's web site and to support, each only when the
// build names it (with neither, no links section). This platform has no updater of its own, so the
// pane offers no update check.
class AboutPane final : public QWidget {
    Q_OBJECT

  public:
    explicit AboutPane(SettingsContext& context, const BuildInfo& info = BuildInfo::current(),
                       QWidget* parent = nullptr);
};

} // namespace vesperline
