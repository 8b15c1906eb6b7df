#include "UI/Settings/ProjectsPane.h"

#include "SettingsFixture.h"
#include "Support/ViewPictures.h"
#include "UI/Settings/ProjectRuleRow.h"
#include "UI/Settings/SettingsSelection.h"
#include "UI/Settings/SettingsWindow.h"

#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <nlohmann/json.hpp>

namespace vesperline {
namespace {

using Keywords = std::vector<std::string>;

const ostrel::UUID alphaID = *ostrel::UUID::parse("6F1C2A4E-1B7D-4C8A-9F10-2D3E4F5A6B7C");
const ostrel::UUID betaID = *ostrel::UUID::parse("0A1B2C3D-4E5F-4061-8293-A4B5C6D7E8F9");

class ProjectsPaneTest : public SettingsFixture {
  protected:
    void plant(const std::vector<ostrel::ProjectRule>& rules) {
        store->values["projectRules"] = QByteArray::fromStdString(nlohmann::ordered_json(rules).dump());
    }
    std::unique_ptr<ProjectsPane> makePane() {
        auto pane = std::make_unique<ProjectsPane>(context());
        pane->resize(540, 480);
        pane->show();
        // Active, so the keyboard can move between its fields.
        pane->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(pane.get()));
        return pane;
    }
    static QLineEdit* keywords(ProjectRuleRow* row) { return child<QLineEdit>(*row, "projectKeywords"); }
    static QLineEdit* name(ProjectRuleRow* row) { return child<QLineEdit>(*row, "projectName"); }
    // Types `text` over the keywords and presses Return.
    static void commit(ProjectRuleRow* row, const QString& text) {
        keywords(row)->setText(text);
        QTest::keyClick(keywords(row), Qt::Key_Return);
    }
};

TEST(ProjectRuleRowTest, KeywordsAreSplitAtCommasAndTrimmedOfSpacesAndTabs) {
    const struct {
        QString text;
        Keywords keywords;
    } cases[] = {
        {"client, , Acme Corp ,acme", {"client", "Acme Corp", "acme"}},
        {",,,", {}},
        {"", {}},
        {" \t ", {}},
        {"alpha,alpha, Alpha", {"alpha", "alpha", "Alpha"}},
        {"\tone\t,two", {"one", "two"}},
        {"line\nbreak", {"line\nbreak"}},
    };
    for (const auto& testCase : cases) {
        EXPECT_EQ(ProjectRuleRow::parseKeywords(testCase.text), testCase.keywords)
            << testCase.text.toStdString();
    }
}

TEST_F(ProjectsPaneTest, AddingTwiceGivesTwoNewProjectsWithTheirOwnIds) {
    auto pane = makePane();
    EXPECT_TRUE(pane->rows().empty());
    click(*pane, "addProject");
    click(*pane, "addProject");
    const auto& rules = settings().projectRules();
    ASSERT_EQ(rules.size(), 2u);
    EXPECT_EQ(rules[0].name, "New project");
    EXPECT_EQ(rules[1].name, "New project");
    EXPECT_NE(rules[0].id, rules[1].id);
    EXPECT_TRUE(rules[0].keywords.empty());
    EXPECT_EQ(store->writes["projectRules"], 2);
    ASSERT_EQ(pane->rows().size(), 2u);
    EXPECT_EQ(pane->rows()[1]->ruleID(), rules[1].id);
    EXPECT_EQ(name(pane->rows()[0])->text(), "New project");
}

TEST_F(ProjectsPaneTest, AKeywordEditIsCommittedOnReturnOrFocusAndOnlyWhenItChangesSomething) {
    plant({{alphaID, "Alpha", {"alpha", "beta"}}, {betaID, "Beta", {}}});
    auto pane = makePane();
    ProjectRuleRow* row = pane->rows()[0];
    EXPECT_EQ(keywords(row)->text(), "alpha, beta");

    // Only spaces added: the same keywords, nothing stored.
    commit(row, "alpha ,   beta,");
    EXPECT_EQ(store->writes["projectRules"], 0);

    commit(row, "client, , Acme Corp ,acme");
    EXPECT_EQ(settings().projectRules()[0].keywords, (Keywords{"client", "Acme Corp", "acme"}));
    EXPECT_EQ(settings().projectRules()[1], (ostrel::ProjectRule{betaID, "Beta", {}}));
    EXPECT_EQ(store->writes["projectRules"], 1);
    EXPECT_EQ(keywords(row)->text(), "client, , Acme Corp ,acme") << "the field keeps what was typed";

    // The keyboard leaving the field commits too.
    keywords(row)->setFocus();
    keywords(row)->setText(",,,");
    name(pane->rows()[1])->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(settings().projectRules()[0].keywords.empty());
    EXPECT_EQ(store->writes["projectRules"], 2);
}

TEST_F(ProjectsPaneTest, TheNameIsStoredOnEveryKeystroke) {
    plant({{alphaID, "Alpha", {}}});
    auto pane = makePane();
    QLineEdit* field = name(pane->rows()[0]);
    field->setFocus();
    field->end(false);
    QTest::keyClicks(field, "ne");
    EXPECT_EQ(settings().projectRules()[0].name, "Alphane");
    EXPECT_EQ(store->writes["projectRules"], 2);
    EXPECT_EQ(field->text(), "Alphane");
    EXPECT_EQ(pane->rows()[0], pane->findChildren<ProjectRuleRow*>()[0]) << "the row being typed in stays";
}

TEST_F(ProjectsPaneTest, DeletingARuleRemovesOnlyItAndItsRowCommitsNothing) {
    plant({{alphaID, "Alpha", {"alpha"}}, {betaID, "Beta", {"beta"}}});
    auto pane = makePane();
    ProjectRuleRow* alpha = pane->rows()[0];
    keywords(alpha)->setText("typed, but not committed");
    child<QToolButton>(*alpha, "deleteProject")->click();
    QApplication::processEvents(); // the row goes, committing what it holds against a rule that is gone
    EXPECT_EQ(settings().projectRules(), (std::vector<ostrel::ProjectRule>{{betaID, "Beta", {"beta"}}}));
    EXPECT_EQ(store->writes["projectRules"], 1);
    ASSERT_EQ(pane->rows().size(), 1u);
    EXPECT_EQ(pane->rows()[0]->ruleID(), betaID);
}

TEST_F(ProjectsPaneTest, LeavingThePaneCommitsTheKeywordsBeingTyped) {
    plant({{alphaID, "Alpha", {"alpha"}}});
    {
        auto pane = makePane();
        keywords(pane->rows()[0])->setText("alpha, gamma");
    }
    EXPECT_EQ(settings().projectRules()[0].keywords, (Keywords{"alpha", "gamma"}));
    EXPECT_EQ(store->writes["projectRules"], 1);
}

TEST_F(ProjectsPaneTest, RulesChangedElsewhereAreFollowedWithoutWritingBack) {
    plant({{alphaID, "Alpha", {}}});
    auto pane = makePane();
    settings().setProjectRules({{betaID, "Beta", {"b"}}, {alphaID, "Renamed", {}}});
    store->writes.clear();
    ASSERT_EQ(pane->rows().size(), 2u);
    EXPECT_EQ(pane->rows()[0]->ruleID(), betaID);
    EXPECT_EQ(name(pane->rows()[1])->text(), "Renamed");
    EXPECT_EQ(keywords(pane->rows()[0])->text(), "b");
    EXPECT_EQ(store->totalWrites(), 0);
}

TEST_F(ProjectsPaneTest, Pictures) {
    plant({{alphaID, "Vesperline", {"vesperline", "ostrel", "memory"}},
           {betaID, "Client: Acme Corp", {"acme"}}});
    SettingsSelection selection;
    selection.setTab(SettingsTab::projects);
    EXPECT_TRUE(testsupport::savePictures(
        "settings-projects", [&] { return std::make_unique<SettingsWindow>(context(), selection); }));
    EXPECT_EQ(store->totalWrites(), 0) << "showing and closing a pane stores nothing";
}

} // namespace
} // namespace vesperline
