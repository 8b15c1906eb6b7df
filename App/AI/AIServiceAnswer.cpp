#include "AI/AIService.h"

#include "AI/AIUnavailableError.h"
#include "Search/SearchQuery.h"
#include "Store/StoreHub.h"
#include "Support/Graphemes.h"

#include <algorithm>
#include <set>

namespace vesperline {

namespace {

constexpr std::size_t maxKeywords = 5;
constexpr std::int64_t hitsPerKeyword = 4;
constexpr std::int64_t fallbackHits = 6;
constexpr std::size_t maxExcerpts = 8;
constexpr std::size_t excerptCharacters = 260;
constexpr std::int64_t maxDays = 365;
constexpr double secondsPerDay = 86400;

QString fromUTF8(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

QFuture<AIService::Answer> AIService::answer(const QString& question, StoreHub& hub) {
    return runRequest<Answer>(
        [this, question, &hub](const QPromise<Answer>&) { return answerNow(question, hub); });
}

std::vector<ostrel::SearchHit> AIService::search(StoreHub& hub, const std::string& text,
                                                 std::optional<ostrel::Time> from, std::int64_t limit,
                                                 ostrel::Time now) const {
    try {
        const ostrel::SearchQuery query(text, from, std::nullopt, {}, limit,
                                        ostrel::SearchQuery::Sort::relevance);
        return hub.readSync([&](ostrel::MemoryStore& store) { return store.search(query, now); });
    } catch (const std::exception&) {
        return {}; // a search that fails finds nothing; the hub reports a damaged database itself
    }
}

QString AIService::excerpts(const std::vector<ostrel::SearchHit>& sources, ostrel::Time now) const {
    const QString separator = QStringLiteral(" \u2014 ");
    QString text;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const ostrel::FrameSummary& frame = sources[i].frame;
        text += QLatin1Char('[') + QString::number(i + 1) + QStringLiteral("] ") +
                format_.momentLabel(frame.timestamp, now) + separator +
                (frame.appName ? fromUTF8(*frame.appName) : QStringLiteral("?")) + separator +
                (frame.windowTitle ? fromUTF8(*frame.windowTitle) : QString()) + QLatin1Char('\n');
        text += fromUTF8(ostrel::Graphemes::prefix(sources[i].snippet.text, excerptCharacters)) +
                QStringLiteral("\n\n");
    }
    return text;
}

AIService::Answer AIService::answerNow(const QString& question, StoreHub& hub) {
    if (lastUnavailability()) {
        throw AIUnavailableError();
    }
    const SearchPlan plan = makeSearchPlan(question);
    const ostrel::Time now = clock_.now();
    // The schema asks for 0 to 365 days, but a model may send any integer: outside that range the
    // date arithmetic would leave the calendar, so the plan is held to it.
    const std::int64_t days = std::clamp<std::int64_t>(plan.days, 0, maxDays);
    const std::optional<ostrel::Time> from =
        days > 0 ? std::optional(now - static_cast<double>(days) * secondsPerDay) : std::nullopt;

    std::vector<ostrel::SearchHit> hits;
    std::set<std::int64_t> found;
    const std::size_t keywordCount = std::min(plan.keywords.size(), maxKeywords);
    for (std::size_t i = 0; i < keywordCount; ++i) {
        for (ostrel::SearchHit& hit : search(hub, plan.keywords[i] + ' ', from, hitsPerKeyword, now)) {
            if (found.insert(hit.frame.id).second) {
                hits.push_back(std::move(hit));
            }
        }
    }
    if (hits.empty()) {
        hits = search(hub, question.toStdString() + ' ', from, fallbackHits, now);
    }
    if (hits.size() > maxExcerpts) {
        hits.resize(maxExcerpts);
    }
    if (hits.empty()) {
        return {tr("I couldn't find anything about that in your memory."), {}};
    }

    platform::LanguageModel::Request request;
    request.instructions =
        "You answer questions about what the user saw on their screen, using ONLY the numbered "
        "excerpts. Cite sources like [1]. If the excerpts don't contain the answer, say so "
        "briefly. Answer in " +
        format_.languageName().toStdString() + ", in at most 4 sentences.";
    request.prompt =
        (QStringLiteral("Excerpts:\n") + excerpts(hits, now) + QStringLiteral("\nQuestion: ") + question)
            .toStdString();
    const std::string reply = respond(request);
    return {fromUTF8(reply).trimmed(), std::move(hits)};
}

} // namespace vesperline
