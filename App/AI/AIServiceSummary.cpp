#include "AI/AIService.h"

#include "Runtime/Log.h"
#include "Support/Graphemes.h"

#include <algorithm>

namespace vesperline {

namespace {

constexpr std::size_t modelApps = 8;
constexpr std::size_t modelProjects = 8;
constexpr std::size_t modelTitles = 25;
constexpr std::size_t titleCharacters = 80;
constexpr std::size_t fallbackEntries = 3;

// The first `count` entries as "name<open>duration<close>".
QStringList entries(const std::vector<ostrel::WorkLogEntry>& log, std::size_t count, const Format& format,
                    const QString& open, const QString& close) {
    QStringList texts;
    for (std::size_t i = 0; i < std::min(count, log.size()); ++i) {
        texts << QString::fromStdString(log[i].name) + open + format.duration(log[i].seconds) + close;
    }
    return texts;
}

} // namespace

QFuture<AIService::Summary> AIService::summarize(const ostrel::WorkLog& log,
                                                 const std::vector<ostrel::MemoryStore::TitleCount>& titles) {
    return runRequest<Summary>(
        [this, log, titles](const QPromise<Summary>& promise) { return summarizeNow(log, titles, promise); });
}

AIService::Summary AIService::summarizeNow(const ostrel::WorkLog& log,
                                           const std::vector<ostrel::MemoryStore::TitleCount>& titles,
                                           const QPromise<Summary>& promise) {
    if (!lastUnavailability() && !promise.isCanceled() && !stop_.stop_requested()) {
        try {
            return {modelSummary(log, titles), QStringLiteral("ai")};
        } catch (const std::exception& error) {
            qCCritical(Log::ai(), "Summary failed: %s", error.what());
        }
    }
    return {fallbackSummary(log), QStringLiteral("template")};
}

QString AIService::modelSummary(const ostrel::WorkLog& log,
                                const std::vector<ostrel::MemoryStore::TitleCount>& titles) {
    QString facts =
        QStringLiteral("Total active time: ") + format_.duration(log.totalSeconds) + QStringLiteral(".\n");
    if (log.firstActivity && log.lastActivity) {
        facts += QStringLiteral("Active between ") + format_.time(*log.firstActivity) +
                 QStringLiteral(" and ") + format_.time(*log.lastActivity) + QStringLiteral(".\n");
    }
    const QString space = QStringLiteral(" ");
    facts += QStringLiteral("Apps: ") +
             entries(log.apps, modelApps, format_, space, {}).join(QStringLiteral("; ")) + QLatin1Char('\n');
    if (!log.projects.empty()) {
        facts += QStringLiteral("Projects or sites: ") +
                 entries(log.projects, modelProjects, format_, space, {}).join(QStringLiteral("; ")) +
                 QLatin1Char('\n');
    }
    QStringList windows;
    for (std::size_t i = 0; i < std::min(modelTitles, titles.size()); ++i) {
        windows << QString::fromStdString(titles[i].appLabel) + QStringLiteral(": ") +
                       QString::fromStdString(ostrel::Graphemes::prefix(titles[i].title, titleCharacters));
    }
    facts += QStringLiteral("Frequently seen windows:\n") + windows.join(QLatin1Char('\n'));

    platform::LanguageModel::Request request;
    request.instructions =
        "You write a short, friendly end-of-day summary of how someone used their computer, "
        "based only on the facts given. Write 3-5 sentences in " +
        format_.languageName().toStdString() +
        ". Mention the main work, apps and how long. Never invent details. No lists, no "
        "headings.";
    request.prompt = facts.toStdString();
    return QString::fromStdString(respond(request)).trimmed();
}

QString AIService::fallbackSummary(const ostrel::WorkLog& log) const {
    if (!(log.totalSeconds > 0)) {
        return tr("No activity was recorded on this day.");
    }
    const QString total = format_.duration(log.totalSeconds);
    QStringList sentences;
    if (log.firstActivity && log.lastActivity) {
        sentences << tr("You were active for %1 between %2 and %3.")
                         .arg(total, format_.time(*log.firstActivity), format_.time(*log.lastActivity));
    } else {
        sentences << tr("You were active for %1.").arg(total);
    }
    const QString open = QStringLiteral(" (");
    const QString close = QStringLiteral(")");
    if (const QStringList apps = entries(log.apps, fallbackEntries, format_, open, close); !apps.isEmpty()) {
        sentences << tr("Most of the time went to %1.").arg(format_.list(apps));
    }
    if (const QStringList projects = entries(log.projects, fallbackEntries, format_, open, close);
        !projects.isEmpty()) {
        sentences << tr("Main work: %1.").arg(format_.list(projects));
    }
    return sentences.join(QLatin1Char(' '));
}

} // namespace vesperline
