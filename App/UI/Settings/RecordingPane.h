#pragma once

#include <QWidget>

#include <array>

class QComboBox;
class QRadioButton;

namespace vesperline {

class AppSettings;
class ToggleSwitch;

// The Recording pane: how often moments are kept, the size of saved images, and the switches for
// all displays, text only and reading text from images on battery.
class RecordingPane final : public QWidget {
    Q_OBJECT

  public:
    explicit RecordingPane(AppSettings& settings, QWidget* parent = nullptr);

  private:
    // Shows the settings; writes nothing.
    void follow();

    AppSettings& settings_;
    std::array<QRadioButton*, 3> modes_{};
    QComboBox* quality_;
    ToggleSwitch* allDisplays_;
    ToggleSwitch* textOnly_;
    ToggleSwitch* ocrOnBattery_;
};

} // namespace vesperline
