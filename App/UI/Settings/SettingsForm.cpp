#include "UI/Settings/SettingsForm.h"

#include "UI/Shared/Card.h"
#include "UI/Shared/Divider.h"
#include "UI/Shared/PageParts.h"
#include "UI/Shared/ToggleSwitch.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace vesperline {

namespace {

constexpr int sectionSpacing = 18;
constexpr int rowPaddingX = 12;
constexpr int rowPaddingY = 8;
constexpr int rowMinimumHeight = 24;

} // namespace

QLabel* formLabel(const QString& text, Theme::TextStyle style, Theme::Level level, bool wraps) {
    QLabel* label = PageParts::textLabel(style, level, std::nullopt, wraps);
    label->setText(text);
    return label;
}

SettingsForm::SettingsForm(QWidget* parent) : QScrollArea(parent), page_(new QWidget) {
    auto* layout = new QVBoxLayout(page_);
    layout->setContentsMargins(Theme::pagePadding, 4, Theme::pagePadding, Theme::pagePadding);
    layout->setSpacing(sectionSpacing);
    layout->addStretch();
    // The page's height follows its width (wrapped texts): the scroll area asks it at the width it has.
    page_->setMinimumHeight(1);
    setWidget(page_);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The page shows the window's ground, not the scroll area's base colour.
    viewport()->setAutoFillBackground(false);
    page_->setAutoFillBackground(false);
}

SettingsForm* SettingsForm::fill(QWidget* pane) {
    auto* form = new SettingsForm;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(form);
    return form;
}

FormSection* SettingsForm::addSection(const QString& header) {
    auto* section = new FormSection(header);
    auto* layout = static_cast<QVBoxLayout*>(page_->layout());
    layout->insertWidget(layout->count() - 1, section);
    return section;
}

FormSection::FormSection(const QString& header, QWidget* parent)
    : QWidget(parent), header_(formLabel(header, Theme::TextStyle::subheadline, Theme::Level::secondary)),
      rows_(new QWidget), footer_(formLabel({}, Theme::TextStyle::caption, Theme::Level::secondary, true)) {
    Theme::applyText(header_, Theme::TextStyle::subheadline, Theme::Level::secondary, QFont::DemiBold);
    header_->setVisible(!header.isEmpty());
    header_->setContentsMargins(rowPaddingX / 2, 0, 0, 0);
    footer_->setVisible(false);
    footer_->setContentsMargins(rowPaddingX / 2, 0, rowPaddingX / 2, 0);
    auto* rowsLayout = new QVBoxLayout(rows_);
    rowsLayout->setContentsMargins(0, 0, 0, 0);
    rowsLayout->setSpacing(0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(header_);
    layout->addWidget(new Card(rows_, 0));
    layout->addWidget(footer_);
}

QWidget* FormSection::addRow(QWidget* content) {
    return insertRow(int(rowList_.size()), content);
}

QWidget* FormSection::insertRow(int index, QWidget* content) {
    index = std::clamp(index, 0, int(rowList_.size()));
    auto* row = new QWidget;
    auto* layout = new QVBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The line above the row, inset like the row's content.
    auto* line = new QWidget;
    auto* lineLayout = new QHBoxLayout(line);
    lineLayout->setContentsMargins(rowPaddingX, 0, rowPaddingX, 0);
    lineLayout->addWidget(new Divider);
    layout->addWidget(line);
    auto* padded = new QWidget;
    auto* paddedLayout = new QVBoxLayout(padded);
    paddedLayout->setContentsMargins(rowPaddingX, rowPaddingY, rowPaddingX, rowPaddingY);
    paddedLayout->addWidget(content);
    padded->setMinimumHeight(rowMinimumHeight + 2 * rowPaddingY);
    layout->addWidget(padded);
    static_cast<QVBoxLayout*>(rows_->layout())->insertWidget(index, row);
    rowList_.insert(rowList_.begin() + index, {row, line});
    row->installEventFilter(this);
    updateLines();
    return row;
}

void FormSection::removeRow(QWidget* row) {
    const auto found =
        std::find_if(rowList_.begin(), rowList_.end(), [row](const Row& entry) { return entry.row == row; });
    if (found == rowList_.end()) {
        return;
    }
    rowList_.erase(found);
    // Out of the form now, deleted later: the row's own button may be what asked for this. It stays
    // a child meanwhile, so it never outlives the form.
    rows_->layout()->removeWidget(row);
    row->hide();
    row->deleteLater();
    updateLines();
}

void FormSection::moveRow(QWidget* row, int index) {
    const auto found =
        std::find_if(rowList_.begin(), rowList_.end(), [row](const Row& entry) { return entry.row == row; });
    if (found == rowList_.end() || found - rowList_.begin() == index) {
        return;
    }
    const Row entry = *found;
    rowList_.erase(found);
    index = std::clamp(index, 0, int(rowList_.size()));
    rowList_.insert(rowList_.begin() + index, entry);
    auto* layout = static_cast<QVBoxLayout*>(rows_->layout());
    layout->removeWidget(row);
    layout->insertWidget(index, row);
    updateLines();
}

QWidget* FormSection::addLeadingRow(QWidget* content) {
    auto* holder = new QWidget;
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content);
    layout->addStretch(1);
    return addRow(holder);
}

QWidget* FormSection::addLabeledRow(const QString& title, QWidget* control, Qt::Alignment titleAlignment) {
    auto* content = new QWidget;
    auto* layout = new QHBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(formLabel(title, Theme::TextStyle::body), 1, titleAlignment);
    layout->addWidget(control, 0, Qt::AlignRight | Qt::AlignVCenter);
    return addRow(content);
}

ToggleSwitch* FormSection::addSwitch(const QString& title, const QString& name) {
    auto* toggle = new ToggleSwitch;
    toggle->setObjectName(name);
    toggle->setAccessibleName(title);
    addLabeledRow(title, toggle);
    return toggle;
}

QLabel* FormSection::addText(const QString& text, Theme::TextStyle style, Theme::Level level) {
    QLabel* label = formLabel(text, style, level, true);
    addRow(label);
    return label;
}

void FormSection::setFooter(const QString& text) {
    footer_->setText(text);
    footer_->setVisible(!text.isEmpty());
}

bool FormSection::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) {
        updateLines();
    }
    return QWidget::eventFilter(watched, event);
}

void FormSection::updateLines() {
    bool first = true;
    for (const Row& entry : rowList_) {
        entry.line->setVisible(!first);
        if (!entry.row->isHidden()) {
            first = false;
        }
    }
}

} // namespace vesperline
