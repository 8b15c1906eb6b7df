#include "UI/Settings/ProjectsPane.h"

#include "Model/AppSettings.h"
#include "UI/Settings/ProjectRuleRow.h"
#include "UI/Settings/SettingsContext.h"
#include "UI/Settings/SettingsForm.h"
#include "UI/Theme/Symbols.h"

#include <QPushButton>
#include <QUuid>

#include <algorithm>
#include <cstring>

namespace vesperline {

namespace {

ostrel::UUID randomUUID() {
    const QByteArray bytes = QUuid::createUuid().toRfc4122();
    ostrel::UUID::Bytes raw{};
    std::memcpy(raw.data(), bytes.constData(), raw.size());
    return ostrel::UUID(raw);
}

} // namespace

ProjectsPane::ProjectsPane(SettingsContext& context, QWidget* parent) : QWidget(parent), context_(context) {
    SettingsForm* form = SettingsForm::fill(this);
    FormSection* about = form->addSection();
    about->addText(tr("The journal groups your time by project. Vesperline detects Xcode, VS Code and Cursor "
                      "projects, Terminal sessions and websites automatically. Add your own rules to group "
                      "anything else."),
                   Theme::TextStyle::callout, Theme::Level::secondary);

    projects_ = form->addSection(tr("Your projects"));
    auto* add = new QPushButton(Symbols::icon("plus"), tr("Add project"));
    add->setObjectName("addProject");
    projects_->addLeadingRow(add);

    connect(add, &QPushButton::clicked, this, &ProjectsPane::addProject);
    connect(&context.settings(), &AppSettings::projectRulesChanged, this, &ProjectsPane::follow);
    follow();
}

ProjectsPane::~ProjectsPane() {
    // The rows commit their keywords as they go; that must not come back here half torn down.
    disconnect(&context_.settings(), nullptr, this, nullptr);
}

std::vector<ProjectRuleRow*> ProjectsPane::rows() const {
    std::vector<ProjectRuleRow*> rows;
    for (const Entry& entry : entries_) {
        rows.push_back(entry.rule);
    }
    return rows;
}

void ProjectsPane::follow() {
    const std::vector<ostrel::ProjectRule>& rules = context_.settings().projectRules();
    // Rows of rules that are gone go; the others stay, in the stored order, with new ones made.
    std::vector<Entry> kept;
    for (const Entry& entry : entries_) {
        const bool present = std::any_of(rules.begin(), rules.end(), [&](const ostrel::ProjectRule& rule) {
            return rule.id == entry.rule->ruleID();
        });
        if (present) {
            kept.push_back(entry);
        } else {
            projects_->removeRow(entry.row);
        }
    }
    std::vector<Entry> ordered;
    for (const ostrel::ProjectRule& rule : rules) {
        const auto sameRule = [&rule](const Entry& entry) { return entry.rule->ruleID() == rule.id; };
        if (std::any_of(ordered.begin(), ordered.end(), sameRule)) {
            continue; // the same id twice: one row
        }
        const auto found = std::find_if(kept.begin(), kept.end(), sameRule);
        if (found != kept.end()) {
            found->rule->showName(QString::fromStdString(rule.name));
            ordered.push_back(*found);
            continue;
        }
        auto* row = new ProjectRuleRow(context_.settings(), rule.id);
        connect(row, &ProjectRuleRow::deleteRequested, this, &ProjectsPane::deleteProject);
        ordered.push_back({projects_->insertRow(int(ordered.size()), row), row});
    }
    // Every row where the rules put it (a rule may have moved).
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        projects_->moveRow(ordered[i].row, int(i));
    }
    entries_ = std::move(ordered);
}

void ProjectsPane::addProject() {
    std::vector<ostrel::ProjectRule> rules = context_.settings().projectRules();
    rules.push_back({randomUUID(), tr("New project").toStdString(), {}});
    context_.settings().setProjectRules(std::move(rules));
}

void ProjectsPane::deleteProject(const ostrel::UUID& id) {
    std::vector<ostrel::ProjectRule> rules = context_.settings().projectRules();
    std::erase_if(rules, [&id](const ostrel::ProjectRule& rule) { return rule.id == id; });
    context_.settings().setProjectRules(std::move(rules));
}

} // namespace vesperline
