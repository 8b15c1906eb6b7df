#include "UI/Shared/ElidedLabel.h"

#include "Support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vesperline;

TEST(ElidedLabelTest, ShrinksAsFarAsAllowedBeforeCutting) {
    const QString text = QStringLiteral("Quarterly report editor");
    ElidedLabel label;
    QFont font = label.font();
    font.setPointSizeF(20);
    label.setFont(font);
    label.setText(text);
    const int natural = label.fontMetrics().horizontalAdvance(text);
    const struct {
        const char* name;
        double minimumScale;
        int width;
        bool shrinks;
        bool cut;
    } cases[] = {
        {"room enough", 0.7, natural + 4, false, false},
        {"a little short", 0.7, natural * 9 / 10, true, false},
        {"far too short", 0.7, natural / 2, true, true},
        {"not allowed to shrink", 1, natural * 9 / 10, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        label.setMinimumScale(c.minimumScale);
        label.resize(c.width, label.sizeHint().height());
        const QFont shown = label.shownFont();
        EXPECT_EQ(shown.pointSizeF() < 20, c.shrinks);
        EXPECT_GE(shown.pointSizeF(), 20 * c.minimumScale - 0.01);
        EXPECT_EQ(label.shownText() != text, c.cut);
        EXPECT_LE(QFontMetrics(shown).horizontalAdvance(label.shownText()), c.width);
    }
}
