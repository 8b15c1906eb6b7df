#include "Platform/Linux/ChatCompletionsClient.h"

#include "Platform/LanguageModelError.h"

#include <QHostAddress>
#include <QString>
#include <QUrl>

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace vesperline::platform {

namespace {

using Json = nlohmann::json;

// Replies larger than this are not what a chat model sends; the transfer is cut off.
constexpr std::size_t maxReplyBytes = 8 * 1024 * 1024;
constexpr std::chrono::milliseconds connectTimeout{std::chrono::seconds(3)};

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The canonical base address for `address`, or why it cannot be used. A host given as an IP address
// is written back in its canonical form, so the transfer library reads the same host as this check.
std::optional<LanguageModel::Unavailability> parseAddress(const std::string& address, std::string& base) {
    const QString text = QString::fromStdString(address).trimmed();
    if (text.isEmpty()) {
        return LanguageModel::Unavailability::notConfigured;
    }
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme() != QLatin1String("http") || url.host().isEmpty()) {
        return LanguageModel::Unavailability::notConfigured;
    }
    QString host = url.host();
    QHostAddress ip;
    if (ip.setAddress(host)) {
        if (!ip.isLoopback()) {
            return LanguageModel::Unavailability::notLocal;
        }
        host = ip.protocol() == QAbstractSocket::IPv6Protocol ? '[' + ip.toString() + ']' : ip.toString();
    } else if (host != QLatin1String("localhost")) {
        // The transfer library answers "localhost" itself with a loopback address, without asking
        // any name service; every other name could resolve anywhere.
        return LanguageModel::Unavailability::notLocal;
    }
    QString path = url.path();
    while (path.endsWith('/')) {
        path.chop(1);
    }
    if (path.endsWith(QLatin1String("/v1"))) {
        path.chop(3);
    }
    base = QStringLiteral("http://%1:%2%3").arg(host).arg(url.port(80)).arg(path).toStdString();
    return std::nullopt;
}

void ensureTransferLibrary() {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised) {
        throw LanguageModelError("The HTTP library could not be started.");
    }
}

size_t collect(char* data, size_t size, size_t count, void* target) {
    auto& body = *static_cast<std::string*>(target);
    const size_t bytes = size * count;
    if (body.size() + bytes > maxReplyBytes) {
        return 0; // ends the transfer with a write error
    }
    body.append(data, bytes);
    return bytes;
}

int checkStop(void* stop, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::stop_token*>(stop)->stop_requested() ? 1 : 0;
}

// The ids of a model listing ({"data": [{"id": ...}, ...]}); absent when the reply is not one.
std::optional<std::vector<std::string>> listedModels(const std::string& body) {
    const Json reply = Json::parse(body, nullptr, false);
    if (!reply.is_object() || !reply.contains("data") || !reply["data"].is_array()) {
        return std::nullopt;
    }
    std::vector<std::string> ids;
    for (const Json& model : reply["data"]) {
        if (!model.is_object() || !model.contains("id") || !model["id"].is_string()) {
            return std::nullopt;
        }
        ids.push_back(model["id"].get<std::string>());
    }
    return ids;
}

// The server's own explanation in an error reply ({"error": {"message": ...}} or {"error": "..."}).
std::string serverMessage(const std::string& body) {
    const Json reply = Json::parse(body, nullptr, false);
    if (!reply.is_object() || !reply.contains("error")) {
        return {};
    }
    const Json& error = reply["error"];
    if (error.is_string()) {
        return error.get<std::string>();
    }
    if (error.is_object() && error.contains("message") && error["message"].is_string()) {
        return error["message"].get<std::string>();
    }
    return {};
}

} // namespace

struct ChatCompletionsClient::Exchange {
    CURLcode result = CURLE_OK;
    std::string error; // the transfer library's description when `result` is not CURLE_OK
    long status = 0;
    std::string body;
};

ChatCompletionsClient::Settings ChatCompletionsClient::settingsFromEnvironment() {
    Settings settings;
    settings.address = environment("VESPERLINE_MODEL_URL");
    settings.modelName = QString::fromStdString(environment("VESPERLINE_MODEL_NAME")).trimmed().toStdString();
    return settings;
}

ChatCompletionsClient::ChatCompletionsClient(Settings settings) : settings_(std::move(settings)) {
    addressProblem_ = parseAddress(settings_.address, baseURL_);
}

