#pragma once

#include "Storage/Snippet.h"

#include <QTextLayout>
#include <QWidget>

#include <array>
#include <memory>

namespace vesperline {

// The excerpt of a search hit with its matched parts in bold on a soft amber ground. The ranges count
// user-perceived characters (grapheme clusters); a range that does not fit the text (past its end,
// inverted or negative) is skipped, the others are still marked. Text wraps at word boundaries, in
// the widget's font and its palette's text colour; with a line limit the last line ends in "…" when
// text is left out.
class HighlightedText final : public QWidget {
    Q_OBJECT

  public:
    // The snippet's text as a QString, with the format of each range that fits it.
    struct Attributed {
        QString text;
        QList<QTextLayout::FormatRange> formats;
    };
    static Attributed attributed(const ostrel::Snippet& snippet);

    explicit HighlightedText(QWidget* parent = nullptr);
    ~HighlightedText() override;

    void setSnippet(const ostrel::Snippet& snippet);
    const Attributed& content() const { return content_; }
    // At most this many lines (0: no limit).
    void setMaximumLineCount(int lines);
    // Whether the text did not fit the line limit at the current width.
    bool elided() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    struct Layout;
    const Layout& layout(int width) const;
    void invalidate();

    Attributed content_;
    int maximumLines_ = 0;
    // The latest first. Before the text is placed, layouts ask for the height at the comfortable
    // width (sizeHint) and at the width they give, in turn: both are kept, so neither lays the text
    // out again for the other.
    mutable std::array<std::unique_ptr<Layout>, 2> layouts_;
};

} // namespace vesperline
