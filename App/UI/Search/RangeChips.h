#pragma once

#include <QWidget>

#include <array>

namespace vesperline {

class Chip;
class SearchModel;

// The time ranges of a search as a row of chips ("24 hours" … "All time"), the model's range
// selected; a click sets the range, which searches at once. The chips take no keyboard focus, so
// the search field keeps it.
class RangeChips final : public QWidget {
    Q_OBJECT

  public:
    // The model must outlive the row.
    explicit RangeChips(SearchModel& model, QWidget* parent = nullptr);

  private:
    void showRange();

    SearchModel& model_;
    std::array<Chip*, 4> chips_{};
};

} // namespace vesperline
