#pragma once

#include "Support/UUID.h"

#include <QWidget>

#include <string>
#include <vector>

class QLineEdit;

namespace vesperline {

class AppSettings;

// One project rule of the settings, edited in place: its name, stored on every edit, and its
// keywords, committed when Return is pressed, when the field loses the keyboard and when the row
// goes away. The row stands for the rule with its id: once that rule is gone from the settings, the
// row writes nothing.
class ProjectRuleRow final : public QWidget {
    Q_OBJECT

  public:
    ProjectRuleRow(AppSettings& settings, const ostrel::UUID& ruleID, QWidget* parent = nullptr);
    ~ProjectRuleRow() override;

    const ostrel::UUID& ruleID() const { return ruleID_; }
    // Shows a name given elsewhere; the keywords field keeps what was typed.
    void showName(const QString& name);

    // The keywords of a text: split at every comma, spaces and tabs trimmed from each piece, empty
    // pieces dropped; order, duplicates and letter case kept.
    static std::vector<std::string> parseKeywords(const QString& text);

  signals:
    // The trash button: the pane removes the rule.
    void deleteRequested(const ostrel::UUID& ruleID);

  private:
    // Stores the keywords typed, unless they are the stored ones already or the rule is gone.
    void commitKeywords();

    AppSettings& settings_;
    ostrel::UUID ruleID_;
    QLineEdit* name_;
    QLineEdit* keywords_;
};

} // namespace vesperline
