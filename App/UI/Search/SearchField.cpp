#include "UI/Search/SearchField.h"

#include "Model/SearchModel.h"

#include <QSignalBlocker>

namespace vesperline {

SearchField::SearchField(SearchModel& model, QWidget* parent) : QLineEdit(parent), model_(model) {
    setObjectName("searchField");
    setFrame(false);
    setPlaceholderText(tr("Search everything you've seen…"));
    QPalette clear = palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    setPalette(clear);
    connect(this, &QLineEdit::textEdited, &model_, &SearchModel::setText);
    connect(&model_, &SearchModel::textChanged, this, &SearchField::showText);
    showText();
}

void SearchField::showText() {
    if (text() != model_.text()) {
        const QSignalBlocker blocker(this);
        setText(model_.text());
    }
}

} // namespace vesperline
