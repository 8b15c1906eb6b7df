#include "UI/Shared/HighlightedText.h"

#include "Support/Graphemes.h"
#include "UI/Theme/Theme.h"

#include <QByteArrayView>
#include <QEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vesperline {

namespace {

const QString ellipsis = QStringLiteral("\u2026");

QTextCharFormat highlightFormat() {
    QColor ground = Theme::highlight;
    ground.setAlphaF(0.38f);
    QTextCharFormat format;
    format.setBackground(ground);
    format.setFontWeight(QFont::Bold);
    return format;
}

// Where each of the byte offsets `bytes` (in order) falls in the UTF-16 form of the valid UTF-8
// `text`: a sequence of four bytes takes two code units, any other one.
std::vector<qsizetype> utf16Offsets(const std::string& text, const std::vector<std::size_t>& bytes) {
    std::vector<qsizetype> offsets;
    offsets.reserve(bytes.size());
    qsizetype units = 0;
    std::size_t at = 0;
    for (const std::size_t boundary : bytes) {
        for (; at < boundary && at < text.size(); ++at) {
            const auto byte = static_cast<unsigned char>(text[at]);
            if ((byte & 0xC0) != 0x80) {
                units += (byte & 0xF8) == 0xF0 ? 2 : 1;
            }
        }
        offsets.push_back(units);
    }
    return offsets;
}

} // namespace

struct HighlightedText::Layout {
    int width = -1;
    QTextLayout text;
    double height = 0;
    bool elided = false;
};

HighlightedText::Attributed HighlightedText::attributed(const ostrel::Snippet& snippet) {
    Attributed result;
    // Where each character starts in the UTF-16 text, and where the last one ends.
    const std::vector<std::size_t> bytes = ostrel::Graphemes::boundaries(snippet.text);
    std::vector<qsizetype> starts;
    const QByteArrayView utf8(snippet.text.data(), qsizetype(snippet.text.size()));
    if (utf8.isValidUtf8()) {
        result.text = QString::fromUtf8(utf8);
        starts = utf16Offsets(snippet.text, bytes);
    } else {
        // Each character is converted on its own, so a broken one stays a character of its own.
        starts.reserve(bytes.size());
        starts.push_back(0);
        for (std::size_t i = 1; i < bytes.size(); ++i) {
            result.text +=
                QString::fromUtf8(utf8.sliced(qsizetype(bytes[i - 1]), qsizetype(bytes[i] - bytes[i - 1])));
            starts.push_back(result.text.size());
        }
    }
    const auto characters = std::int64_t(starts.size() - 1);
    const QTextCharFormat format = highlightFormat();
    for (const ostrel::Snippet::Range& range : snippet.highlights) {
        if (range.lower < 0 || range.upper > characters || range.lower >= range.upper) {
            continue;
        }
        const qsizetype start = starts[std::size_t(range.lower)];
        const qsizetype end = starts[std::size_t(range.upper)];
        result.formats.append({int(start), int(end - start), format});
    }
    return result;
}

HighlightedText::HighlightedText(QWidget* parent) : QWidget(parent) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

HighlightedText::~HighlightedText() = default;

void HighlightedText::setSnippet(const ostrel::Snippet& snippet) {
    content_ = attributed(snippet);
    invalidate();
}

void HighlightedText::setMaximumLineCount(int lines) {
    maximumLines_ = std::max(0, lines);
    invalidate();
}

void HighlightedText::invalidate() {
    layouts_ = {};
    updateGeometry();
    update();
}

const HighlightedText::Layout& HighlightedText::layout(int width) const {
    for (std::unique_ptr<Layout>& kept : layouts_) {
        if (kept && kept->width == width) {
            std::swap(kept, layouts_.front());
            return *layouts_.front();
        }
    }
    layouts_.back() = std::make_unique<Layout>();
    std::swap(layouts_.back(), layouts_.front());
    Layout& laid = *layouts_.front();
    laid.width = width;
    QString text = content_.text;
    text.replace(QLatin1Char('\n'), QChar::LineSeparator); // same length: the formats still fit
    QTextLayout& lines = laid.text;
    lines.setText(text);
    lines.setFont(font());
    lines.setFormats(content_.formats);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    lines.setTextOption(option);
    const double ellipsisWidth = QFontMetricsF(font()).horizontalAdvance(ellipsis);
    double y = 0;
    lines.beginLayout();
    for (int count = 1;; ++count) {
        QTextLine line = lines.createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        if (maximumLines_ > 0 && count == maximumLines_ &&
            line.textStart() + line.textLength() < text.size()) {
            // The last line allowed, with text after it: lay it out again leaving room for "…".
            line.setLineWidth(std::max(0.0, width - ellipsisWidth));
            laid.elided = true;
        }
        y += line.height();
        if (laid.elided) {
            break;
        }
    }
    lines.endLayout();
    laid.height = y;
    return laid;
}

bool HighlightedText::elided() const {
    return layout(width()).elided;
}

int HighlightedText::heightForWidth(int width) const {
    return int(std::ceil(layout(width).height));
}

QSize HighlightedText::sizeHint() const {
    // A text that fits on one line is as wide as it is, up to a comfortable line of about 80
    // characters; one that wraps wants the comfortable width. Layouts narrow it further through
    // heightForWidth. It is measured at the width it has once placed (before that, at the
    // comfortable one), and only as far as its lines show: never the whole excerpt on one line.
    const int comfortable = int(std::ceil(QFontMetricsF(font()).averageCharWidth() * 80));
    const Layout& laid = layout(testAttribute(Qt::WA_Resized) ? width() : comfortable);
    if (laid.elided || laid.text.lineCount() > 1) {
        return {comfortable, int(std::ceil(laid.height))};
    }
    const double natural = laid.text.lineCount() == 1 ? laid.text.lineAt(0).naturalTextWidth() : 0;
    return {std::min(comfortable, int(std::ceil(natural))), int(std::ceil(laid.height))};
}

QSize HighlightedText::minimumSizeHint() const {
    return {0, 0};
}

void HighlightedText::paintEvent(QPaintEvent*) {
    const Layout& laid = layout(width());
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    laid.text.draw(&painter, QPointF(0, 0));
    if (laid.elided && laid.text.lineCount() > 0) {
        const QTextLine last = laid.text.lineAt(laid.text.lineCount() - 1);
        painter.setFont(font());
        painter.drawText(QPointF(last.x() + last.naturalTextWidth(), last.y() + last.ascent()), ellipsis);
    }
}

void HighlightedText::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        invalidate();
    }
}

} // namespace vesperline
