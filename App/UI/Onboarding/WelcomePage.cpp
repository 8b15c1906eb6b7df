#include "UI/Onboarding/WelcomePage.h"

#include "UI/Onboarding/TourParts.h"
#include "UI/Shared/BrandMark.h"
#include "UI/Shared/PageParts.h"
#include "UI/Shared/SymbolLabel.h"

#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace vesperline {

namespace {

constexpr int introWidth = 520;
constexpr int featuresWidth = 480;

QWidget* feature(const QString& symbol, const Theme::Hue& hue, const QString& name,
                 const QString& description) {
    auto* row = new QWidget;
    QHBoxLayout* layout = PageParts::row(row, 12);
    auto* glyph = new SymbolLabel(symbol, Theme::TextStyle::title, hue.ink);
    auto* glyphColumn = new QWidget;
    glyphColumn->setFixedWidth(26);
    PageParts::row(glyphColumn, 0)->addWidget(glyph, 0, Qt::AlignHCenter | Qt::AlignTop);
    layout->addWidget(glyphColumn, 0, Qt::AlignTop);
    auto* texts = new QWidget;
    QVBoxLayout* lines = PageParts::column(texts, 2);
    QLabel* title = PageParts::textLabel(Theme::TextStyle::headline);
    title->setText(name);
    QLabel* detail =
        PageParts::textLabel(Theme::TextStyle::callout, Theme::Level::secondary, std::nullopt, true);
    detail->setText(description);
    lines->addWidget(title);
    lines->addWidget(detail);
    layout->addWidget(texts, 1);
    return row;
}

} // namespace

WelcomePage::WelcomePage(QWidget* parent) : QWidget(parent) {
    QVBoxLayout* layout = PageParts::column(this, 14);
    layout->addStretch(1);

    auto* mark = new BrandMark(92);
    auto* shadow = new QGraphicsDropShadowEffect(mark);
    QColor glow = Theme::lavender.pastel;
    glow.setAlphaF(0.7f);
    shadow->setColor(glow);
    shadow->setBlurRadius(2 * 18);
    shadow->setOffset(0, 8);
    mark->setGraphicsEffect(shadow);
    layout->addWidget(mark, 0, Qt::AlignHCenter);
    layout->addSpacing(6);

    QLabel* title = TourParts::title(tr("Your computer, with a memory."), 30);
    title->setObjectName("welcomeTitle");
    title->setAlignment(Qt::AlignHCenter);
    layout->addWidget(title);

    QLabel* intro =
        PageParts::textLabel(Theme::TextStyle::title3, Theme::Level::secondary, std::nullopt, true);
    intro->setText(tr("Vesperline quietly remembers what you see, so you can find any word, link or screen "
                      "again in seconds."));
    intro->setAlignment(Qt::AlignHCenter);
    layout->addWidget(TourParts::withWidth(intro, introWidth));
    layout->addSpacing(10);

    auto* features = new QWidget;
    QVBoxLayout* list = PageParts::column(features, 14);
    list->addWidget(feature("text.viewfinder", Theme::lavender, tr("What it remembers"),
                            tr("The text, links and screens you see, saved whenever the screen meaningfully "
                               "changes.")));
    list->addWidget(feature("lock.shield.fill", Theme::sky, tr("Only on this computer"),
                            tr("No account, no cloud. Your screen and text never leave this computer.")));
    list->addWidget(feature("leaf.fill", Theme::mint, tr("Gentle on battery"),
                            tr("Records only when your screen changes; heavy work waits for power.")));
    layout->addWidget(TourParts::withWidth(features, featuresWidth));
    layout->addStretch(1);
}

} // namespace vesperline
