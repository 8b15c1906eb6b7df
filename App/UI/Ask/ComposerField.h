#pragma once

#include <QPlainTextEdit>

namespace vesperline {

// The question field of the Ask screen: plain, without a frame, growing from one to four lines as
// the text wraps, then scrolling. Return (or Enter) submits; Shift or Alt with it starts a new line.
class ComposerField final : public QPlainTextEdit {
    Q_OBJECT

  public:
    static constexpr int maximumLines = 4;

    explicit ComposerField(QWidget* parent = nullptr);

    // The lines the field is tall enough to show now, from 1 to `maximumLines`.
    int shownLines() const { return shownLines_; }

  signals:
    void submitted();

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void fitHeight();

    int shownLines_ = 1;
};

} // namespace vesperline
