#include "AI/AIService.h"

#include "Platform/LanguageModelError.h"
#include "Runtime/MainThread.h"

#include <limits>
#include <sstream>

namespace vesperline {

namespace {

using Json = nlohmann::json;

const char* const searchPlanInstructions =
    "Turn the user's question about something they saw on their computer screen into search keywords.";

} // namespace

AIService::AIService(platform::LanguageModel& model, const ostrel::Clock& clock, const Format& format,
                     FirstCheck firstCheck)
    : model_(model), clock_(clock), format_(format), availabilityQueue_(QStringLiteral(".ai.availability")) {
    // No cap that could make a request wait: requests are few, and each one is a thread that mostly
    // waits for the model.
    requests_.setMaxThreadCount(std::numeric_limits<int>::max());
    requests_.setThreadPriority(QThread::LowPriority);
    requests_.setObjectName(QStringLiteral("ai"));
    if (firstCheck == FirstCheck::onCreation) {
        refreshAvailability();
    }
}

AIService::~AIService() {
    stop_.request_stop();
    requests_.waitForDone();
}

std::optional<AIService::Unavailability> AIService::lastUnavailability() const {
    std::lock_guard lock(availabilityLock_);
    return unavailability_;
}

void AIService::refreshAvailability() {
    if (checking_.exchange(true)) {
        return;
    }
    availabilityQueue_.async([this] {
        const std::optional<Unavailability> checked = model_.checkAvailability(stop_.get_token());
        bool changed = false;
        {
            std::lock_guard lock(availabilityLock_);
            changed = checked != unavailability_;
            unavailability_ = checked;
        }
        checking_ = false;
        if (changed) {
            MainThread::post(this, [this] { emit availabilityChanged(); });
        }
    });
}

std::optional<QString> AIService::availabilityMessage() const {
    const std::optional<Unavailability> reason = lastUnavailability();
    return reason ? std::optional(message(*reason)) : std::nullopt;
}

QString AIService::message(Unavailability reason) {
    switch (reason) {
    case Unavailability::notConfigured:
        return tr("Set up a local language model to use this.");
    case Unavailability::notLocal:
        return tr("The language model must run on this computer.");
    case Unavailability::notRunning:
        return tr("The local language model is not running.");
    case Unavailability::loading:
        return tr("The local language model is still loading. Try again later.");
    case Unavailability::noModel:
        return tr("The local language model server has no model loaded.");
    case Unavailability::other:
        break;
    }
    return tr("The local language model is not available right now.");
}

const nlohmann::ordered_json& AIService::SearchPlan::schema() {
    static const nlohmann::ordered_json schema = {
        {"type", "object"},
        {"properties",
         {{"keywords",
           {{"description",
             "2 to 5 short search keywords or exact phrases likely to appear on screen, in the "
             "language they would be written in"},
            {"type", "array"},
            {"items", {{"type", "string"}}}}},
          {"days",
           {{"description", "How many days back to search; 0 if not specified"},
            {"type", "integer"},
            {"minimum", 0},
            {"maximum", 365}}}}},
        {"required", {"keywords", "days"}},
        {"additionalProperties", false}};
    return schema;
}

AIService::SearchPlan AIService::SearchPlan::fromJSON(std::string_view reply) {
    // Servers that ignore the requested response format wrap the object in a Markdown code block
    // or in a line of prose: the plan is the first JSON object of the reply, whatever surrounds it.
    const std::size_t start = reply.find('{');
    if (start == std::string_view::npos) {
        throw platform::LanguageModelError("The search plan is not a JSON object.");
    }
    Json content;
    std::istringstream object{std::string(reply.substr(start))};
    try {
        object >> content; // reads one JSON value and leaves what follows it
    } catch (const Json::exception&) {
        throw platform::LanguageModelError("The search plan is not a JSON object.");
    }
    SearchPlan plan;
    const auto keywords = content.find("keywords");
    if (keywords == content.end() || !keywords->is_array()) {
        throw platform::LanguageModelError("The search plan has no list of keywords.");
    }
    for (const Json& keyword : *keywords) {
        if (!keyword.is_string()) {
            throw platform::LanguageModelError("A keyword of the search plan is not a text.");
        }
        plan.keywords.push_back(keyword.get<std::string>());
    }
    const auto days = content.find("days");
    if (days == content.end() || !days->is_number_integer()) {
        throw platform::LanguageModelError("The search plan's days are not an integer.");
    }
    // An integer too large for 64 bits only means "as far back as allowed".
    plan.days = days->is_number_unsigned()
                    ? static_cast<std::int64_t>(std::min<std::uint64_t>(
                          days->get<std::uint64_t>(), std::numeric_limits<std::int64_t>::max()))
                    : days->get<std::int64_t>();
    return plan;
}

std::string AIService::respond(const platform::LanguageModel::Request& request) {
    try {
        return model_.respond(request, stop_.get_token());
    } catch (const platform::LanguageModelError&) {
        if (!stop_.stop_requested()) {
            refreshAvailability();
        }
        throw;
    }
}

AIService::SearchPlan AIService::makeSearchPlan(const QString& question) {
    platform::LanguageModel::Request request;
    request.instructions = searchPlanInstructions;
    request.prompt = question.toStdString();
    request.schema = SearchPlan::schema();
    request.schemaName = "SearchPlan";
    return SearchPlan::fromJSON(respond(request));
}

} // namespace vesperline
