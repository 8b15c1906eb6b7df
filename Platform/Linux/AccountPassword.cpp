#include "Platform/Linux/AccountPassword.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <optional>
#include <vector>

#include <pwd.h>
#include <shadow.h>

namespace vesperline::platform::AccountPassword {

namespace {

constexpr int passwdTimeoutMilliseconds = 3000;

std::optional<State> fromShadow(const std::string& user) {
    std::vector<char> storage(16384);
    spwd entry{};
    spwd* found = nullptr;
    // Fails without the right to read the shadow file, which only root and its group have.
    if (getspnam_r(user.c_str(), &entry, storage.data(), storage.size(), &found) != 0 || !found ||
        !found->sp_pwdp) {
        return std::nullopt;
    }
    return ofField(found->sp_pwdp);
}

std::optional<State> fromPasswd(const std::string& user) {
    std::vector<char> storage(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwnam_r(user.c_str(), &entry, storage.data(), storage.size(), &found) != 0 || !found ||
        !found->pw_passwd) {
        return std::nullopt;
    }
    const std::string_view field = found->pw_passwd;
    // "x": the field lives in the shadow file.
    if (field == "x") {
        return std::nullopt;
    }
    return ofField(field);
}

State fromStatusCommand(const std::string& user) {
    QProcess passwd;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The status letters are the same in every language, the dates are not; C keeps it plain.
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    passwd.setProcessEnvironment(environment);
    passwd.start(QStringLiteral("passwd"), {QStringLiteral("--status"), QString::fromStdString(user)});
    if (!passwd.waitForFinished(passwdTimeoutMilliseconds) || passwd.exitStatus() != QProcess::NormalExit ||
        passwd.exitCode() != 0) {
        passwd.kill();
        passwd.waitForFinished(passwdTimeoutMilliseconds);
        return State::unknown;
    }
    return ofStatusLine(passwd.readAllStandardOutput().trimmed().toStdString());
}

} // namespace

State ofField(std::string_view field) {
    if (field.empty()) {
        return State::empty;
    }
    if (field.front() == '!' || field.front() == '*') {
        return State::locked;
    }
    return State::usable;
}

State ofStatusLine(std::string_view line) {
    // The account's name, then its status.
    const std::size_t nameEnd = line.find(' ');
    if (nameEnd == std::string_view::npos) {
        return State::unknown;
    }
    std::string_view status = line.substr(nameEnd + 1);
    status = status.substr(0, status.find(' '));
    if (status == "P" || status == "PS") {
        return State::usable;
    }
    if (status == "L" || status == "LK") {
        return State::locked;
    }
    if (status == "NP") {
        return State::empty;
    }
    return State::unknown;
}

State of(const std::string& user) {
    if (user.empty()) {
        return State::unknown;
    }
    if (const std::optional<State> state = fromShadow(user)) {
        return *state;
    }
    if (const std::optional<State> state = fromPasswd(user)) {
        return *state;
    }
    return fromStatusCommand(user);
}

} // namespace vesperline::platform::AccountPassword
