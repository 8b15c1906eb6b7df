#pragma once

#include "AI/AIAvailability.h"
#include "Model/HotKeyCombo.h"
#include "Runtime/SystemClock.h"
#include "Storage/SearchHit.h"
#include "Store/Format.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace vesperline {

class AIService;
class AppSettings;
class StoreHub;

// What the Ask screen shows and does: a conversation of questions about what the user saw, each
// answered by the language model from the memory, with the moments it drew on as numbered sources
// that open the timeline; while the model cannot be used, why not, and that search still works.
//
// The conversation lives only as long as the controller: questions are only ever appended, one is
// answered at a time, and nothing of it is stored. Whether the model can be used belongs to the
// application model, which sets it here whenever it changes. Main thread only.
class AskController final : public QObject {
    Q_OBJECT

  public:
    // What the screen asks of the application model; all return at once.
    struct ModelActions {
        // Re-reads the permissions and whether the model can be used; a change comes back through
        // `setAvailability`.
        std::function<void()> refreshPermissions;
        // Counts one successful find.
        std::function<void()> recordFind;
        // Shows the timeline at a moment.
        std::function<void(std::int64_t frameID, ostrel::Time timestamp)> openTimeline;
        // A global shortcut as the user reads it ("Shift+Super+Space").
        std::function<QString(const HotKeyCombo&)> shortcutText;
    };

    // One accepted question and what came back.
    struct Exchange {
        QString question;
        // Absent while the answer is awaited; then the answer, or the failure text.
        std::optional<QString> answer;
        // The moments the answer could cite: element i is [i + 1].
        std::vector<ostrel::SearchHit> sources;
        bool failed = false;
    };

    // Everything given must outlive the controller; `availability` is the model's as it stands.
    AskController(AIService& ai, StoreHub& hub, const AppSettings& settings, ModelActions actions,
                  AIAvailability availability, const Format& format = Format::current(),
                  const ostrel::Clock& clock = systemClock(), QObject* parent = nullptr);

    const Format& format() const { return format_; }
    const ostrel::Clock& clock() const { return clock_; }

    // ---- From the model --------------------------------------------------------------------------
    void setAvailability(const AIAvailability& availability);
    const AIAvailability& availability() const { return availability_; }

    // ---- The screen ---------------------------------------------------------------------------------
    // The screen came on screen or went. Each time the unavailable notice comes on screen the model
    // is asked to refresh its availability; each time the composer does, it asks for the focus.
    void setShown(bool shown);

    // The three example questions of the introduction.
    static QStringList examples();
    // The unavailable notice: the reason is the availability's own text.
    static QString unavailableTitle();
    static QString tooLongText();
    QString searchHint() const;

    // ---- The composer ---------------------------------------------------------------------------
    const QString& question() const { return question_; }
    void setQuestion(const QString& text);
    // Whether the send button is enabled: the question holds more than spaces and tabs.
    bool canSend() const;
    bool asking() const { return asking_; }

    // Asks the question, trimmed of white space and line breaks: ignored when that is empty or while
    // another question is being answered (the composer keeps its text then). Empties the composer,
    // appends the exchange and returns; the answer, or the failure text, arrives later. A question
    // longer than a search reads is not asked: its exchange fails at once with `tooLongText`, and the
    // composer keeps it to be shortened.
    void ask();
    // Asks the example at `index` of `examples()` at once.
    void askExample(int index);

    // ---- The conversation ------------------------------------------------------------------------
    const std::vector<Exchange>& exchanges() const { return exchanges_; }

    // "[3]" for the source at index 2.
    static QString sourceNumber(std::size_t index);
    QString sourceTitle(const ostrel::SearchHit& source) const;
    // The app's name (nothing without one), " · " and when the moment was.
    QString sourceDetail(const ostrel::SearchHit& source) const;
    // Counts a find and opens the timeline at the moment of that source; an index out of range does
    // nothing.
    void openSource(std::size_t exchange, std::size_t source);

  signals:
    void availabilityChanged();
    void questionChanged();
    void askingChanged();
    // An exchange was appended at the end.
    void exchangeAdded();
    // The exchange at `index` got its answer or its failure.
    void exchangeChanged(int index);
    void searchHintChanged();
    void composerFocusRequested();

  private:
    enum class OnScreen { nothing, notice, composer };

    void updateOnScreen();
    void answered(std::size_t index, std::optional<QString> text, std::vector<ostrel::SearchHit> sources);

    AIService& ai_;
    StoreHub& hub_;
    const AppSettings& settings_;
    ModelActions actions_;
    const Format& format_;
    const ostrel::Clock& clock_;

    AIAvailability availability_;
    bool shown_ = false;
    OnScreen onScreen_ = OnScreen::nothing;
    QString question_;
    bool asking_ = false;
    std::vector<Exchange> exchanges_;
};

} // namespace vesperline
