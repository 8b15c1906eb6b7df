#include "UI/MenuBar/Metric.h"

#include "UI/Shared/ElidedLabel.h"
#include "UI/Shared/PageParts.h"
#include "UI/Shared/RoundedBox.h"
#include "UI/Shared/SymbolLabel.h"
#include "UI/Theme/Theme.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace vesperline {

Metric::Metric(const QString& symbol, const QString& value, const QString& caption, QWidget* parent)
    : QWidget(parent), symbol_(symbol),
      glyph_(new SymbolLabel(symbol, Theme::TextStyle::callout, Theme::Level::primary)),
      value_(new ElidedLabel), caption_(new ElidedLabel) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* tile = new RoundedBox(8, RoundedBox::level(Theme::Level::quaternary, 0.35));
    PageParts::column(this, 0)->addWidget(tile);
    QVBoxLayout* layout = PageParts::column(tile, 2);
    layout->setContentsMargins(8, 8, 8, 8);
    auto* figure = new QWidget;
    QHBoxLayout* row = PageParts::row(figure, 4);
    row->addWidget(glyph_);
    value_->setObjectName("metricValue");
    value_->setMinimumScale(0.8);
    Theme::applyText(value_, Theme::TextStyle::callout, Theme::Level::primary, QFont::DemiBold);
    row->addWidget(value_, 1);
    layout->addWidget(figure);
    caption_->setObjectName("metricCaption");
    Theme::applyText(caption_, Theme::TextStyle::caption2, Theme::Level::secondary);
    layout->addWidget(caption_);
    setValue(symbol, value, caption);
}

void Metric::setValue(const QString& symbol, const QString& value, const QString& caption) {
    if (symbol != symbol_) {
        symbol_ = symbol;
        glyph_->setSymbol(symbol, Theme::Level::primary);
    }
    value_->setText(value);
    caption_->setText(caption);
}

QString Metric::value() const {
    return value_->text();
}

QString Metric::caption() const {
    return caption_->text();
}

} // namespace vesperline
