#include "UI/Search/RangeChips.h"

#include "Model/SearchModel.h"
#include "UI/Shared/Chip.h"

#include <QBoxLayout>

namespace vesperline {

RangeChips::RangeChips(SearchModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    static_assert(std::tuple_size_v<decltype(chips_)> == SearchModel::allRanges.size());
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    for (std::size_t index = 0; index < SearchModel::allRanges.size(); ++index) {
        const SearchModel::Range range = SearchModel::allRanges[index];
        auto* chip = new Chip(SearchModel::label(range), std::nullopt, false, this);
        chip->setObjectName(QStringLiteral("range-%1").arg(QLatin1String(SearchModel::rawValue(range))));
        chip->setFocusPolicy(Qt::NoFocus);
        connect(chip, &Chip::clicked, &model_, [this, range] { model_.setRange(range); });
        chips_[index] = chip;
        row->addWidget(chip);
    }
    connect(&model_, &SearchModel::rangeChanged, this, &RangeChips::showRange);
    showRange();
}

void RangeChips::showRange() {
    for (std::size_t index = 0; index < chips_.size(); ++index) {
        chips_[index]->setSelected(SearchModel::allRanges[index] == model_.range());
    }
}

} // namespace vesperline
