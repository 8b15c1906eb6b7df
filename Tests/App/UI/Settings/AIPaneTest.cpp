#include "UI/Settings/AIPane.h"

#include "SettingsFixture.h"
#include "Support/TemporaryDirectory.h"
#include "Support/ViewPictures.h"
#include "UI/Settings/ClientConfiguration.h"
#include "UI/Settings/ConfigurationBlock.h"
#include "UI/Settings/SettingsSelection.h"
#include "UI/Settings/SettingsWindow.h"
#include "UI/Settings/SymbolText.h"
#include "UI/Shared/SymbolLabel.h"
#include "UI/Shared/ToggleSwitch.h"

#include <QClipboard>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTextEdit>

#include <nlohmann/json.hpp>

#include <fstream>

namespace vesperline {
namespace {

namespace fs = std::filesystem;

TEST(ClientConfigurationTest, OrdinaryPathsComeOutAsTheyAreAndOthersQuotedForWhereTheyLand) {
    const struct {
        const char* path;
        const char* command;
        const char* entry;
    } cases[] = {
        {"/usr/lib/vesperline/vesperline-mcp",
         R"(claude mcp add vesperline -- "/usr/lib/vesperline/vesperline-mcp")",
         R"("vesperline": { "command": "/usr/lib/vesperline/vesperline-mcp" })"},
        {"/home/ayşe/My Apps/vesperline-mcp",
         R"(claude mcp add vesperline -- "/home/ayşe/My Apps/vesperline-mcp")",
         R"("vesperline": { "command": "/home/ayşe/My Apps/vesperline-mcp" })"},
        {R"(/opt/a "b" $HOME `id` c\d/vesperline-mcp)",
         R"(claude mcp add vesperline -- "/opt/a \"b\" \$HOME \`id\` c\\d/vesperline-mcp")",
         R"("vesperline": { "command": "/opt/a \"b\" $HOME `id` c\\d/vesperline-mcp" })"},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.path);
        EXPECT_EQ(ClientConfiguration::commandLine(testCase.path), QString::fromUtf8(testCase.command));
        EXPECT_EQ(ClientConfiguration::serverEntry(testCase.path), QString::fromUtf8(testCase.entry));
    }
}

TEST(ClientConfigurationTest, TheServerIsBesideTheProgramElseInTheBuildFoldersServerFolder) {
    testsupport::TemporaryDirectory root;
    const fs::path program = root.path() / "App";
    fs::create_directories(program);
    EXPECT_EQ(ClientConfiguration::serverBeside(program), program / "vesperline-mcp")
        << "neither: where it belongs";
    fs::create_directories(root.path() / "MCPServer");
    std::ofstream(root.path() / "MCPServer" / "vesperline-mcp") << "";
    EXPECT_EQ(ClientConfiguration::serverBeside(program), root.path() / "MCPServer" / "vesperline-mcp");
    std::ofstream(program / "vesperline-mcp") << "";
    EXPECT_EQ(ClientConfiguration::serverBeside(program), program / "vesperline-mcp");
}

// A server in a folder whose name has a space, a quote and a dollar sign: the copied texts must
// still run exactly that file, through a client's JSON and through a shell.
class ClientConfigurationRunTest : public ::testing::Test {
  protected:
    ClientConfigurationRunTest() {
        fs::create_directories(folder);
        writeScript(server, "#!/bin/sh\necho ran > \"$(dirname \"$0\")/ran\"\n");
        // A decoy where an unquoted or expanded path would lead.
        writeScript(root.path() / "vesperline-mcp", "#!/bin/sh\necho decoy > \"$(dirname \"$0\")/decoy\"\n");
        // The client: `claude mcp add vesperline -- <server>` starts the server it is given.
        fs::create_directories(root.path() / "bin");
        writeScript(root.path() / "bin" / "claude", "#!/bin/sh\nexec \"$5\"\n");
    }
    static void writeScript(const fs::path& file, const std::string& text) {
        std::ofstream(file) << text;
        fs::permissions(file, fs::perms::owner_all);
    }
    bool ran() const { return fs::exists(folder / "ran") && !fs::exists(root.path() / "decoy"); }

    testsupport::TemporaryDirectory root;
    fs::path folder = root.path() / "my \"odd\" $HOME folder";
    fs::path server = folder / "vesperline-mcp";
};

TEST_F(ClientConfigurationRunTest, TheEntryParsesAsJSONAndNamesTheServer) {
    const QString entry = ClientConfiguration::serverEntry(server);
    const auto json = nlohmann::json::parse("{" + entry.toStdString() + "}");
    const std::string command = json.at("vesperline").at("command").get<std::string>();
    EXPECT_EQ(command, server.string());
    EXPECT_EQ(QProcess::execute(QString::fromStdString(command), {}), 0);
    EXPECT_TRUE(ran());
}

TEST_F(ClientConfigurationRunTest, TheCommandRunsTheServerThroughAShell) {
    QProcess shell;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PATH", QString::fromStdString((root.path() / "bin").string()) + ":/usr/bin:/bin");
    environment.insert("HOME", QString::fromStdString(root.path().string()));
    shell.setProcessEnvironment(environment);
    shell.setWorkingDirectory(QString::fromStdString(root.path().string()));
    shell.start("/bin/sh", {"-c", ClientConfiguration::commandLine(server)});
    ASSERT_TRUE(shell.waitForFinished());
    EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
    EXPECT_TRUE(ran());
}

