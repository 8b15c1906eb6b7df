#include "UI/MenuBar/MenuBarView.h"

#include "Model/StatusTexts.h"
#include "UI/MenuBar/MenuButton.h"
#include "UI/MenuBar/MenuRow.h"
#include "UI/MenuBar/Metric.h"
#include "UI/Settings/SymbolText.h"
#include "UI/Shared/ActivityIndicator.h"
#include "UI/Shared/AppIconView.h"
#include "UI/Shared/BrandMark.h"
#include "UI/Shared/Card.h"
#include "UI/Shared/Divider.h"
#include "UI/Shared/ElidedLabel.h"
#include "UI/Shared/KeyHint.h"
#include "UI/Shared/PageParts.h"
#include "UI/Shared/RoundedBox.h"
#include "UI/Shared/StatusDot.h"
#include "UI/Shared/SymbolLabel.h"
#include "UI/Theme/Symbols.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vesperline {

namespace {

// The search field's look: a faint rounded field that is one button as a whole.
class FieldButton final : public QAbstractButton {
  public:
    explicit FieldButton(QWidget* content) {
        setCursor(Qt::PointingHandCursor);
        QHBoxLayout* layout = PageParts::row(this, 0);
        auto* field = new RoundedBox(9, RoundedBox::level(Theme::Level::quaternary, 0.45));
        field->setAttribute(Qt::WA_TransparentForMouseEvents);
        QHBoxLayout* inside = PageParts::row(field, 0);
        inside->setContentsMargins(10, 8, 10, 8);
        inside->addWidget(content);
        layout->addWidget(field);
    }
    QSize sizeHint() const override { return layout()->sizeHint(); }

  protected:
    void paintEvent(QPaintEvent*) override {}
    bool hitButton(const QPoint& position) const override { return rect().contains(position); }
};

QPushButton* smallButton(const QString& title, const QString& name) {
    auto* button = new QPushButton(title);
    button->setObjectName(name);
    button->setFont(Theme::font(Theme::TextStyle::callout));
    return button;
}

} // namespace

MenuBarView::MenuBarView(AppModel& model, Services services, std::function<void()> close, QWidget* parent)
    : QWidget(parent), services_(std::move(services)),
      controller_(model, services_.controller, std::move(close)) {
    setFixedWidth(width);
    QVBoxLayout* layout = PageParts::column(this, 12);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->addWidget(makeHeader());

    skip_ = new SymbolText("info.circle", QString(), Theme::TextStyle::caption, Theme::Level::secondary);
    skip_->setObjectName("skipReason");
    layout->addWidget(skip_);
    lastMoment_ = new QWidget;
    lastMoment_->setObjectName("lastMoment");
    QHBoxLayout* last = PageParts::row(lastMoment_, 6);
    lastIcon_ = new AppIconView(services_.applications, std::nullopt, 14);
    last->addWidget(lastIcon_);
    lastText_ = new ElidedLabel;
    lastText_->setObjectName("lastMomentText");
    Theme::applyText(lastText_, Theme::TextStyle::caption, Theme::Level::secondary);
    last->addWidget(lastText_, 1);
    layout->addWidget(lastMoment_);

    layout->addWidget(makeStatusBlock());
    layout->addWidget(makeSearchField());
    layout->addWidget(makeFigures());
    finds_ =
        new SymbolText("checkmark.circle", QString(), Theme::TextStyle::caption, Theme::Level::secondary);
    finds_->setObjectName("finds");
    layout->addWidget(finds_);
    layout->addWidget(makePauseRow());
    layout->addWidget(makeConfirmation());
    layout->addWidget(new Divider);
    layout->addWidget(makeNavigation());
    layout->addWidget(new Divider);
    auto* quit = new MenuRow(tr("Quit Vesperline"), "power", QStringLiteral("Ctrl+Q"));
    quit->setObjectName("quit");
    connect(quit, &MenuRow::clicked, &controller_, &MenuBarController::quit);
    layout->addWidget(quit);

    connect(&controller_, &MenuBarController::changed, this, &MenuBarView::follow);
    connect(&controller_, &MenuBarController::deletionChanged, this, &MenuBarView::followDeletion);
    follow();
    followDeletion();
}

StatusItem::ContentFactory MenuBarView::contentFactory(AppModel& model, Services services) {
    return [&model, services](std::function<void()> close) -> QWidget* {
        return new MenuBarView(model, services, std::move(close));
    };
}

