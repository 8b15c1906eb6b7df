#pragma once

#include "Support/UUID.h"

#include <QWidget>

#include <vector>

namespace vesperline {

class FormSection;
class ProjectRuleRow;
class SettingsContext;

// The Projects pane: the user's project rules, one editable row each, a button that adds one named
// "New project", and each row's trash button that deletes its rule. Rows follow the stored rules by
// id, so a rule changed elsewhere shows its new name without disturbing the row being typed in.
class ProjectsPane final : public QWidget {
    Q_OBJECT

  public:
    explicit ProjectsPane(SettingsContext& context, QWidget* parent = nullptr);
    ~ProjectsPane() override;

    std::vector<ProjectRuleRow*> rows() const;

  private:
    // Makes the rows match the stored rules; writes nothing.
    void follow();
    void addProject();
    void deleteProject(const ostrel::UUID& id);

    SettingsContext& context_;
    FormSection* projects_;
    struct Entry {
        QWidget* row;
        ProjectRuleRow* rule;
    };
    std::vector<Entry> entries_;
};

} // namespace vesperline
