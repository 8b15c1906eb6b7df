#pragma once

// Screen-like 1920x1080 pictures for the video benchmarks, painted with Qt: an editor window with
// syntax-coloured text that grows a few characters per frame (typing), and a long page moved up by
// a wheel step per frame (scrolling). Needs a QGuiApplication.

#include "Support/BGRAImage.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>

#include <random>

namespace bench {

inline constexpr int screenWidth = 1920;
inline constexpr int screenHeight = 1080;

inline ostrel::BGRAImageView viewOf(const QImage& image, int top = 0, int height = screenHeight) {
    return {image.constScanLine(top), image.width(), height, static_cast<std::size_t>(image.bytesPerLine())};
}

inline ostrel::BGRAImage copyOf(const ostrel::BGRAImageView& view) {
    ostrel::BGRAImage image(view.width, view.height);
    for (int y = 0; y < view.height; ++y) {
        std::copy_n(view.row(y), view.width * 4, image.row(y));
    }
    return image;
}

class TextMaker {
  public:
    QString line(int words) {
        static const QStringList vocabulary = {
            "auto",        "return", "const", "segment", "frame",    "writer",  "index",
            "std::string", "if",     "for",   "while",   "display",  "quality", "width",
            "height",      "= 0;",   "{",     "}",       "// keeps", "bytes",   "open",
            "close",       "(",      ")",     "->",      "::",       "hub",     "path"};
        QString text;
        for (int i = 0; i < words; ++i) {
            text += vocabulary[pick(vocabulary.size())] + ' ';
        }
        return text;
    }
    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }

  private:
    std::mt19937 random_{7};
};

// Paints window chrome and `lines` of code starting at `top` into `painter`'s image.
inline void paintEditor(QPainter& painter, int width, int height, TextMaker& text, int lineHeight) {
    painter.fillRect(0, 0, width, height, QColor(255, 255, 255));
    painter.fillRect(0, 0, width, 32, QColor(45, 45, 48));
    painter.fillRect(0, 32, 260, height - 32, QColor(240, 240, 242));
    painter.setFont(QFont("DejaVu Sans", 10));
    painter.setPen(QColor(60, 60, 60));
    for (int i = 0; i < height / 24; ++i) {
        painter.drawText(16, 56 + i * 24, text.line(2));
    }
    painter.setFont(QFont("DejaVu Sans Mono", 11));
    static const QColor colours[] = {QColor(30, 30, 30), QColor(0, 0, 160), QColor(160, 30, 30),
                                     QColor(0, 120, 40)};
    for (int y = 56; y < height; y += lineHeight) {
        painter.setPen(colours[text.pick(4)]);
        painter.drawText(280 + 24 * text.pick(4), y, text.line(3 + text.pick(9)));
    }
}

// An editor in which the user types on the line below the text.
class TypingScreen {
  public:
    TypingScreen() : image_(screenWidth, screenHeight, QImage::Format_ARGB32) {
        QPainter painter(&image_);
        paintEditor(painter, screenWidth, screenHeight - 200, text_, 20);
        painter.fillRect(0, screenHeight - 200, screenWidth, 200, QColor(255, 255, 255));
    }
    // Types about what a fast typist types between two captures (two seconds) and returns the screen.
    ostrel::BGRAImageView next() {
        QPainter painter(&image_);
        painter.setFont(QFont("DejaVu Sans Mono", 11));
        painter.setPen(QColor(30, 30, 30));
        const QString typed = text_.line(2).left(10);
        const int advance = painter.fontMetrics().horizontalAdvance(typed);
        if (x_ + advance > screenWidth - 40) {
            x_ = 280;
            y_ = y_ + 20 > screenHeight - 10 ? screenHeight - 180 : y_ + 20;
            if (y_ == screenHeight - 180) {
                painter.fillRect(0, screenHeight - 200, screenWidth, 200, QColor(255, 255, 255));
            }
        }
        painter.drawText(x_, y_, typed);
        x_ += advance;
        return viewOf(image_);
    }

  private:
    QImage image_;
    TextMaker text_;
    int x_ = 280;
    int y_ = screenHeight - 180;
};

// A long page of text moved up by a few lines per frame, as wheel scrolling between captures does.
class ScrollingScreen {
  public:
    static constexpr int pages = 12;
    static constexpr int step = 180;

    ScrollingScreen() : image_(screenWidth, screenHeight * pages, QImage::Format_ARGB32) {
        QPainter painter(&image_);
        paintEditor(painter, screenWidth, image_.height(), text_, 20);
    }
    ostrel::BGRAImageView next() {
        const ostrel::BGRAImageView view = viewOf(image_, top_);
        top_ = top_ + step + screenHeight > image_.height() ? 0 : top_ + step;
        return view;
    }

  private:
    QImage image_;
    TextMaker text_;
    int top_ = 0;
};

} // namespace bench
