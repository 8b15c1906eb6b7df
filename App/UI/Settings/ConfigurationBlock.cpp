#include "UI/Settings/ConfigurationBlock.h"

#include "UI/Settings/SettingsForm.h"
#include "UI/Shared/RoundedBox.h"
#include "UI/Theme/Theme.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

#include <cmath>

namespace vesperline {

namespace {

constexpr int codePadding = 8;
constexpr double codeCornerRadius = 6;
constexpr double groundOpacity = 0.4;

QFont codeFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(Theme::font(Theme::TextStyle::caption).pointSizeF());
    return font;
}

// The code itself: selectable read-only text that wraps at a space or, for a long path, anywhere,
// as tall as its lines at the width it has.
class CodeText final : public QTextEdit {
  public:
    CodeText() {
        setReadOnly(true);
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        setContextMenuPolicy(Qt::DefaultContextMenu);
        viewport()->setAutoFillBackground(false);
        setAutoFillBackground(false);
        document()->setDocumentMargin(0);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
                [this] { fitHeight(); });
    }

  protected:
    void resizeEvent(QResizeEvent* event) override {
        QTextEdit::resizeEvent(event);
        fitHeight();
    }

  private:
    void fitHeight() {
        document()->setTextWidth(viewport()->width());
        const int height = int(std::ceil(document()->size().height()));
        if (height > 0 && height != this->height()) {
            setFixedHeight(height);
        }
    }
};

} // namespace

ConfigurationBlock::ConfigurationBlock(const QString& title, const QString& text, QWidget* parent)
    : QWidget(parent), code_(new CodeText), copy_(new QPushButton) {
    QLabel* heading = formLabel(title, Theme::TextStyle::caption);
    Theme::applyText(heading, Theme::TextStyle::caption, Theme::Level::primary, QFont::DemiBold);
    heading->setObjectName("configurationTitle");

    auto* ground =
        new RoundedBox(codeCornerRadius, RoundedBox::level(Theme::Level::quaternary, groundOpacity));
    code_->setObjectName("configurationText");
    code_->setFont(codeFont());
    auto* groundLayout = new QVBoxLayout(ground);
    groundLayout->setContentsMargins(codePadding, codePadding, codePadding, codePadding);
    groundLayout->addWidget(code_);

    copy_->setObjectName("copy");
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(ground, 1, Qt::AlignTop);
    row->addWidget(copy_, 0, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(heading);
    layout->addLayout(row);

    setText(text);
    setCopied(false);
    connect(copy_, &QPushButton::clicked, this, [this] { emit copyRequested(text_); });
}

void ConfigurationBlock::setText(const QString& text) {
    text_ = text;
    code_->setPlainText(text);
}

void ConfigurationBlock::setCopied(bool copied) {
    copy_->setText(copied ? tr("Copied") : tr("Copy"));
}

} // namespace vesperline