class AIPaneTest : public SettingsFixture {
  protected:
    std::unique_ptr<AIPane> makePane() {
        auto pane = std::make_unique<AIPane>(context());
        pane->resize(540, 480);
        pane->show();
        return pane;
    }
    static QString blockText(const QWidget& pane, const char* block) {
        return child<QTextEdit>(*child(pane, block), "configurationText")->toPlainText();
    }
    static QString button(const QWidget& pane, const char* block) {
        return child<QPushButton>(*child(pane, block), "copy")->text();
    }
    static void copy(const QWidget& pane, const char* block) {
        child<QPushButton>(*child(pane, block), "copy")->click();
    }
};

TEST_F(AIPaneTest, TheConfigurationShowsOnlyWhileAssistantsAreAllowed) {
    auto pane = makePane();
    EXPECT_FALSE(child<ToggleSwitch>(*pane, "mcpEnabled")->isChecked());
    EXPECT_FALSE(child(*pane, "claudeCodeConfiguration")->isVisible());
    EXPECT_FALSE(child(*pane, "clientConfiguration")->isVisible());
    EXPECT_EQ(blockText(*pane, "claudeCodeConfiguration"), "") << "not made while hidden";

    click(*pane, "mcpEnabled");
    EXPECT_TRUE(settings().mcpEnabled());
    EXPECT_EQ(store->writes, (QMap<QString, int>{{"mcpEnabled", 1}}));
    EXPECT_TRUE(child(*pane, "claudeCodeConfiguration")->isVisible());
    EXPECT_EQ(blockText(*pane, "claudeCodeConfiguration"),
              R"(claude mcp add vesperline -- "/usr/lib/vesperline/vesperline-mcp")");
    EXPECT_EQ(blockText(*pane, "clientConfiguration"),
              R"("vesperline": { "command": "/usr/lib/vesperline/vesperline-mcp" })");
}

TEST_F(AIPaneTest, CopyingPutsTheTextOnTheClipboardAndOnlyTheLastCopiedReadsCopied) {
    store->values["mcpEnabled"] = true;
    auto pane = makePane();
    EXPECT_EQ(button(*pane, "claudeCodeConfiguration"), "Copy");
    copy(*pane, "claudeCodeConfiguration");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), blockText(*pane, "claudeCodeConfiguration"));
    EXPECT_EQ(button(*pane, "claudeCodeConfiguration"), "Copied");
    copy(*pane, "clientConfiguration");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), blockText(*pane, "clientConfiguration"));
    EXPECT_EQ(button(*pane, "claudeCodeConfiguration"), "Copy");
    EXPECT_EQ(button(*pane, "clientConfiguration"), "Copied");
    copy(*pane, "clientConfiguration");
    EXPECT_EQ(button(*pane, "clientConfiguration"), "Copied");

    // Hidden and shown again, the block copied last still says so.
    click(*pane, "mcpEnabled");
    click(*pane, "mcpEnabled");
    EXPECT_EQ(button(*pane, "clientConfiguration"), "Copied");
    EXPECT_EQ(store->totalWrites(), 2) << "copying stores nothing";
}

TEST_F(AIPaneTest, TheAvailabilityIsAskedForOnceAndShownWithTheReason) {
    context().setAIAvailability(AIAvailability::unavailable("No local model is set up."));
    auto pane = makePane();
    EXPECT_EQ(permissionRefreshes, 1);
    auto* availability = child<SymbolText>(*pane, "aiAvailability");
    EXPECT_EQ(availability->label()->text(), "No local model is set up.");
    EXPECT_EQ(availability->findChild<SymbolLabel*>()->symbol(), "exclamationmark.circle");
    // The summary stays switchable without the model.
    EXPECT_TRUE(child<ToggleSwitch>(*pane, "dailySummary")->isEnabled());
    click(*pane, "dailySummary");
    EXPECT_FALSE(settings().dailySummaryEnabled());

    context().setAIAvailability(AIAvailability::available());
    EXPECT_EQ(availability->label()->text(), "Available — runs on this computer, nothing is sent anywhere.");
    EXPECT_EQ(availability->findChild<SymbolLabel*>()->symbol(), "checkmark.circle.fill");
    pane->hide();
    pane->show();
    EXPECT_EQ(permissionRefreshes, 1) << "once per pane";
}

TEST_F(AIPaneTest, Pictures) {
    mcpServer = "/home/someone/Applications/Vesperline/lib/vesperline/vesperline-mcp";
    store->values["mcpEnabled"] = true;
    context().setAIAvailability(AIAvailability::unavailable(
        "No local model is set up. Set VESPERLINE_MODEL_URL to a chat-completions server on this computer."));
    SettingsSelection selection;
    selection.setTab(SettingsTab::ai);
    EXPECT_TRUE(testsupport::savePictures("settings-ai", [&] {
        auto window = std::make_unique<SettingsWindow>(context(), selection);
        child<QPushButton>(*child(*window, "clientConfiguration"), "copy")->click();
        return window;
    }));
}

} // namespace
} // namespace vesperline
