#pragma once

#include "UI/Theme/Theme.h"

#include <QLabel>
#include <QScrollArea>
#include <QString>

#include <vector>

namespace vesperline {

class FormSection;
class ToggleSwitch;

// A pane of the settings window: sections down a scrolling column. Each section is a card of rows
// separated by thin lines, with an optional header above it and an optional footer below.
class SettingsForm final : public QScrollArea {
    Q_OBJECT

  public:
    explicit SettingsForm(QWidget* parent = nullptr);
    // A form filling `pane` from edge to edge.
    static SettingsForm* fill(QWidget* pane);

    // A new section at the end; no header when `header` is empty.
    FormSection* addSection(const QString& header = {});

  private:
    QWidget* page_;
};

class FormSection final : public QWidget {
    Q_OBJECT

  public:
    explicit FormSection(const QString& header, QWidget* parent = nullptr);

    // A row holding `content`, below the rows before it; returns the row, which can be hidden or
    // disabled as a whole (the line above the first shown row is left out).
    QWidget* addRow(QWidget* content);
    // The same row put at `index` among the rows (at the end when `index` is past the last).
    QWidget* insertRow(int index, QWidget* content);
    // Takes out a row that `addRow` or `insertRow` returned and deletes it, with what it holds, once
    // control returns to the event loop.
    void removeRow(QWidget* row);
    // Puts a row of this section at `index` among the rows.
    void moveRow(QWidget* row, int index);
    // A row holding `content` at its own width at the leading edge, such as a button.
    QWidget* addLeadingRow(QWidget* content);
    // A row with `title` at the leading edge and `control` at the trailing one; the title sits level
    // with the control's middle, or with its top for a control of several lines.
    QWidget* addLabeledRow(const QString& title, QWidget* control,
                           Qt::Alignment titleAlignment = Qt::AlignVCenter);
    // A row with `title` and a switch named `name`; returns the switch.
    ToggleSwitch* addSwitch(const QString& title, const QString& name);
    // A row of text, wrapped to the width; in caption size and secondary colour unless given.
    QLabel* addText(const QString& text, Theme::TextStyle style = Theme::TextStyle::caption,
                    Theme::Level level = Theme::Level::secondary);
    // The text below the card, in caption size and secondary colour.
    void setFooter(const QString& text);

    QLabel* header() const { return header_; }
    QLabel* footer() const { return footer_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Row {
        QWidget* row;
        QWidget* line;
    };
    void updateLines();

    QLabel* header_;
    QWidget* rows_;
    QLabel* footer_;
    std::vector<Row> rowList_;
};

// A text in a settings form: plain text, wrapped when asked, in a style and level of the theme.
QLabel* formLabel(const QString& text, Theme::TextStyle style, Theme::Level level = Theme::Level::primary,
                  bool wraps = false);

} // namespace vesperline
