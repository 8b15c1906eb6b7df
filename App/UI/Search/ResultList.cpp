#include "UI/Search/ResultList.h"

#include "UI/Theme/Theme.h"

#include <QBoxLayout>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QScrollBar>

#include <algorithm>

namespace vesperline {

namespace {

constexpr int sidePadding = 10;

} // namespace

ResultList::ResultList(ResultRow::Services services, QWidget* parent)
    : QScrollArea(parent), services_(std::move(services)) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);

    content_ = new QWidget;
    content_->setAutoFillBackground(false);
    column_ = new QVBoxLayout(content_);
    column_->setContentsMargins(sidePadding, 6, sidePadding, sidePadding);
    column_->setSpacing(rowSpacing);
    header_ = new QLabel(content_);
    header_->setObjectName("resultsHeader");
    // A header may say in a second line that a long search was cut; the list keeps its width.
    header_->setWordWrap(true);
    header_->setContentsMargins(ResultRow::padding, 4, 0, 4);
    Theme::applyText(header_, Theme::TextStyle::footnote, Theme::Level::secondary, QFont::DemiBold);
    column_->addWidget(header_);
    column_->addStretch(1);
    setWidget(content_);
    centring_ = new QPropertyAnimation(verticalScrollBar(), "value", this);
    centring_->setDuration(centringMilliseconds);
    centring_->setEasingCurve(QEasingCurve::OutCubic);

    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &ResultList::updateThumbnails);
}

void ResultList::setHeader(const QString& header) {
    header_->setText(header);
    header_->setVisible(!header.isEmpty());
}

void ResultList::setHits(const std::vector<ostrel::SearchHit>& hits, std::optional<std::int64_t> selected) {
    while (rows_.size() < hits.size()) {
        auto* row = new ResultRow(services_, content_);
        row->setObjectName("resultRow");
        row->setThumbnailWanted(false); // until the layout has placed it
        row->installEventFilter(this);
        column_->insertWidget(static_cast<int>(rows_.size()) + 1, row);
        rows_.push_back(row);
    }
    shown_ = static_cast<int>(hits.size());
    for (std::size_t index = 0; index < rows_.size(); ++index) {
        ResultRow* row = rows_[index];
        if (index < hits.size()) {
            row->setHit(hits[index]);
            row->show();
        } else {
            row->hide();
        }
    }
    selected_.reset();
    setSelected(selected);
}

void ResultList::setSelected(std::optional<std::int64_t> frameID) {
    selected_ = frameID;
    for (int index = 0; index < shown_; ++index) {
        ResultRow* row = rows_[static_cast<std::size_t>(index)];
        row->setSelected(frameID && row->hit().frame.id == *frameID);
    }
}

void ResultList::revealSelected(Reveal reveal) {
    // After the layouts have placed rows that came with new results.
    QMetaObject::invokeMethod(
        this,
        [this, reveal] {
            const int index = selectedIndex();
            if (index < 0) {
                return;
            }
            ResultRow* selected = row(index);
            centring_->stop();
            if (reveal == Reveal::nearest) {
                ensureWidgetVisible(selected, 0, rowSpacing);
                return;
            }
            QScrollBar* bar = verticalScrollBar();
            const int target = std::clamp(selected->geometry().center().y() - viewport()->height() / 2,
                                          bar->minimum(), bar->maximum());
            if (target != bar->value()) {
                centring_->setStartValue(bar->value());
                centring_->setEndValue(target);
                centring_->start();
            }
        },
        Qt::QueuedConnection);
}

int ResultList::selectedIndex() const {
    if (!selected_) {
        return -1;
    }
    for (int index = 0; index < shown_; ++index) {
        if (row(index)->hit().frame.id == *selected_) {
            return index;
        }
    }
    return -1;
}

void ResultList::requestIndex(int index) {
    if (shown_ > 0) {
        emit selectionRequested(row(std::clamp(index, 0, shown_ - 1))->hit().frame.id);
    }
}

bool ResultList::eventFilter(QObject* watched, QEvent* event) {
    auto* row = qobject_cast<ResultRow*>(watched);
    if (!row) {
        return QScrollArea::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            setFocus(Qt::MouseFocusReason);
            emit selectionRequested(row->hit().frame.id);
            return true;
        }
        break;
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            emit activated(row->hit().frame.id);
            return true;
        }
        break;
    case QEvent::ContextMenu:
        emit selectionRequested(row->hit().frame.id);
        emit menuRequested(row->hit().frame.id, static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    case QEvent::Move:
    case QEvent::Resize:
        updateThumbnails();
        break;
    default:
        break;
    }
    return QScrollArea::eventFilter(watched, event);
}

void ResultList::keyPressEvent(QKeyEvent* event) {
    const int index = std::max(selectedIndex(), 0);
    switch (event->key()) {
    case Qt::Key_Up:
        requestIndex(selectedIndex() < 0 ? 0 : index - 1);
        break;
    case Qt::Key_Down:
        requestIndex(selectedIndex() < 0 ? 0 : index + 1);
        break;
    case Qt::Key_Home:
        requestIndex(0);
        break;
    case Qt::Key_End:
        requestIndex(shown_ - 1);
        break;
    default:
        QScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
}

void ResultList::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    updateThumbnails();
}

void ResultList::updateThumbnails() {
    // The part of the content in view, and a row's height either side.
    const int margin = ResultRow::thumbnailSize.height() + 2 * ResultRow::padding;
    const QRect inView = QRect(-content_->pos(), viewport()->size()).adjusted(0, -margin, 0, margin);
    for (int index = 0; index < shown_; ++index) {
        ResultRow* row = rows_[static_cast<std::size_t>(index)];
        row->setThumbnailWanted(row->geometry().intersects(inView));
    }
}

} // namespace vesperline
