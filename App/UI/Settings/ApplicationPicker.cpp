#include "UI/Settings/ApplicationPicker.h"

#include "Platform/InstalledApplications.h"
#include "UI/Shared/AppIconView.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vesperline {

namespace {

constexpr int iconSide = 20;
constexpr int pickerWidth = 380;
constexpr int pickerHeight = 440;

} // namespace

ApplicationPicker::ApplicationPicker(platform::InstalledApplications& applications, QWidget* parent)
    : QDialog(parent), applications_(applications), filter_(new QLineEdit), list_(new QListWidget) {
    setObjectName("applicationPicker");
    setWindowTitle(tr("Choose Applications"));
    setWindowModality(Qt::WindowModal);
    resize(pickerWidth, pickerHeight);

    filter_->setObjectName("applicationFilter");
    filter_->setPlaceholderText(tr("Filter"));
    filter_->setClearButtonEnabled(true);
    list_->setObjectName("applicationList");
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setIconSize({iconSide, iconSide});
    list_->setUniformItemSizes(true);
    fill();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    add_ = buttons->addButton(tr("Add"), QDialogButtonBox::AcceptRole);
    add_->setObjectName("addApplications");
    add_->setDefault(true);
    add_->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(filter_);
    layout->addWidget(list_, 1);
    layout->addWidget(buttons);

    connect(filter_, &QLineEdit::textChanged, this, &ApplicationPicker::filter);
    connect(list_, &QListWidget::itemSelectionChanged, this,
            [this] { add_->setEnabled(!list_->selectedItems().isEmpty()); });
    connect(list_, &QListWidget::itemActivated, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // An application installed while the list shows joins it; what was picked stays picked.
    applications.watch(this, [this] { fill(); });
}

void ApplicationPicker::fill() {
    const std::vector<std::string> chosen = chosenIDs();
    list_->clear();
    for (const platform::InstalledApplication& application : applications_.listedApplications()) {
        auto* item =
            new QListWidgetItem(QString::fromStdString(application.name.value_or(application.id)), list_);
        item->setData(Qt::UserRole, QString::fromStdString(application.id));
        item->setToolTip(QString::fromStdString(application.id));
        item->setIcon(AppIconView::icon(applications_, application.id));
        item->setSelected(std::find(chosen.begin(), chosen.end(), application.id) != chosen.end());
    }
    filter(filter_->text());
}

std::vector<std::string> ApplicationPicker::chosenIDs() const {
    std::vector<std::string> ids;
    for (int row = 0; row < list_->count(); ++row) {
        const QListWidgetItem* item = list_->item(row);
        if (item->isSelected() && !item->isHidden()) {
            ids.push_back(item->data(Qt::UserRole).toString().toStdString());
        }
    }
    return ids;
}

void ApplicationPicker::filter(const QString& text) {
    const QString wanted = text.trimmed();
    for (int row = 0; row < list_->count(); ++row) {
        QListWidgetItem* item = list_->item(row);
        item->setHidden(!wanted.isEmpty() && !item->text().contains(wanted, Qt::CaseInsensitive) &&
                        !item->data(Qt::UserRole).toString().contains(wanted, Qt::CaseInsensitive));
    }
}

} // namespace vesperline
