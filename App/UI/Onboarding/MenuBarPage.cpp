#include "UI/Onboarding/MenuBarPage.h"

#include "Model/StatusGlyph.h"
#include "Model/StatusTexts.h"
#include "UI/Onboarding/OnboardingController.h"
#include "UI/Onboarding/TourParts.h"
#include "UI/Settings/SymbolText.h"
#include "UI/Shared/PageParts.h"
#include "UI/Shared/RoundedBox.h"
#include "UI/Shared/StatusDot.h"
#include "UI/Shared/SymbolLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace vesperline {

namespace {

constexpr int pageWidth = 540;
constexpr int illustrationWidth = 440;
// As wide as the sidebar's status block.
constexpr int statusBlockWidth = 220;

// The status glyph of recording in the theme's ink.
class GlyphView final : public QWidget {
  public:
    GlyphView() {
        setFixedSize(StatusGlyph::side, StatusGlyph::side);
        setAccessibleName(QStringLiteral("Vesperline"));
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        StatusGlyph::draw(painter, StatusGlyph::Variant::recording, Theme::ink);
    }
};

// A tray with the app's icon among the others and the clock.
QWidget* trayPicture() {
    auto* tray = new RoundedBox(10, {}, true);
    tray->setObjectName("trayIllustration");
    QHBoxLayout* layout = PageParts::row(tray, 16);
    layout->setContentsMargins(14, 6, 14, 6);
    layout->addStretch(1);
    layout->addWidget(new SymbolLabel("wifi", Theme::TextStyle::body, Theme::Level::secondary));
    layout->addWidget(new SymbolLabel("battery.75percent", Theme::TextStyle::body, Theme::Level::secondary));
    auto* icon = new RoundedBox(6, [](const QPalette&) { return QBrush(Theme::pastelWash); });
    PageParts::row(icon, 0)->setContentsMargins(6, 6, 6, 6);
    icon->layout()->addWidget(new GlyphView);
    layout->addWidget(icon);
    QLabel* clock = PageParts::textLabel(Theme::TextStyle::callout, Theme::Level::secondary);
    clock->setFont(Theme::monospacedFont(Theme::TextStyle::callout));
    clock->setText(QStringLiteral("16:42"));
    layout->addWidget(clock);
    return tray;
}

// The status block at the foot of the main window's sidebar: recording, today's count, the pause
// menu and quit.
QWidget* statusBlockPicture() {
    auto* block = new RoundedBox(10, {}, true);
    block->setObjectName("statusBlockIllustration");
    QVBoxLayout* lines = PageParts::column(block, 8);
    lines->setContentsMargins(12, 10, 12, 10);
    QHBoxLayout* status = PageParts::row(nullptr, 6);
    status->addWidget(new StatusDot(Theme::green), 0, Qt::AlignVCenter);
    QLabel* recording = PageParts::textLabel(Theme::TextStyle::caption, Theme::Level::primary, QFont::Medium);
    recording->setText(MenuBarPage::tr("Recording"));
    status->addWidget(recording, 1);
    lines->addLayout(status);
    QHBoxLayout* controls = PageParts::row(nullptr, 10);
    QLabel* count = PageParts::textLabel(Theme::TextStyle::caption2, Theme::Level::secondary);
    count->setText(MenuBarPage::tr("12 moments today"));
    controls->addWidget(count, 1);
    QLabel* pause = PageParts::textLabel(Theme::TextStyle::caption2, Theme::Level::primary);
    pause->setText(MenuBarPage::tr("Pause"));
    controls->addWidget(pause);
    controls->addWidget(new SymbolLabel("chevron.down", Theme::TextStyle::caption2, Theme::Level::secondary));
    controls->addWidget(new SymbolLabel("power", Theme::TextStyle::callout, Theme::Level::secondary));
    lines->addLayout(controls);
    return block;
}

} // namespace

MenuBarPage::MenuBarPage(OnboardingController& controller, QWidget* parent)
    : QWidget(parent), controller_(controller),
      // On X11 there is nothing to allow: the screen can be read in an X11 session, and only there.
      screenWarning_(new SymbolText("exclamationmark.triangle", StatusTexts::screenSessionHint(),
                                    Theme::TextStyle::callout, Theme::peach.ink)) {
    const bool tray = controller.trayAvailable();
    auto* page = new QWidget;
    QVBoxLayout* layout = PageParts::column(page, 12);
    layout->addWidget(
        TourParts::title(tray ? tr("It lives in your menu bar") : tr("It lives in its main window")));
    layout->addWidget(TourParts::withWidth(tray ? trayPicture() : statusBlockPicture(),
                                           tray ? illustrationWidth : statusBlockWidth, Qt::AlignLeft));
    layout->addSpacing(4);
    auto tip = [&](const char* symbol, const QString& text) {
        layout->addWidget(
            TourParts::symbolRow(symbol, text, Theme::TextStyle::callout, Theme::Level::secondary, 20));
    };
    if (tray) {
        tip("cursorarrow.click",
            tr("Click the icon to search, pause, forget or open your timeline and journal."));
        tip("desktopcomputer",
            tr("Without a tray on your desktop the icon can't show. Open Vesperline again from your "
               "applications to bring up the main window."));
        tip("questionmark.circle",
            tr("See this tour again any time: How It Works, in the menu bar icon or Settings → About."));
    } else {
        tip("cursorarrow.click",
            tr("Pause, resume or quit from the status menu at the foot of the main window's sidebar; "
               "search, timeline and journal are listed above it."));
        tip("desktopcomputer",
            tr("Your desktop shows no tray icons, so closing the main window quits Vesperline and "
               "recording stops. Open Vesperline from your applications to start again."));
        tip("questionmark.circle", tr("See this tour again any time: How It Works, in Settings → About."));
    }
    screenWarning_->setObjectName("screenWarning");
    layout->addSpacing(4);
    layout->addWidget(screenWarning_);

    QVBoxLayout* outer = PageParts::column(this, 0);
    outer->addWidget(TourParts::withWidth(page, pageWidth, Qt::AlignLeft));
    outer->addStretch(1);

    auto follow = [this] { screenWarning_->setVisible(!controller_.screenGranted()); };
    connect(&controller_, &OnboardingController::permissionsChanged, this, follow);
    follow();
}

} // namespace vesperline
