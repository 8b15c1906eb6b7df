#include "Platform/Linux/PamPasswordCheck.h"

#include <security/pam_appl.h>

#include <filesystem>

#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <string.h>
#include <unistd.h>

namespace vesperline::platform {

namespace {

std::string currentUser() {
    std::vector<char> storage(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, storage.data(), storage.size(), &found) != 0 || !found) {
        return {};
    }
    return found->pw_name;
}

struct Conversation {
    const SecretBuffer* password = nullptr;
    bool answered = false;
};

void dropResponses(pam_response* responses, int count) {
    for (int i = 0; i < count; ++i) {
        if (responses[i].resp) {
            explicit_bzero(responses[i].resp, std::strlen(responses[i].resp));
            std::free(responses[i].resp);
        }
    }
    std::free(responses);
}

// PAM frees the responses (and the modules wipe the password they were given).
int converse(int count, const pam_message** messages, pam_response** responses, void* data) {
    auto* conversation = static_cast<Conversation*>(data);
    if (count <= 0 || count > PAM_MAX_NUM_MSG) {
        return PAM_CONV_ERR;
    }
    auto* replies = static_cast<pam_response*>(std::calloc(count, sizeof(pam_response)));
    if (!replies) {
        return PAM_BUF_ERR;
    }
    for (int i = 0; i < count; ++i) {
        switch (messages[i]->msg_style) {
        case PAM_PROMPT_ECHO_OFF: {
            if (conversation->answered) {
                dropResponses(replies, count);
                return PAM_CONV_ERR;
            }
            const SecretBuffer& password = *conversation->password;
            replies[i].resp = static_cast<char*>(std::malloc(password.size() + 1));
            if (!replies[i].resp) {
                dropResponses(replies, count);
                return PAM_BUF_ERR;
            }
            std::memcpy(replies[i].resp, password.data(), password.size() + 1);
            conversation->answered = true;
            break;
        }
        case PAM_ERROR_MSG:
        case PAM_TEXT_INFO:
            break;
        default:
            dropResponses(replies, count);
            return PAM_CONV_ERR;
        }
    }
    *responses = replies;
    return PAM_SUCCESS;
}

} // namespace

PamPasswordCheck::PamPasswordCheck()
    // Where Linux-PAM looks for service files, in its order.
    : searchedDirectories_{"/etc/pam.d", "/usr/lib/pam.d"}, account_(&AccountPassword::of),
      user_(currentUser()) {}

PamPasswordCheck::PamPasswordCheck(std::string configDirectory, AccountReader account)
    : configDirectory_(configDirectory), searchedDirectories_{std::move(configDirectory)},
      account_(std::move(account)), user_(currentUser()) {}

std::optional<std::string> PamPasswordCheck::service() const {
    for (const char* name : {ownService, defaultService}) {
        for (const std::string& directory : searchedDirectories_) {
            std::error_code error;
            if (std::filesystem::is_regular_file(std::filesystem::path(directory) / name, error)) {
                return name;
            }
        }
    }
    return std::nullopt;
}

bool PamPasswordCheck::available() {
    if (user_.empty() || !service()) {
        return false;
    }
    const AccountPassword::State state = account_(user_);
    return state != AccountPassword::State::locked && state != AccountPassword::State::empty;
}

PasswordCheck::Verdict PamPasswordCheck::check(const SecretBuffer& password) {
    const std::optional<std::string> name = service();
    if (user_.empty() || !name) {
        return {Verdict::Kind::failed, "Password check failed: no PAM service and user"};
    }
    Conversation conversation{&password};
    const pam_conv conv{&converse, &conversation};
    pam_handle_t* handle = nullptr;
    int status = configDirectory_ ? pam_start_confdir(name->c_str(), user_.c_str(), &conv,
                                                      configDirectory_->c_str(), &handle)
                                  : pam_start(name->c_str(), user_.c_str(), &conv, &handle);
    if (status != PAM_SUCCESS) {
        return {Verdict::Kind::failed, std::string("PAM start failed: ") + pam_strerror(handle, status)};
    }
    status = pam_authenticate(handle, 0);
    Verdict verdict;
    switch (status) {
    case PAM_SUCCESS:
        verdict.kind = Verdict::Kind::accepted;
        break;
    case PAM_AUTH_ERR:
    case PAM_CRED_INSUFFICIENT:
    case PAM_MAXTRIES:
        verdict.kind = Verdict::Kind::refused;
        break;
    case PAM_AUTHINFO_UNAVAIL:
    case PAM_USER_UNKNOWN:
        verdict.kind = Verdict::Kind::unavailable;
        verdict.failure =
            std::string("Password check found nothing to check against: ") + pam_strerror(handle, status);
        break;
    default:
        verdict.failure = std::string("Password check failed: ") + pam_strerror(handle, status);
        break;
    }
    pam_end(handle, status);
    return verdict;
}

} // namespace vesperline::platform
