#pragma once

#include "Store/Format.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;

namespace vesperline {

class ActivityIndicator;
class AppSettings;
class SettingsContext;
class ToggleSwitch;

// The Storage pane: how long pictures, important moments and text are kept, the disk cap, what the
// memory takes right now (with the data folder and a tidy-up pass), and the backup exclusion.
// Showing it asks the model once to refresh its figures.
//
// A stored value that is not one of a picker's choices (an earlier version's, or one edited by
// hand) selects nothing and stays as it is until the user picks a choice.
class StoragePane final : public QWidget {
    Q_OBJECT

  public:
    explicit StoragePane(SettingsContext& context, QWidget* parent = nullptr);

    // The values a picker offers, in order; 0 stands for "Forever".
    // A choice of days: "7 days".
    static QString daysText(std::int64_t days, const Format& format);
    static const std::vector<std::int64_t>& fullImageChoices();
    static const std::vector<std::int64_t>& keyframeChoices();
    static const std::vector<std::int64_t>& textChoices();
    static const std::vector<std::int64_t>& diskCapChoices();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    struct Picker {
        QComboBox* combo;
        const std::vector<std::int64_t>* choices;
        std::int64_t (AppSettings::*read)() const;
    };
    QComboBox* addPicker(const std::vector<std::int64_t>& choices, bool gigabytes, const QString& name);
    // Shows the settings and the model's figures; writes nothing.
    void follow();

    SettingsContext& context_;
    std::array<Picker, 4> pickers_{};
    QLabel* usedOnDisk_;
    QLabel* moments_;
    QWidget* oldestRow_;
    QLabel* oldest_;
    QPushButton* tidyUp_;
    ActivityIndicator* maintenanceIndicator_;
    ToggleSwitch* excludeFromBackup_;
    bool refreshed_ = false;
};

} // namespace vesperline
