#pragma once

#include "Model/AppModel.h"
#include "UI/Moment/MomentActions.h"

class QWidget;

namespace vesperline {

class LiveTextAnalyzer;

namespace platform {
class FileViewer;
class InstalledApplications;
} // namespace platform

// The screens of the main window's sections, each made over the app model: what a screen asks of
// the application goes to the model's operations, and the model's figures and requests reach the
// screen's controller as they change (the timeline takes a pending request to show a moment or a
// day, and clears it).
namespace SectionScreens {

// What the screens need besides the model; everything must outlive the screens.
struct Services {
    platform::InstalledApplications& applications;
    platform::FileViewer& fileViewer;
    // Reads the text of stored pictures: the boxes of search terms, selectable text.
    LiveTextAnalyzer& analyzer;
};

// The screen of `section` as a child of `parent`.
QWidget* make(AppModel::Section section, AppModel& model, const Services& services, QWidget* parent);

// What a moment view asks of the model: show a moment in the timeline, delete moments, open an
// address.
MomentActions momentActions(AppModel& model);

} // namespace SectionScreens

} // namespace vesperline
