#include "UI/Search/QuickSearchPanel.h"

#include "UI/Theme/Theme.h"

#include <QBoxLayout>
#include <QEvent>
#include <QPainter>

namespace vesperline {

QuickSearchPanel::QuickSearchPanel(QSize size, QWidget* content)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("quickSearchPanel");
    setWindowTitle(tr("Quick Search"));
    setFixedSize(size);
    auto* layout = new QVBoxLayout(this);
    // Inside the hairline edge.
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(content);
}

void QuickSearchPanel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow()) {
        emit deactivated();
    }
}

void QuickSearchPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.setPen(Theme::separator(palette()));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace vesperline
