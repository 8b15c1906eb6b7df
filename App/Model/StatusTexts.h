#pragma once

#include "Capture/RecorderStatus.h"
#include "Capture/SkipReason.h"
#include "Rules/CapturePolicy.h"
#include "Rules/PowerSnapshot.h"
#include "Store/Format.h"
#include "Store/SavingIssue.h"
#include "Support/Time.h"

#include <QString>

#include <optional>

// The status lines the status item, the sidebar and the tray popover show, in words; the app model
// feeds them its state.
namespace vesperline::StatusTexts {

// What the recorder does: "Recording", "Paused", ...; a stopped recorder is "Starting…" once the
// tour was completed and "Setup needed" before; a recording one whose moments fail to be saved says
// so instead.
QString status(const RecorderStatus& status, bool onboardingCompleted,
               SavingIssue saving = SavingIssue::none);

// "Paused until you resume", or "Paused until " and the end as a moment label against `now`, while
// the pause lasts; none otherwise.
std::optional<QString> pause(std::optional<ostrel::Time> pausedUntil, ostrel::Time now, const Format& format);

// Where to turn while the screen cannot be read: the screen is readable only in an X11 session.
QString screenSessionHint();

// What the line under the status reads from.
struct Situation {
    RecorderStatus status;
    SkipReason skip;
    ostrel::CapturePolicy policy;
    ostrel::PowerSnapshot power;
    bool accessibilityPermission = false;
    SavingIssue saving = SavingIssue::none;
};

// The pause line when there is one; else, while recording, why moments or pictures are not saved;
// else why nothing is recorded; else, while recording, how the power state shapes it; none when
// there is nothing to say.
std::optional<QString> skip(const std::optional<QString>& pauseText, const Situation& situation);

} // namespace vesperline::StatusTexts
