#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>
#include <sys/types.h>

namespace mcptest {

using Json = nlohmann::ordered_json;

// The built vesperline-mcp as a child process, talked to through pipes the way an assistant does.
// It inherits this process's environment (OSTREL_DATA_DIR, TZ).
class ServerProcess {
  public:
    ServerProcess();
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Writes raw bytes to the server's input while collecting what it writes meanwhile.
    void send(std::string_view bytes);
    // The next line the server writes, without its line feed; fails the test after 10 s of silence.
    std::string readLine();
    // Sends one request as a line and returns the parsed reply line.
    Json call(const Json& request);
    // Closes our end of the server's output, as a client that stops listening does.
    void closeOutput();

    struct Ending {
        std::string output;  // everything written to standard output after the last readLine
        std::string errors;  // everything written to standard error
        int exitStatus = -1; // -1 when the process did not exit normally
    };
    // Closes the server's input and waits for it to end.
    Ending finish();

  private:
    // Reads what is available from the output pipes, waiting at most `timeoutMs`. False on timeout.
    bool pump(int timeoutMs, bool wantInput);

    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    int errors_ = -1;
    std::string outputBuffer_;
    std::string errorBuffer_;
};

// A whole session: writes `input`, closes it, and returns everything the server wrote.
ServerProcess::Ending runSession(std::string_view input);

} // namespace mcptest
