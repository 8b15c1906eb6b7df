#pragma once

#include <QWidget>

class QPushButton;
class QTextEdit;

namespace vesperline {

// A piece of configuration to paste elsewhere: its title above, the text in a fixed-width font on
// a faint rounded ground that fills the width (selectable; a long path wraps anywhere),
// and a "Copy" button beside it that reads "Copied" while this text is the one copied last.
class ConfigurationBlock final : public QWidget {
    Q_OBJECT

  public:
    ConfigurationBlock(const QString& title, const QString& text, QWidget* parent = nullptr);

    const QString& text() const { return text_; }
    void setText(const QString& text);
    // Whether the button reads "Copied".
    void setCopied(bool copied);

  signals:
    // The user pressed "Copy".
    void copyRequested(const QString& text);

  private:
    QString text_;
    QTextEdit* code_;
    QPushButton* copy_;
};

} // namespace vesperline
