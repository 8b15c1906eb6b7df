// The assistants switch of the AI pane, from the click to the separate server's answer.
#include "App/Model/AppModelFixture.h"
#include "Platform/Fake/FakeFileViewer.h"
#include "Platform/Fake/FakeInstalledApplications.h"
#include "Platform/Fake/FakeLoginItem.h"
#include "UI/Settings/AIPane.h"
#include "UI/Settings/SettingsContext.h"
#include "UI/Shared/ToggleSwitch.h"

#include <QProcess>

#include <nlohmann/json.hpp>

namespace vesperline::testing {
namespace {

class AIPaneAssistantsTest : public AppModelFixture {
  protected:
    // What the assistants' server answers to one search, run as an assistant's client runs it.
    nlohmann::json askTheServer() {
        QProcess server;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("OSTREL_DATA_DIR", QString::fromStdString(dataFolder.path().string()));
        server.setProcessEnvironment(environment);
        server.start(VESPERLINE_MCP_PATH, {});
        EXPECT_TRUE(server.waitForStarted());
        server.write(
            R"({"jsonrpc":"2.0","id":7,"method":"tools/call","params":{"name":"search_screen_memory",)"
            R"("arguments":{"query":"anything"}}})"
            "\n");
        server.closeWriteChannel();
        EXPECT_TRUE(server.waitForFinished());
        const QByteArray line = server.readAllStandardOutput().trimmed();
        return nlohmann::json::parse(line.toStdString(), nullptr, false);
    }
};

TEST_F(AIPaneAssistantsTest, TurningAssistantsOffReachesTheServerThroughTheStore) {
    defaults->values.insert("mcpEnabled", true);
    AppModel& app = launch();
    ASSERT_TRUE(eventually([&] { return meta("mcp_enabled") == "1"; }));
    EXPECT_FALSE(askTheServer()["result"].value("isError", false)) << "allowed: the tool answers";

    platform::FakeLoginItem loginItem;
    platform::FakeFileViewer fileViewer;
    platform::FakeInstalledApplications installed;
    SettingsContext context({app.settings(), app.hotKeys(), loginItem, fileViewer, installed, workspace,
                             dataFolder.path(), "/usr/lib/vesperline/vesperline-mcp",
                             "org.vesperline.Vesperline"},
                            {});
    AIPane pane(context);
    pane.show();
    auto* assistants = pane.findChild<ToggleSwitch*>("mcpEnabled");
    ASSERT_TRUE(assistants && assistants->isChecked());
    QTest::mouseClick(assistants, Qt::LeftButton, {}, assistants->rect().center());
    EXPECT_FALSE(app.settings().mcpEnabled());
    ASSERT_TRUE(eventually([&] { return meta("mcp_enabled") == "0"; }));

    const nlohmann::json reply = askTheServer();
    ASSERT_TRUE(reply.is_object());
    EXPECT_TRUE(reply["result"]["isError"].get<bool>());
    EXPECT_EQ(reply["result"]["content"][0]["text"].get<std::string>(),
              "Access is turned off. Ask the user to enable it in Vesperline → Settings → AI → \"Allow "
              "assistants like Claude to search my memory\".");
}

} // namespace
} // namespace vesperline::testing
