#pragma once

#include <QWidget>

class QLabel;

namespace vesperline {

class OnboardingController;

// The tour's page on searching: a picture of the quick-search panel finding a word, and the three
// steps of a search, the first with the global shortcut as it is set now.
class SearchPage final : public QWidget {
    Q_OBJECT

  public:
    explicit SearchPage(OnboardingController& controller, QWidget* parent = nullptr);

  private:
    QLabel* shortcutStep_;
};

} // namespace vesperline
