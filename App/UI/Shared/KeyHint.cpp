#include "UI/Shared/KeyHint.h"

#include "UI/Shared/PageParts.h"
#include "UI/Shared/RoundedBox.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>

namespace vesperline {

QWidget* makeKeyHint(const QString& text, Theme::Level level) {
    auto* cap = new RoundedBox(5, RoundedBox::level(Theme::Level::quaternary, 0.6));
    cap->setObjectName("keyHint");
    QHBoxLayout* layout = PageParts::row(cap, 0);
    layout->setContentsMargins(6, 2, 6, 2);
    QLabel* label = PageParts::textLabel(Theme::TextStyle::caption, level);
    QFont font = Theme::font(Theme::TextStyle::caption);
    font.setFamilies({QFontDatabase::systemFont(QFontDatabase::FixedFont).family()});
    font.setStyleHint(QFont::Monospace);
    label->setFont(font);
    label->setText(text);
    layout->addWidget(label);
    cap->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return cap;
}

} // namespace vesperline
