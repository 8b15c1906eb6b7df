#include "UI/Ask/AskController.h"

#include "AI/AIService.h"
#include "Model/AppSettings.h"
#include "Runtime/WhenFinished.h"
#include "Search/SearchQuery.h"

namespace vesperline {

AskController::AskController(AIService& ai, StoreHub& hub, const AppSettings& settings, ModelActions actions,
                             AIAvailability availability, const Format& format, const ostrel::Clock& clock,
                             QObject* parent)
    : QObject(parent), ai_(ai), hub_(hub), settings_(settings), actions_(std::move(actions)), format_(format),
      clock_(clock), availability_(std::move(availability)) {
    connect(&settings_, &AppSettings::hotKeyChanged, this, &AskController::searchHintChanged);
}

void AskController::setAvailability(const AIAvailability& availability) {
    if (availability == availability_) {
        return;
    }
    availability_ = availability;
    emit availabilityChanged();
    updateOnScreen();
}

void AskController::setShown(bool shown) {
    shown_ = shown;
    updateOnScreen();
}

void AskController::updateOnScreen() {
    const OnScreen now = !shown_                       ? OnScreen::nothing
                         : availability_.isAvailable() ? OnScreen::composer
                                                       : OnScreen::notice;
    if (now == onScreen_) {
        return;
    }
    // Taken before the model is asked: its answer may come back through setAvailability at once.
    onScreen_ = now;
    if (now == OnScreen::notice) {
        actions_.refreshPermissions();
    } else if (now == OnScreen::composer) {
        emit composerFocusRequested();
    }
}

QStringList AskController::examples() {
    return {tr("What was the AdMob ID I saw last week?"), tr("Which articles did I read yesterday?"),
            tr("What did I work on most this week?")};
}

QString AskController::unavailableTitle() {
    return tr("Ask needs the local model");
}

QString AskController::searchHint() const {
    return tr("Search still works everywhere: press %1 and type what you remember.")
        .arg(actions_.shortcutText(settings_.hotKey()));
}

void AskController::setQuestion(const QString& text) {
    if (text == question_) {
        return;
    }
    question_ = text;
    emit questionChanged();
}

bool AskController::canSend() const {
    for (const QChar character : question_) {
        if (character != QLatin1Char(' ') && character != QLatin1Char('\t')) {
            return true;
        }
    }
    return false;
}

QString AskController::tooLongText() {
    return tr("That question is too long to search for. Ask it in at most %L1 words and %L2 characters.")
        .arg(static_cast<qulonglong>(ostrel::SearchQuery::maximumWords))
        .arg(static_cast<qulonglong>(ostrel::SearchQuery::maximumCharacters));
}

void AskController::ask() {
    const QString text = question_.trimmed();
    if (text.isEmpty() || asking_) {
        return;
    }
    // The memory is searched for the question itself when its keywords find nothing; a question
    // past what a search reads would be searched only in part, and costs the model as much again.
    if (ostrel::SearchQuery(text.toStdString(), std::nullopt, std::nullopt, {}, 0,
                            ostrel::SearchQuery::Sort::relevance)
            .isShortened()) {
        exchanges_.push_back({text, tooLongText(), {}, true});
        emit exchangeAdded();
        return;
    }
    setQuestion({});
    asking_ = true;
    emit askingChanged();
    exchanges_.push_back({text, std::nullopt, {}, false});
    const std::size_t index = exchanges_.size() - 1;
    emit exchangeAdded();

    whenFinished(ai_.answer(text, hub_), this, [this, index](QFuture<AIService::Answer> future) {
        try {
            if (future.resultCount() > 0) {
                AIService::Answer answer = future.result();
                answered(index, std::move(answer.text), std::move(answer.sources));
                return;
            }
            future.waitForFinished(); // rethrows what answering threw
        } catch (...) {
            // Whatever went wrong, the user gets the one failure text; search still works.
        }
        answered(index, std::nullopt, {});
    });
}

void AskController::answered(std::size_t index, std::optional<QString> text,
                             std::vector<ostrel::SearchHit> sources) {
    Exchange& exchange = exchanges_[index];
    if (text) {
        exchange.answer = std::move(*text);
        exchange.sources = std::move(sources);
    } else {
        exchange.answer = tr("Sorry, I couldn't answer that right now. Try searching instead.");
        exchange.failed = true;
    }
    emit exchangeChanged(static_cast<int>(index));
    asking_ = false;
    emit askingChanged();
}

void AskController::askExample(int index) {
    const QStringList questions = examples();
    if (index < 0 || index >= questions.size()) {
        return;
    }
    setQuestion(questions[index]);
    ask();
}

QString AskController::sourceNumber(std::size_t index) {
    return tr("[%1]").arg(index + 1);
}

QString AskController::sourceTitle(const ostrel::SearchHit& source) const {
    return QString::fromStdString(source.frame.displayTitle());
}

QString AskController::sourceDetail(const ostrel::SearchHit& source) const {
    const ostrel::FrameSummary& frame = source.frame;
    return (frame.appName ? QString::fromStdString(*frame.appName) : QString()) + QStringLiteral(" · ") +
           format_.momentLabel(frame.timestamp, clock_.now());
}

void AskController::openSource(std::size_t exchange, std::size_t source) {
    if (exchange >= exchanges_.size() || source >= exchanges_[exchange].sources.size()) {
        return;
    }
    const ostrel::FrameSummary& frame = exchanges_[exchange].sources[source].frame;
    const std::int64_t frameID = frame.id;
    const ostrel::Time timestamp = frame.timestamp;
    actions_.recordFind();
    actions_.openTimeline(frameID, timestamp);
}

} // namespace vesperline
