#include "UI/Search/ResultRow.h"

#include "UI/Search/SearchTexts.h"
#include "UI/Shared/AppIconView.h"
#include "UI/Shared/ElidedLabel.h"
#include "UI/Shared/FrameThumbnail.h"
#include "UI/Shared/HighlightedText.h"
#include "UI/Theme/Theme.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace vesperline {

namespace {

constexpr int appIconSide = 13;
constexpr int columnSpacing = 3;
constexpr int excerptLines = 2;

} // namespace

ResultRow::ResultRow(const Services& services, QWidget* parent)
    : QWidget(parent), format_(services.format), clock_(services.clock) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(padding, padding, padding, padding);
    row->setSpacing(10);

    // The thumbnail sits in a slot of its own, so the layout stays when a list hides it.
    auto* slot = new QWidget(this);
    slot->setFixedSize(thumbnailSize);
    thumbnail_ = new FrameThumbnail(services.thumbnails, thumbnailCornerRadius, services.clock,
                                    services.retryDelay, slot);
    thumbnail_->setObjectName("resultThumbnail");
    thumbnail_->setGeometry(QRect(QPoint(), thumbnailSize));
    row->addWidget(slot, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(columnSpacing);
    auto* header = new QHBoxLayout;
    header->setSpacing(5);
    appIcon_ = new AppIconView(services.applications, std::nullopt, appIconSide, this);
    appIcon_->setObjectName("resultAppIcon");
    appName_ = new ElidedLabel(Qt::ElideRight, this);
    appName_->setObjectName("resultApp");
    Theme::applyText(appName_, Theme::TextStyle::caption, Theme::Level::secondary, QFont::Medium);
    time_ = new QLabel(this);
    time_->setObjectName("resultTime");
    Theme::applyText(time_, Theme::TextStyle::caption2, Theme::Level::tertiary);
    header->addWidget(appIcon_, 0, Qt::AlignVCenter);
    header->addWidget(appName_, 1, Qt::AlignVCenter);
    header->addSpacing(4);
    header->addWidget(time_, 0, Qt::AlignVCenter);
    column->addLayout(header);

    title_ = new ElidedLabel(Qt::ElideRight, this);
    title_->setObjectName("resultTitle");
    Theme::applyText(title_, Theme::TextStyle::callout, Theme::Level::primary, QFont::DemiBold);
    column->addWidget(title_);

    excerpt_ = new HighlightedText(this);
    excerpt_->setObjectName("resultExcerpt");
    excerpt_->setMaximumLineCount(excerptLines);
    Theme::applyText(excerpt_, Theme::TextStyle::caption, Theme::Level::secondary);
    column->addWidget(excerpt_);

    count_ = new QLabel(this);
    count_->setObjectName("resultCount");
    Theme::applyText(count_, Theme::TextStyle::caption2, Theme::Level::tertiary);
    column->addWidget(count_);
    column->addStretch(1);
    row->addLayout(column, 1);

    // The list holding the row takes every click, wherever it lands.
    for (QWidget* part : findChildren<QWidget*>()) {
        part->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    setHit({});
}

void ResultRow::setHit(const ostrel::SearchHit& hit) {
    hit_ = hit;
    thumbnail_->setFrame(hit.frame);
    if (appIcon_->bundleID() != hit.frame.appBundleID) {
        appIcon_->setBundleID(hit.frame.appBundleID);
    }
    appName_->setText(SearchTexts::appLabel(hit.frame));
    time_->setText(format_.momentLabel(hit.frame.timestamp, clock_.now()));
    title_->setText(QString::fromStdString(hit.frame.displayTitle()));
    excerpt_->setSnippet(hit.snippet);
    excerpt_->setVisible(!hit.snippet.text.empty());
    const std::optional<QString> folded = SearchTexts::foldedMoments(hit.matchCount, format_);
    count_->setText(folded.value_or(QString()));
    count_->setVisible(folded.has_value());
}

QSize ResultRow::sizeHint() const {
    const int width = testAttribute(Qt::WA_Resized) ? this->width() : layout()->sizeHint().width();
    return {width, heightForWidth(width)};
}

void ResultRow::setSelected(bool selected) {
    if (selected != selected_) {
        selected_ = selected;
        update();
    }
}

void ResultRow::setThumbnailWanted(bool wanted) {
    thumbnail_->setVisible(wanted);
}

void ResultRow::paintEvent(QPaintEvent*) {
    if (!selected_) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The border is drawn inside the edge: its one-pixel line centred half a pixel in.
    const QRectF edge = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(edge, cornerRadius, cornerRadius);
    painter.fillPath(shape, QBrush(Theme::pastelGradient(0.45, false)));
    painter.setPen(QPen(QBrush(Theme::pastelGradient(0.95, false)), 1));
    painter.drawPath(shape);
}

} // namespace vesperline
