#pragma once

#include <QLineEdit>

namespace vesperline {

class SearchModel;

// The field a search is typed in, bound to a search model's text: typing sets the text (and so
// searches after the typing pause), and a text set elsewhere shows here without echoing back. It
// lies on the ground of what holds it, without a box of its own; its font is the holder's choice.
class SearchField final : public QLineEdit {
    Q_OBJECT

  public:
    // The model must outlive the field.
    explicit SearchField(SearchModel& model, QWidget* parent = nullptr);

  private:
    void showText();

    SearchModel& model_;
};

} // namespace vesperline