QWidget* MenuBarView::makeHeader() {
    auto* header = new QWidget;
    QHBoxLayout* row = PageParts::row(header, 10);
    row->addWidget(new BrandMark(30), 0, Qt::AlignVCenter);
    auto* texts = new QWidget;
    QVBoxLayout* lines = PageParts::column(texts, 2);
    QLabel* name = PageParts::textLabel(Theme::TextStyle::headline);
    name->setText(QStringLiteral("Vesperline"));
    lines->addWidget(name);
    auto* statusLine = new QWidget;
    QHBoxLayout* statusRow = PageParts::row(statusLine, 6);
    dot_ = new StatusDot;
    dot_->setObjectName("statusDot");
    statusRow->addWidget(dot_, 0, Qt::AlignVCenter);
    status_ = new ElidedLabel;
    status_->setObjectName("statusText");
    Theme::applyText(status_, Theme::TextStyle::caption, Theme::Level::secondary);
    statusRow->addWidget(status_, 1);
    lines->addWidget(statusLine);
    row->addWidget(texts, 1);
    return header;
}

QWidget* MenuBarView::makeStatusBlock() {
    auto* block = new QWidget;
    QVBoxLayout* column = PageParts::column(block, 0);

    auto* permission = new QWidget;
    QVBoxLayout* lines = PageParts::column(permission, 8);
    QLabel* needs =
        PageParts::textLabel(Theme::TextStyle::callout, Theme::Level::primary, std::nullopt, true);
    needs->setText(tr("Vesperline needs Screen Recording permission to remember your screen."));
    lines->addWidget(needs);
    QLabel* hint =
        PageParts::textLabel(Theme::TextStyle::caption, Theme::Level::secondary, std::nullopt, true);
    hint->setText(StatusTexts::screenSessionHint());
    lines->addWidget(hint);
    permissionCard_ = new Card(permission, 12);
    permissionCard_->setObjectName("permissionCard");
    column->addWidget(permissionCard_);

    finishSetup_ = new QPushButton(tr("Finish setup"));
    finishSetup_->setObjectName("finishSetup");
    finishSetup_->setDefault(true);
    connect(finishSetup_, &QPushButton::clicked, &controller_, &MenuBarController::finishSetup);
    finishSetup_->setMinimumHeight(finishSetup_->sizeHint().height() + 6);
    column->addWidget(finishSetup_);
    return block;
}

QWidget* MenuBarView::makeSearchField() {
    auto* content = new QWidget;
    QHBoxLayout* row = PageParts::row(content, 8);
    row->addWidget(new SymbolLabel("magnifyingglass", Theme::TextStyle::body, Theme::Level::secondary));
    QLabel* prompt = PageParts::textLabel(Theme::TextStyle::body, Theme::Level::secondary);
    prompt->setText(tr("Search your memory…"));
    row->addWidget(prompt);
    row->addStretch(1);
    keyHintSlot_ = new QWidget;
    PageParts::row(keyHintSlot_, 0);
    row->addWidget(keyHintSlot_);
    auto* field = new FieldButton(content);
    field->setObjectName("searchField");
    field->setAccessibleName(tr("Search your memory…"));
    connect(field, &QAbstractButton::clicked, &controller_, &MenuBarController::openQuickSearch);
    return field;
}

QWidget* MenuBarView::makeFigures() {
    auto* figures = new QWidget;
    QHBoxLayout* row = PageParts::row(figures, 8);
    moments_ = new Metric("camera.viewfinder", QString(), tr("moments"));
    moments_->setObjectName("momentsMetric");
    disk_ = new Metric("internaldrive", QString(), tr("on disk"));
    disk_->setObjectName("diskMetric");
    energy_ = new Metric("bolt", QString(), tr("energy today"));
    energy_->setObjectName("energyMetric");
    for (Metric* metric : {moments_, disk_, energy_}) {
        row->addWidget(metric, 1);
    }
    return figures;
}

QWidget* MenuBarView::makePauseRow() {
    auto* pauseRow = new QWidget;
    QHBoxLayout* row = PageParts::row(pauseRow, 8);
    resume_ = new QPushButton(Symbols::icon("play.fill"), tr("Resume"));
    resume_->setObjectName("resume");
    resume_->setDefault(true);
    resume_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(resume_, &QPushButton::clicked, &controller_, &MenuBarController::resume);
    row->addWidget(resume_, 1);
    auto items = [](std::vector<MenuBarController::MenuItem> entries) {
        std::vector<MenuButton::Item> converted;
        for (auto& entry : entries) {
            converted.push_back({entry.title, std::move(entry.action)});
        }
        return converted;
    };
    pause_ = new MenuButton(tr("Pause"), "pause.fill", items(controller_.pauseItems()));
    pause_->setObjectName("pause");
    row->addWidget(pause_, 1);
    auto* forget = new MenuButton(tr("Forget"), "trash", items(controller_.forgetItems()));
    forget->setObjectName("forget");
    row->addWidget(forget, 1);
    return pauseRow;
}