ChatCompletionsClient::Exchange ChatCompletionsClient::exchange(const std::string& path,
                                                                const std::string* body,
                                                                std::chrono::milliseconds timeout,
                                                                const std::stop_token& stop) const {
    ensureTransferLibrary();
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) {
        throw LanguageModelError("The HTTP library could not start a request.");
    }
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Content-Type: application/json");
    headers = curl_slist_append(headers, "Accept: application/json");
    headers = curl_slist_append(headers, "Expect:"); // send the body at once, without waiting for "100"
    const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headerList(headers,
                                                                                 &curl_slist_free_all);

    Exchange result;
    char error[CURL_ERROR_SIZE] = {};
    const std::string url = baseURL_ + path;
    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(handle, CURLOPT_PROXY, ""); // never through a proxy, whatever the environment says
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(std::min(timeout, connectTimeout).count()));
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headerList.get());
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &result.body);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &checkStop);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &stop);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error);
    if (body) {
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body->data());
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->size()));
    }
    result.result = curl_easy_perform(handle);
    if (result.result != CURLE_OK) {
        result.error = error[0] ? error : curl_easy_strerror(result.result);
    }
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &result.status);
    return result;
}

std::optional<LanguageModel::Unavailability> ChatCompletionsClient::checkAvailability(std::stop_token stop) {
    if (addressProblem_) {
        return addressProblem_;
    }
    Exchange reply;
    try {
        reply = exchange("/v1/models", nullptr, settings_.availabilityTimeout, stop);
    } catch (const LanguageModelError&) {
        return Unavailability::other;
    }
    if (reply.result == CURLE_COULDNT_CONNECT) {
        return Unavailability::notRunning;
    }
    if (reply.result != CURLE_OK) {
        return Unavailability::other;
    }
    if (reply.status == 503) {
        return Unavailability::loading;
    }
    if (reply.status != 200) {
        return Unavailability::other;
    }
    const std::optional<std::vector<std::string>> models = listedModels(reply.body);
    if (!models) {
        return Unavailability::other;
    }
    if (models->empty()) {
        return Unavailability::noModel;
    }
    if (!settings_.modelName.empty()) {
        return std::find(models->begin(), models->end(), settings_.modelName) == models->end()
                   ? std::optional(Unavailability::noModel)
                   : std::nullopt;
    }
    std::lock_guard lock(mutex_);
    listedModel_ = models->front();
    return std::nullopt;
}

std::string ChatCompletionsClient::modelToAsk() const {
    if (!settings_.modelName.empty()) {
        return settings_.modelName;
    }
    std::lock_guard lock(mutex_);
    return listedModel_;
}

std::string ChatCompletionsClient::respond(const Request& request, std::stop_token stop) {
    if (addressProblem_) {
        throw LanguageModelError(*addressProblem_ == Unavailability::notLocal
                                     ? "The language model's address is not on this computer."
                                     : "No language model is set up.");
    }
    std::string instructions = request.instructions;
    nlohmann::ordered_json body;
    if (const std::string model = modelToAsk(); !model.empty()) {
        body["model"] = model;
    }
    if (request.schema) {
        // Servers that cannot hold the reply to a schema still read it in the instructions.
        instructions += "\n\nReply with one JSON object that follows this JSON schema:\n" +
                        request.schema->dump(-1, ' ', false, Json::error_handler_t::replace);
        body["response_format"] = {
            {"type", "json_schema"},
            {"json_schema", {{"name", request.schemaName}, {"strict", true}, {"schema", *request.schema}}}};
    }
    body["messages"] = nlohmann::ordered_json::array(
        {{{"role", "system"}, {"content", instructions}}, {{"role", "user"}, {"content", request.prompt}}});
    // Text that is not valid UTF-8 is sent with replacement characters rather than refused.
    const std::string payload = body.dump(-1, ' ', false, Json::error_handler_t::replace);

    const Exchange reply = exchange("/v1/chat/completions", &payload, settings_.responseTimeout, stop);
    if (stop.stop_requested()) {
        throw LanguageModelError("The request to the language model was cancelled.");
    }
    if (reply.result != CURLE_OK) {
        throw LanguageModelError("The language model did not answer: " + reply.error);
    }
    if (reply.status != 200) {
        const std::string explanation = serverMessage(reply.body);
        throw LanguageModelError("The language model answered with HTTP status " +
                                 std::to_string(reply.status) +
                                 (explanation.empty() ? "" : ": " + explanation));
    }
    try {
        const Json answer = Json::parse(reply.body);
        return answer.at("choices").at(0).at("message").at("content").get<std::string>();
    } catch (const Json::exception& error) {
        throw LanguageModelError(std::string("The language model's reply could not be read: ") +
                                 error.what());
    }
}

} // namespace vesperline::platform
