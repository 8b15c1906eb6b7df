#include "UI/Settings/ProjectRuleRow.h"

#include "Model/AppSettings.h"
#include "UI/Theme/Symbols.h"
#include "UI/Theme/Theme.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QStringList>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vesperline {

namespace {

std::vector<ostrel::ProjectRule>::iterator findRule(std::vector<ostrel::ProjectRule>& rules,
                                                    const ostrel::UUID& id) {
    return std::find_if(rules.begin(), rules.end(),
                        [&id](const ostrel::ProjectRule& rule) { return rule.id == id; });
}

} // namespace

ProjectRuleRow::ProjectRuleRow(AppSettings& settings, const ostrel::UUID& ruleID, QWidget* parent)
    : QWidget(parent), settings_(settings), ruleID_(ruleID), name_(new QLineEdit), keywords_(new QLineEdit) {
    name_->setObjectName("projectName");
    name_->setPlaceholderText(tr("Project name"));
    name_->setFont(Theme::font(Theme::TextStyle::body, QFont::Medium));
    keywords_->setObjectName("projectKeywords");
    keywords_->setPlaceholderText(tr("Keywords in window titles or addresses, comma separated"));
    keywords_->setFont(Theme::font(Theme::TextStyle::callout));
    auto* trash = new QToolButton;
    trash->setObjectName("deleteProject");
    trash->setAutoRaise(true);
    trash->setIcon(Symbols::icon("trash"));
    trash->setToolTip(tr("Delete project"));
    trash->setAccessibleName(tr("Delete project"));
    trash->setCursor(Qt::PointingHandCursor);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(8);
    top->addWidget(name_, 1);
    top->addWidget(trash);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->setSpacing(6);
    layout->addLayout(top);
    layout->addWidget(keywords_);

    std::vector<ostrel::ProjectRule> rules = settings.projectRules();
    if (const auto rule = findRule(rules, ruleID); rule != rules.end()) {
        name_->setText(QString::fromStdString(rule->name));
        QStringList keywords;
        for (const std::string& keyword : rule->keywords) {
            keywords.append(QString::fromStdString(keyword));
        }
        keywords_->setText(keywords.join(QStringLiteral(", ")));
        name_->setCursorPosition(0);
        keywords_->setCursorPosition(0);
    }

    // The user's typing only: each edit of the name is stored.
    connect(name_, &QLineEdit::textEdited, this, [this](const QString& text) {
        std::vector<ostrel::ProjectRule> rules = settings_.projectRules();
        if (const auto rule = findRule(rules, ruleID_);
            rule != rules.end() && rule->name != text.toStdString()) {
            rule->name = text.toStdString();
            settings_.setProjectRules(std::move(rules));
        }
    });
    // Return, or the keyboard moving elsewhere.
    connect(keywords_, &QLineEdit::editingFinished, this, &ProjectRuleRow::commitKeywords);
    connect(trash, &QToolButton::clicked, this, [this] { emit deleteRequested(ruleID_); });
}

ProjectRuleRow::~ProjectRuleRow() {
    // The fields outlive this body and may still report losing the keyboard as they go.
    disconnect(keywords_, nullptr, this, nullptr);
    disconnect(name_, nullptr, this, nullptr);
    commitKeywords();
}

void ProjectRuleRow::showName(const QString& name) {
    if (name_->text() != name) {
        name_->setText(name);
    }
}

std::vector<std::string> ProjectRuleRow::parseKeywords(const QString& text) {
    std::vector<std::string> keywords;
    for (const QString& piece : text.split(u',', Qt::SkipEmptyParts)) {
        qsizetype start = 0;
        qsizetype end = piece.size();
        while (start < end && (piece[start] == u' ' || piece[start] == u'\t')) {
            ++start;
        }
        while (end > start && (piece[end - 1] == u' ' || piece[end - 1] == u'\t')) {
            --end;
        }
        if (end > start) {
            keywords.push_back(piece.mid(start, end - start).toStdString());
        }
    }
    return keywords;
}

void ProjectRuleRow::commitKeywords() {
    std::vector<ostrel::ProjectRule> rules = settings_.projectRules();
    const auto rule = findRule(rules, ruleID_);
    if (rule == rules.end()) {
        return;
    }
    std::vector<std::string> keywords = parseKeywords(keywords_->text());
    if (keywords != rule->keywords) {
        rule->keywords = std::move(keywords);
        settings_.setProjectRules(std::move(rules));
    }
}

} // namespace vesperline