QWidget* MenuBarView::makeConfirmation() {
    auto* content = new QWidget;
    QVBoxLayout* lines = PageParts::column(content, 8);
    question_ = PageParts::textLabel(Theme::TextStyle::callout, Theme::Level::primary, std::nullopt, true);
    question_->setObjectName("question");
    lines->addWidget(question_);
    auto* buttons = new QWidget;
    QHBoxLayout* row = PageParts::row(buttons, 8);
    QPushButton* cancel = smallButton(tr("Cancel"), "cancelDeletion");
    connect(cancel, &QPushButton::clicked, &controller_,
            [this] { controller_.requestDeletion(std::nullopt); });
    row->addWidget(cancel);
    row->addStretch(1);
    spinner_ = new ActivityIndicator(14);
    spinner_->setObjectName("deletionSpinner");
    row->addWidget(spinner_);
    delete_ = smallButton(tr("Delete"), "confirmDeletion");
    QPalette destructive = delete_->palette();
    destructive.setColor(QPalette::ButtonText, Theme::red);
    delete_->setPalette(destructive);
    connect(delete_, &QPushButton::clicked, &controller_, &MenuBarController::confirmDeletion);
    row->addWidget(delete_);
    lines->addWidget(buttons);
    confirmation_ = new Card(content, 10);
    confirmation_->setObjectName("confirmation");
    return confirmation_;
}

QWidget* MenuBarView::makeNavigation() {
    auto* navigation = new QWidget;
    QVBoxLayout* rows = PageParts::column(navigation, 2);
    auto add = [&](const QString& title, const char* symbol, const std::optional<QString>& shortcut,
                   const char* name, std::function<void()> action) {
        auto* row = new MenuRow(title, symbol, shortcut);
        row->setObjectName(name);
        connect(row, &MenuRow::clicked, &controller_, std::move(action));
        rows->addWidget(row);
    };
    using Section = AppModel::Section;
    add(tr("Open Vesperline"), "rectangle.stack", std::nullopt, "openVesperline",
        [this] { controller_.openSection(Section::search); });
    add(tr("Timeline"), "clock.arrow.circlepath", std::nullopt, "openTimeline",
        [this] { controller_.openSection(Section::timeline); });
    add(tr("Today's journal"), "calendar.day.timeline.left", std::nullopt, "openJournal",
        [this] { controller_.openSection(Section::journal); });
    add(tr("How It Works"), "questionmark.circle", std::nullopt, "howItWorks",
        [this] { controller_.showTour(true); });
    add(tr("Settings…"), "gearshape", QStringLiteral("Ctrl+,"), "openSettings",
        [this] { controller_.openSettings(); });
    return navigation;
}

void MenuBarView::follow() {
    const AppModel& model = controller_.model();
    dot_->setColor(MenuBarController::dotColor(model.status(), model.savingIssue()));
    dot_->setPulsing(MenuBarController::dotPulses(model.status(), model.savingIssue()));
    status_->setText(controller_.statusText());

    const std::optional<QString> skip = controller_.skipText();
    skip_->setVisible(skip.has_value());
    skip_->setText(skip.value_or(QString()));
    const std::optional<QString> last = controller_.lastMomentText();
    lastMoment_->setVisible(last.has_value());
    if (last) {
        lastIcon_->setBundleID(model.lastSaved()->appBundleID);
        lastText_->setText(*last);
    }

    permissionCard_->setVisible(controller_.showsPermissionCard());
    finishSetup_->setVisible(controller_.showsFinishSetup());
    permissionCard_->parentWidget()->setVisible(controller_.showsPermissionCard() ||
                                                controller_.showsFinishSetup());

    const std::optional<QString> hint = controller_.shortcutHint();
    if (hint != keyHintText_) {
        keyHintText_ = hint;
        delete keyHint_;
        keyHint_ = hint ? makeKeyHint(*hint, Theme::Level::tertiary) : nullptr;
        if (keyHint_) {
            keyHint_->setObjectName("shortcutHint");
            keyHintSlot_->layout()->addWidget(keyHint_);
        }
    }
    keyHintSlot_->setVisible(hint.has_value());

    moments_->setValue("camera.viewfinder", controller_.momentsValue(), tr("moments"));
    disk_->setValue("internaldrive", controller_.diskValue(), tr("on disk"));
    if (controller_.energyTile() == MenuBarController::EnergyTile::battery) {
        energy_->setValue("battery.75percent", controller_.energyValue(), tr("battery today"));
    } else {
        energy_->setValue("bolt", controller_.energyValue(), tr("energy today"));
    }
    const std::optional<QString> finds = controller_.findsText();
    finds_->setVisible(finds.has_value());
    finds_->setText(finds.value_or(QString()));

    const bool paused = controller_.paused();
    resume_->setVisible(paused);
    pause_->setVisible(!paused);
    pause_->setEnabled(controller_.pauseEnabled());
}

void MenuBarView::followDeletion() {
    const auto& pending = controller_.pendingDeletion();
    confirmation_->setVisible(pending.has_value());
    question_->setText(controller_.question());
    spinner_->setVisible(controller_.deleting());
    delete_->setEnabled(!controller_.deleting());
}

} // namespace vesperline
