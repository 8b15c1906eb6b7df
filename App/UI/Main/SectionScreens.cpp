#include "UI/Main/SectionScreens.h"

#include "UI/Ask/AskController.h"
#include "UI/Ask/AskScreen.h"
#include "UI/Journal/JournalScreen.h"
#include "UI/Resources/ResourcesController.h"
#include "UI/Resources/ResourcesScreen.h"
#include "UI/Search/SearchScreen.h"
#include "UI/Timeline/TimelineScreen.h"

namespace vesperline::SectionScreens {

namespace {

// The moment view's services over the model's store, picture loader and clock.
MomentDetailController::Services momentServices(AppModel& model, const Services& services) {
    MomentDetailController::Services shared = MomentDetailController::services(
        model.hub(), model.imageLoader(), services.analyzer, momentActions(model));
    return {
        .hub = model.hub(),
        .images = std::move(shared.images),
        .termBoxes = std::move(shared.termBoxes),
        .actions = std::move(shared.actions),
        .clock = model.clock(),
    };
}

QWidget* searchScreen(AppModel& model, const Services& services, QWidget* parent) {
    SearchScreenController::Actions actions{
        .recordFind = [&model] { model.recordFind(); },
        .takeSearchSeed =
            [&model] {
                std::optional<QString> seed = model.searchSeed();
                model.setSearchSeed(std::nullopt);
                return seed;
            },
        .moment = momentActions(model),
    };
    MomentDetailController::Services preview = momentServices(model, services);
    return new SearchScreen(
        SearchScreen::Services{
            .model = model.mainSearch(),
            .actions = std::move(actions),
            .hub = model.hub(),
            .pictures = std::move(preview.images),
            .termBoxes = std::move(preview.termBoxes),
            .analyze = MomentCanvas::analyses(services.analyzer),
            .thumbnails = FrameThumbnailController::thumbnails(model.imageLoader()),
            .applications = services.applications,
            .format = model.format(),
            .clock = model.clock(),
        },
        parent);
}

QWidget* timelineScreen(AppModel& model, const Services& services, QWidget* parent) {
    auto* screen = new TimelineScreen(
        TimelineScreen::Services{
            .moment = momentServices(model, services),
            .analyze = MomentCanvas::analyses(services.analyzer),
            .applications = services.applications,
            .format = model.format(),
        },
        parent);
    TimelineScreenController& controller = screen->controller();
    // The screen takes a request to show a moment or a day, the one pending when it is built and
    // each later one, and clears it.
    const auto takeRequest = [&model, &controller] {
        if (const std::optional<TimelineRequest> request = model.timelineRequest()) {
            model.setTimelineRequest(std::nullopt);
            controller.openAt(request->frameID, request->date);
        }
    };
    QObject::connect(&model, &AppModel::timelineRequestChanged, screen, takeRequest);
    QObject::connect(&model, &AppModel::lastSavedChanged, screen, [&model, &controller] {
        if (model.lastSaved()) {
            controller.momentSaved();
        }
    });
    takeRequest();
    return screen;
}

QWidget* journalScreen(AppModel& model, const Services& services, QWidget* parent) {
    return new JournalScreen(
        JournalScreen::Services{
            .hub = model.hub(),
            .settings = model.settings(),
            .ai = model.ai(),
            .applications = services.applications,
            .navigation = {
                .openTimelineAt = [&model](ostrel::Time at) { model.openTimelineAtDate(at); },
                .openSearch = [&model](const QString& text) { model.openSearch(text); },
            },
            .format = model.format(),
            .clock = model.clock(),
        },
        parent);
}

QWidget* askScreen(AppModel& model, QWidget* parent) {
    auto* controller = new AskController(
        model.ai(), model.hub(), model.settings(),
        AskController::ModelActions{
            .refreshPermissions = [&model] { model.refreshPermissions(); },
            .recordFind = [&model] { model.recordFind(); },
            .openTimeline = [&model](std::int64_t frameID,
                                     ostrel::Time at) { model.openTimeline(frameID, at); },
            .shortcutText =
                [&model](const HotKeyCombo& combo) { return model.hotKeys().displayString(combo); },
        },
        model.aiAvailability(), model.format(), model.clock());
    auto* screen =
        new AskScreen(controller, FrameThumbnailController::thumbnails(model.imageLoader()), parent);
    QObject::connect(&model, &AppModel::aiAvailabilityChanged, controller,
                     [&model, controller] { controller->setAvailability(model.aiAvailability()); });
    return screen;
}

QWidget* resourcesScreen(AppModel& model, const Services& services, QWidget* parent) {
    auto* controller =
        new ResourcesController(model.hub(), model.settings(), model.resources(), services.fileViewer,
                                ResourcesController::ModelActions{
                                    .refreshStats = [&model] { model.refreshStats(); },
                                    .runMaintenance = [&model] { model.runMaintenance(); },
                                },
                                model.format(), model.clock());
    // The model's figures as they stand, then as they change.
    controller->setToday(model.today());
    controller->setStorage(model.storage());
    controller->setPendingOCR(model.pendingOCR());
    controller->setPowerSnapshot(model.powerSnapshot());
    controller->setPolicy(model.policy());
    controller->setMaintenanceRunning(model.maintenanceRunning());
    QObject::connect(&model, &AppModel::todayChanged, controller,
                     [&model, controller] { controller->setToday(model.today()); });
    QObject::connect(&model, &AppModel::storageChanged, controller,
                     [&model, controller] { controller->setStorage(model.storage()); });
    QObject::connect(&model, &AppModel::pendingOCRChanged, controller,
                     [&model, controller] { controller->setPendingOCR(model.pendingOCR()); });
    QObject::connect(&model, &AppModel::powerSnapshotChanged, controller,
                     [&model, controller] { controller->setPowerSnapshot(model.powerSnapshot()); });
    QObject::connect(&model, &AppModel::policyChanged, controller,
                     [&model, controller] { controller->setPolicy(model.policy()); });
    QObject::connect(&model, &AppModel::maintenanceRunningChanged, controller,
                     [&model, controller] { controller->setMaintenanceRunning(model.maintenanceRunning()); });
    return new ResourcesScreen(controller, parent);
}

} // namespace

MomentActions momentActions(AppModel& model) {
    MomentActions actions;
    actions.openTimeline = [&model](std::int64_t frameID, ostrel::Time at) {
        model.openTimeline(frameID, at);
    };
    actions.deleteFrames = [&model](std::vector<std::int64_t> frameIDs, std::function<void()> done) {
        model.deleteFrame(std::move(frameIDs), std::move(done));
    };
    return actions;
}

QWidget* make(AppModel::Section section, AppModel& model, const Services& services, QWidget* parent) {
    switch (section) {
    case AppModel::Section::search:
        return searchScreen(model, services, parent);
    case AppModel::Section::timeline:
        return timelineScreen(model, services, parent);
    case AppModel::Section::journal:
        return journalScreen(model, services, parent);
    case AppModel::Section::ask:
        return askScreen(model, parent);
    case AppModel::Section::resources:
        return resourcesScreen(model, services, parent);
    }
    return nullptr;
}

} // namespace vesperline::SectionScreens
