#pragma once

#include <QWidget>

#include <optional>

namespace vesperline {

class ConfigurationBlock;
class SettingsContext;
class SymbolText;
class ToggleSwitch;

// The AI pane: whether the local model can be used, the journal's daily summary, and whether
// assistants on this computer may read the memory through the assistants' server; while they may,
// the two pieces of configuration that register the server with a client, each with a copy button.
// Showing the pane asks the model once to look at the permissions and the local model again.
class AIPane final : public QWidget {
    Q_OBJECT

  public:
    explicit AIPane(SettingsContext& context, QWidget* parent = nullptr);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Shows the settings and the model's availability; writes nothing.
    void follow();
    void copy(const QString& text);

    SettingsContext& context_;
    SymbolText* availability_;
    ToggleSwitch* dailySummary_;
    ToggleSwitch* assistants_;
    ConfigurationBlock* command_;
    ConfigurationBlock* entry_;
    QWidget* commandRow_;
    QWidget* entryRow_;
    // The text copied last from this pane.
    std::optional<QString> copied_;
    bool refreshed_ = false;
};

} // namespace vesperline
