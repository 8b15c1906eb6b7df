#include "Model/DatabaseAlertBox.h"

#include <QMessageBox>
#include <QPushButton>

namespace vesperline {

bool DatabaseAlertBox::present(bool damaged, const QString& message) {
    const Texts texts = DatabaseAlert::texts(damaged, message);
    QMessageBox box(QMessageBox::Critical, texts.title, texts.title);
    box.setObjectName("databaseAlert");
    box.setInformativeText(texts.text);
    QPushButton* first = box.addButton(texts.firstButton, QMessageBox::AcceptRole);
    box.addButton(texts.secondButton, QMessageBox::RejectRole);
    box.setDefaultButton(first);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    return box.clickedButton() == first;
}

void DatabaseAlertBox::presentRebuilt() {
    const Texts texts = DatabaseAlert::rebuiltTexts();
    QMessageBox box(QMessageBox::Information, texts.title, texts.title);
    box.setObjectName("databaseRebuilt");
    box.setInformativeText(texts.text);
    box.setDefaultButton(box.addButton(texts.firstButton, QMessageBox::AcceptRole));
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

} // namespace vesperline
