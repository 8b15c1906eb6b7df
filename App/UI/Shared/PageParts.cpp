#include "UI/Shared/PageParts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace vesperline::PageParts {

namespace {

template <typename Layout> Layout* layoutOf(QWidget* widget, int spacing) {
    auto* layout = new Layout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace

QLabel* textLabel(Theme::TextStyle style, Theme::Level level, std::optional<QFont::Weight> weight,
                  bool wraps) {
    auto* label = new QLabel;
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(wraps);
    Theme::applyText(label, style, level, weight);
    return label;
}

QVBoxLayout* column(QWidget* widget, int spacing) {
    return layoutOf<QVBoxLayout>(widget, spacing);
}

QHBoxLayout* row(QWidget* widget, int spacing) {
    return layoutOf<QHBoxLayout>(widget, spacing);
}

} // namespace vesperline::PageParts
