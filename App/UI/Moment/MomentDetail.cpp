#include "UI/Moment/MomentDetail.h"

#include "UI/Shared/ActivityIndicator.h"
#include "UI/Shared/AppIconView.h"
#include "UI/Shared/Divider.h"
#include "UI/Shared/ElidedLabel.h"
#include "UI/Theme/Symbols.h"
#include "UI/Theme/Theme.h"

#include <QEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vesperline {

namespace {

constexpr double noticeSymbolPoints = 34;
constexpr int noticeTextWidth = 340;
constexpr int headerHorizontalPadding = 14;
constexpr int headerVerticalPadding = 10;
constexpr int appIconSide = 28;
constexpr int textPanelPadding = 12;

QToolButton* actionButton(const char* name, const QString& label, const char* symbol, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button->setIcon(Symbols::icon(symbol));
    button->setText(label);
    button->setAccessibleName(label);
    return button;
}

QLabel* captionLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    Theme::applyText(label, Theme::TextStyle::caption, Theme::Level::secondary);
    return label;
}

} // namespace

MomentDetail::MomentDetail(MomentDetailController::Services services, MomentCanvas::Analyze analyze,
                           platform::InstalledApplications& applications, const Format& format,
                           QWidget* parent)
    : QWidget(parent), controller_(std::move(services)), format_(format),
      canvas_(new MomentCanvas(std::move(analyze))) {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(buildPictureArea(), 1);
    headerDivider_ = new Divider(this);
    stack->addWidget(headerDivider_);
    stack->addWidget(buildHeader(applications));

    textDivider_ = new Divider(this);
    stack->addWidget(textDivider_);
    textPanel_ = new QPlainTextEdit(this);
    textPanel_->setObjectName("momentText");
    textPanel_->setReadOnly(true);
    textPanel_->setFrameShape(QFrame::NoFrame);
    textPanel_->setFixedHeight(textPanelHeight);
    textPanel_->document()->setDocumentMargin(textPanelPadding);
    textPanel_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    stack->addWidget(textPanel_);

    connect(&controller_, &MomentDetailController::changed, this, &MomentDetail::render);
    applyStyle();
    render();
}

QWidget* MomentDetail::buildPictureArea() {
    pictureArea_ = new QWidget(this);
    pictureArea_->setObjectName("momentPicture");
    auto* grid = new QGridLayout(pictureArea_);
    grid->setContentsMargins(0, 0, 0, 0);

    canvas_->setParent(pictureArea_);
    canvas_->setObjectName("momentCanvas");
    grid->addWidget(canvas_, 0, 0);

    spinner_ = new ActivityIndicator(20, pictureArea_);
    spinner_->setObjectName("momentSpinner");
    grid->addWidget(spinner_, 0, 0, Qt::AlignCenter);

    notice_ = new QWidget(pictureArea_);
    notice_->setObjectName("momentNotice");
    auto* noticeStack = new QVBoxLayout(notice_);
    noticeStack->setSpacing(8);
    noticeSymbol_ = new QLabel(notice_);
    noticeSymbol_->setObjectName("momentNoticeSymbol");
    noticeStack->addWidget(noticeSymbol_, 0, Qt::AlignHCenter);
    noticeText_ = new QLabel(notice_);
    noticeText_->setObjectName("momentNoticeText");
    noticeText_->setWordWrap(true);
    noticeText_->setAlignment(Qt::AlignHCenter);
    Theme::applyText(noticeText_, Theme::TextStyle::callout, Theme::Level::secondary);
    noticeStack->addWidget(noticeText_, 0, Qt::AlignHCenter);
    auto* showText = new QPushButton(tr("Show recorded text"), notice_);
    showText->setObjectName("momentNoticeShowText");
    connect(showText, &QPushButton::clicked, &controller_, &MomentDetailController::toggleText);
    noticeStack->addWidget(showText, 0, Qt::AlignHCenter);
    grid->addWidget(notice_, 0, 0, Qt::AlignCenter);
    return pictureArea_;
}

