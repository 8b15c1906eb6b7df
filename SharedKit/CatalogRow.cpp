#include "SharedKit/CatalogRow.h"

#include "SharedKit/AppCatalog.h"
#include "SharedKit/KitText.h"

#include <QEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace vesperline {

namespace {

constexpr int rowPadding = 4;

} // namespace

CatalogRow::CatalogRow(const CatalogApp& app, platform::InstalledApplications& installed,
                       platform::ApplicationLauncher& launcher, QWidget* parent)
    : QAbstractButton(parent), app_(app), name_(new QLabel(QString::fromStdString(app.name))),
      tagline_(new QLabel(app.tagline())), arrow_(new QLabel) {
    setObjectName(QString::fromStdString("catalog:" + app.id));
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(QString::fromStdString(app.name));
    KitText::style(name_, KitText::Size::body, KitText::Strength::primary, QFont::Medium);
    KitText::style(tagline_, KitText::Size::callout, KitText::Strength::secondary);
    arrow_->setObjectName("arrow");
    // The arrow says what a click does: installed applications start, the others' pages open.
    arrow_->setText(AppCatalog::installedLocation(app, installed) ? QStringLiteral("→")
                                                                  : QStringLiteral("↗"));
    for (QLabel* label : {name_, tagline_, arrow_}) {
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    texts->addWidget(name_);
    texts->addWidget(tagline_);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, rowPadding, 0, rowPadding);
    layout->setSpacing(10);
    layout->addLayout(texts, 1);
    layout->addWidget(arrow_, 0, Qt::AlignVCenter);
    tint();

    connect(this, &QAbstractButton::clicked, this,
            [this, &installed, &launcher] { AppCatalog::open(app_, installed, launcher); });
}

QString CatalogRow::arrow() const {
    return arrow_->text();
}

QSize CatalogRow::sizeHint() const {
    return layout()->sizeHint();
}

void CatalogRow::paintEvent(QPaintEvent*) {
    // The labels draw everything; the row itself is only the place to click.
}

void CatalogRow::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    hovering_ = true;
    tint();
}

void CatalogRow::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    hovering_ = false;
    tint();
}

void CatalogRow::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        tint();
    }
}

void CatalogRow::tint() {
    arrow_->setFont(KitText::font(KitText::Size::body, QFont::DemiBold));
    QPalette colours = arrow_->palette();
    colours.setColor(
        QPalette::WindowText,
        KitText::color(palette(), hovering_ ? KitText::Strength::primary : KitText::Strength::tertiary));
    arrow_->setPalette(colours);
}

} // namespace vesperline
