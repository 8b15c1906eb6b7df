#include "UI/Shared/KeyHint.h"

#include "UI/Shared/PageParts.h"
#include "UI/Shared/RoundedBox.h"

#include <QHBoxLayout>
#include <QLabel>

namespace vesperline {

QWidget* makeKeyHint(const QString& text, Theme::Level level) {
    auto* cap = new RoundedBox(5, RoundedBox::level(Theme::Level::quaternary, 0.6));
    cap->setObjectName("keyHint");
    QHBoxLayout* layout = PageParts::row(cap, 0);
    layout->setContentsMargins(6, 2, 6, 2);
    QLabel* label = PageParts::textLabel(Theme::TextStyle::caption, level);
    label->setFont(Theme::monospacedFont(Theme::TextStyle::caption));
    label->setText(text);
    layout->addWidget(label);
    cap->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return cap;
}

} // namespace vesperline
