// Every symbol a screen names must be in the symbol table: a name that is not draws nothing and
// only says so in the log, which no test would notice. While the application tests run, such a
// warning fails the test that caused it. (A test that means to ask for an unknown name does so
// under a LogCapture, which takes the messages for itself.)
#include <QLoggingCategory>
#include <QString>

#include <gtest/gtest.h>

namespace {

class UnknownSymbolGuard final : public testing::Environment {
  public:
    void SetUp() override { previous_ = qInstallMessageHandler(&UnknownSymbolGuard::handle); }
    void TearDown() override { qInstallMessageHandler(previous_); }

  private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (message.startsWith(QLatin1String("Unknown symbol: "))) {
            ADD_FAILURE() << "A screen asked for a symbol the table lacks: " << message.toStdString();
        }
        if (previous_) {
            previous_(type, context, message);
        }
    }

    static inline QtMessageHandler previous_ = nullptr;
};

const testing::Environment* const guard = testing::AddGlobalTestEnvironment(new UnknownSymbolGuard);

} // namespace
