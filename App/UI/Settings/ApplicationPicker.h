#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace vesperline {

namespace platform {
class InstalledApplications;
}

// A window-modal dialog listing the installed applications (from their desktop files) by name with
// their icons, narrowed by a filter field; the user picks one or more and confirms with "Add". The
// list follows what is installed while it shows.
class ApplicationPicker final : public QDialog {
    Q_OBJECT

  public:
    explicit ApplicationPicker(platform::InstalledApplications& applications, QWidget* parent = nullptr);

    // The ids of the picked applications, in the list's order.
    std::vector<std::string> chosenIDs() const;

  private:
    // Lists what is installed now, keeping the picked applications picked.
    void fill();
    void filter(const QString& text);

    platform::InstalledApplications& applications_;
    QLineEdit* filter_;
    QListWidget* list_;
    QPushButton* add_;
};

} // namespace vesperline
