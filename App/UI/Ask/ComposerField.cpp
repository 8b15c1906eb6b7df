#include "UI/Ask/ComposerField.h"

#include "UI/Theme/Theme.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QKeyEvent>

#include <algorithm>
#include <cmath>

namespace vesperline {

namespace {

constexpr double documentMargin = 2;

} // namespace

ComposerField::ComposerField(QWidget* parent) : QPlainTextEdit(parent) {
    Theme::applyText(this, Theme::TextStyle::title3);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false); // on the screen's own ground
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(true);
    document()->setDocumentMargin(documentMargin);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            &ComposerField::fitHeight);
    fitHeight();
}

void ComposerField::fitHeight() {
    // The plain-text layout measures its document in lines, wrapped lines included.
    const int lines = static_cast<int>(std::ceil(document()->documentLayout()->documentSize().height()));
    shownLines_ = std::clamp(lines, 1, maximumLines);
    // Scrolling only once the text is taller than the field may grow.
    setVerticalScrollBarPolicy(lines > maximumLines ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    const int lineHeight = QFontMetrics(font()).lineSpacing();
    const QMargins margins = contentsMargins();
    setFixedHeight(shownLines_ * lineHeight + static_cast<int>(2 * documentMargin) + margins.top() +
                   margins.bottom());
}

namespace {

bool isReturn(const QKeyEvent& event) {
    return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
}

} // namespace

bool ComposerField::event(QEvent* event) {
    // Ctrl+Return is the send button's shortcut, not an edit of the text.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (isReturn(*key) && (key->modifiers() & Qt::ControlModifier)) {
            event->ignore();
            return true;
        }
    }
    return QPlainTextEdit::event(event);
}

void ComposerField::keyPressEvent(QKeyEvent* event) {
    if (isReturn(*event)) {
        const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
        if (modifiers & (Qt::ShiftModifier | Qt::AltModifier)) {
            insertPlainText(QStringLiteral("\n"));
        } else if (modifiers == Qt::NoModifier) {
            emit submitted();
        }
        // Ctrl+Return belongs to the send button; when that is not there, it does nothing here.
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void ComposerField::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        fitHeight();
    }
}

void ComposerField::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    fitHeight();
}

} // namespace vesperline