QWidget* MomentDetail::buildHeader(platform::InstalledApplications& applications) {
    header_ = new QWidget(this);
    header_->setObjectName("momentHeader");
    auto* row = new QHBoxLayout(header_);
    row->setContentsMargins(headerHorizontalPadding, headerVerticalPadding, headerHorizontalPadding,
                            headerVerticalPadding);
    row->setSpacing(10);

    appIcon_ = new AppIconView(applications, std::nullopt, appIconSide, header_);
    row->addWidget(appIcon_, 0, Qt::AlignVCenter);

    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    title_ = new ElidedLabel(Qt::ElideRight, header_);
    title_->setObjectName("momentTitle");
    Theme::applyText(title_, Theme::TextStyle::headline);
    column->addWidget(title_);
    auto* meta = new QHBoxLayout;
    meta->setSpacing(6);
    appName_ = captionLabel("momentApp", header_);
    auto* dot = captionLabel("momentAppDot", header_);
    dot->setText(QStringLiteral("·"));
    time_ = captionLabel("momentTime", header_);
    projectDot_ = captionLabel("momentProjectDot", header_);
    projectDot_->setText(QStringLiteral("·"));
    project_ = new QLabel(header_);
    project_->setObjectName("momentProject");
    for (QWidget* part :
         {static_cast<QWidget*>(appName_), static_cast<QWidget*>(dot), static_cast<QWidget*>(time_),
          static_cast<QWidget*>(projectDot_), static_cast<QWidget*>(project_)}) {
        meta->addWidget(part);
    }
    meta->addStretch(1);
    column->addLayout(meta);
    address_ = new ElidedLabel(Qt::ElideMiddle, header_);
    address_->setObjectName("momentAddress");
    Theme::applyText(address_, Theme::TextStyle::caption2, Theme::Level::tertiary);
    column->addWidget(address_);
    row->addLayout(column, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    timelineButton_ = actionButton("timelineButton", tr("Timeline"), "clock.arrow.circlepath", header_);
    textButton_ = actionButton("textButton", tr("Text"), "text.alignleft", header_);
    textButton_->setToolTip(tr("Show the text recorded in this window"));
    copyButton_ = actionButton("copyButton", tr("Copy text"), "doc.on.doc", header_);
    linkButton_ = actionButton("openLinkButton", tr("Open link"), "arrow.up.right.square", header_);
    deleteButton_ = actionButton("deleteButton", tr("Delete"), "trash", header_);
    deleteButton_->setToolTip(tr("Delete this moment"));
    for (QToolButton* button : {timelineButton_, textButton_, copyButton_, linkButton_, deleteButton_}) {
        buttons->addWidget(button);
    }
    row->addLayout(buttons);

    connect(timelineButton_, &QToolButton::clicked, &controller_, &MomentDetailController::openInTimeline);
    connect(textButton_, &QToolButton::clicked, &controller_, &MomentDetailController::toggleText);
    connect(copyButton_, &QToolButton::clicked, &controller_, &MomentDetailController::copyText);
    connect(linkButton_, &QToolButton::clicked, &controller_, &MomentDetailController::openLink);
    connect(deleteButton_, &QToolButton::clicked, this, &MomentDetail::confirmDelete);
    return header_;
}

void MomentDetail::setShowTimelineButton(bool show) {
    showTimelineButton_ = show;
    render();
}

void MomentDetail::confirmDelete() {
    auto* confirmation = new QMessageBox(QMessageBox::Warning, tr("Delete this moment?"),
                                         tr("Delete this moment?"), QMessageBox::Cancel, this);
    confirmation->setInformativeText(
        tr("The image and text of this moment will be removed from your memory."));
    confirmation->setObjectName("deleteConfirmation");
    confirmation->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* destroy = confirmation->addButton(tr("Delete"), QMessageBox::DestructiveRole);
    destroy->setObjectName("confirmDeleteButton");
    connect(confirmation, &QMessageBox::buttonClicked, this, [this, destroy](QAbstractButton* clicked) {
        if (clicked == destroy) {
            controller_.deleteMoment();
        }
    });
    confirmation->open();
}

void MomentDetail::render() {
    const MomentDetailController& c = controller_;
    const bool hasImage = c.image().has_value();
    canvas_->setVisible(hasImage);
    if (hasImage) {
        canvas_->setContent(*c.image(), c.boxes());
    }
    spinner_->setVisible(!hasImage && c.loading());
    notice_->setVisible(!hasImage && !c.loading());
    const bool textOnly = c.notice() == MomentDetailController::Notice::textOnly;
    const QString symbol = textOnly ? QStringLiteral("text.alignleft") : QStringLiteral("eye.slash");
    if (symbol != noticeSymbolName_) {
        noticeSymbolName_ = symbol;
        drawNoticeSymbol();
    }
    noticeText_->setText(
        textOnly ? tr("Only text was saved for this moment (text-only mode).")
                 : tr("The image of this moment is no longer kept. Its text is still searchable."));
    // As wide as the text needs, up to its limit, so a short notice stays on one line.
    noticeText_->setFixedWidth(
        std::min(noticeTextWidth, noticeText_->fontMetrics().horizontalAdvance(noticeText_->text()) + 1));

    const std::optional<ostrel::FrameRecord>& record = c.record();
    headerDivider_->setVisible(record.has_value());
    header_->setVisible(record.has_value());
    const bool showPanel = record && c.showText();
    textDivider_->setVisible(showPanel);
    textPanel_->setVisible(showPanel);
    if (!record) {
        return;
    }
    appIcon_->setBundleID(record->appBundleID);
    title_->setText(QString::fromStdString(record->displayTitle()));
    appName_->setText(QString::fromStdString(record->appName.value_or(record->appBundleID.value_or(""))));
    time_->setText(format_.mediumDate(record->timestamp) + QLatin1Char(' ') +
                   format_.timeWithSeconds(record->timestamp));
    projectDot_->setVisible(record->project.has_value());
    project_->setVisible(record->project.has_value());
    project_->setText(QString::fromStdString(record->project.value_or("")));
    address_->setVisible(record->url.has_value());
    address_->setText(QString::fromStdString(record->url.value_or("")));

    timelineButton_->setVisible(showTimelineButton_);
    textButton_->setIcon(Symbols::icon(c.showText() ? "text.badge.checkmark" : "text.alignleft"));
    copyButton_->setIcon(Symbols::icon(c.copied() ? "checkmark" : "doc.on.doc"));
    copyButton_->setText(c.copied() ? tr("Copied") : tr("Copy text"));
    copyButton_->setAccessibleName(copyButton_->text());
    linkButton_->setVisible(c.link().has_value());

    const QString shown = c.text().isEmpty() ? tr("No text was recorded for this moment.") : c.text();
    if (textPanel_->toPlainText() != shown) {
        textPanel_->setPlainText(shown);
    }
}

void MomentDetail::applyStyle() {
    // The project stands out in mint, in either appearance.
    QPalette colours = project_->palette();
    colours.setColor(QPalette::WindowText, Theme::mint.ink.resolved(palette()));
    project_->setPalette(colours);
    project_->setFont(Theme::font(Theme::TextStyle::caption));
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(Theme::font(Theme::TextStyle::callout).pointSizeF());
    textPanel_->setFont(mono);
    drawNoticeSymbol();
}

void MomentDetail::drawNoticeSymbol() {
    const int side = QFontMetrics(Theme::font(noticeSymbolPoints, QFont::Light)).height();
    noticeSymbol_->setPixmap(Symbols::pixmap(
        noticeSymbolName_, side, Theme::textColor(palette(), Theme::Level::tertiary), devicePixelRatioF()));
}

void MomentDetail::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(pictureArea_->geometry(), Theme::pictureBackdrop);
}

void MomentDetail::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    controller_.setShown(true);
}

void MomentDetail::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    controller_.setShown(false);
}

void MomentDetail::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        applyStyle();
    }
}

} // namespace vesperline
