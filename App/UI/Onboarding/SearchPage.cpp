#include "UI/Onboarding/SearchPage.h"

#include "Model/AppSettings.h"
#include "UI/Onboarding/OnboardingController.h"
#include "UI/Onboarding/TourParts.h"
#include "UI/Shared/KeyHint.h"
#include "UI/Shared/PageParts.h"
#include "UI/Shared/RoundedBox.h"
#include "UI/Shared/SymbolLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace vesperline {

namespace {

constexpr int pageWidth = 520;
constexpr int illustrationWidth = 440;
const QString query = QStringLiteral("invoice 2041");

// The quick-search panel finding the query: its field and one result.
QWidget* panelPicture() {
    auto* panel = new RoundedBox(10, {}, true);
    panel->setObjectName("searchIllustration");
    QVBoxLayout* layout = PageParts::column(panel, 10);
    layout->setContentsMargins(14, 14, 14, 14);

    auto* field =
        new RoundedBox(8, [](const QPalette&) { return QBrush(Theme::pastelGradient(0.4, false)); });
    QHBoxLayout* fieldRow = PageParts::row(field, 10);
    fieldRow->setContentsMargins(8, 8, 8, 8);
    fieldRow->addWidget(new SymbolLabel("magnifyingglass", Theme::TextStyle::title3, Theme::Level::primary));
    QLabel* typed = PageParts::textLabel(Theme::TextStyle::title3);
    typed->setText(query);
    fieldRow->addWidget(typed, 1);
    fieldRow->addWidget(makeKeyHint(QStringLiteral("return"), Theme::Level::secondary));
    layout->addWidget(field);

    auto* result = new QWidget;
    QHBoxLayout* resultRow = PageParts::row(result, 10);
    auto* thumbnail = new RoundedBox(6, [](const QPalette&) {
        QColor color = Theme::sky.pastel;
        color.setAlphaF(0.6f);
        return QBrush(color);
    });
    thumbnail->setFixedSize(56, 36);
    PageParts::row(thumbnail, 0)
        ->addWidget(new SymbolLabel("doc.on.doc", Theme::TextStyle::title2, Theme::Level::secondary), 0,
                    Qt::AlignCenter);
    resultRow->addWidget(thumbnail);
    auto* texts = new QWidget;
    QVBoxLayout* lines = PageParts::column(texts, 2);
    QLabel* when = PageParts::textLabel(Theme::TextStyle::caption, Theme::Level::secondary);
    when->setText(SearchPage::tr("Yesterday") + QStringLiteral(" 16:42"));
    QLabel* title = PageParts::textLabel(Theme::TextStyle::callout);
    title->setTextFormat(Qt::RichText);
    title->setText(SearchPage::tr("Your %1 is ready").arg("<b>" + query.toHtmlEscaped() + "</b>"));
    lines->addWidget(when);
    lines->addWidget(title);
    resultRow->addWidget(texts, 1);
    layout->addWidget(result);
    return panel;
}

// A step's number, bold in a hue's ink, in a square the size of two lines of its text.
class NumberBadge final : public QWidget {
  public:
    NumberBadge(int number, const Theme::Hue& hue) : number_(number), ink_(hue.ink) { setFixedSize(24, 24); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setFont(Theme::font(Theme::TextStyle::title3, QFont::Bold));
        painter.setPen(ink_.resolved(palette()));
        painter.drawText(rect(), Qt::AlignCenter, QString::number(number_));
    }

  private:
    int number_;
    Theme::DynamicColor ink_;
};

QWidget* numberedStep(int number, const Theme::Hue& hue, QLabel* text) {
    auto* row = new QWidget;
    QHBoxLayout* layout = PageParts::row(row, 12);
    layout->addWidget(new NumberBadge(number, hue), 0, Qt::AlignTop);
    // The text's first line level with the number.
    text->setContentsMargins(0, std::max(0, (24 - QFontMetrics(text->font()).height()) / 2), 0, 0);
    layout->addWidget(text, 1);
    return row;
}

} // namespace

SearchPage::SearchPage(OnboardingController& controller, QWidget* parent)
    : QWidget(parent), shortcutStep_(PageParts::textLabel(Theme::TextStyle::callout, Theme::Level::primary,
                                                          std::nullopt, true)) {
    auto* page = new QWidget;
    QVBoxLayout* layout = PageParts::column(page, 12);
    layout->addWidget(TourParts::title(tr("Find anything in seconds")));
    layout->addWidget(TourParts::withWidth(panelPicture(), illustrationWidth, Qt::AlignLeft));
    layout->addSpacing(4);

    shortcutStep_->setObjectName("shortcutStep");
    auto step = [](const QString& text) {
        QLabel* label =
            PageParts::textLabel(Theme::TextStyle::callout, Theme::Level::primary, std::nullopt, true);
        label->setText(text);
        return label;
    };
    layout->addWidget(numberedStep(1, Theme::lavender, shortcutStep_));
    layout->addWidget(numberedStep(
        2, Theme::sky,
        step(tr(
            "Type a word you remember seeing. Use \"quotes\" for an exact phrase, app:Firefox or site:github "
            "to narrow it down."))));
    layout->addWidget(
        numberedStep(3, Theme::mint,
                     step(tr("Press Return to open the moment in the timeline, then rewind with ← and →."))));

    QVBoxLayout* outer = PageParts::column(this, 0);
    outer->addWidget(TourParts::withWidth(page, pageWidth, Qt::AlignLeft));
    outer->addStretch(1);

    auto follow = [this, &controller] { shortcutStep_->setText(controller.shortcutStep()); };
    connect(&controller.settings(), &AppSettings::hotKeyChanged, this, follow);
    follow();
}

} // namespace vesperline
