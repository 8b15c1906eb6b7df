#pragma once

#include <QWidget>

namespace vesperline {

class ElidedLabel;
class SymbolLabel;

// A small figure tile: a symbol and the figure (already formatted), and under it what the figure
// is, on a faint rounded ground. The figure shrinks a little before it is cut; the caption keeps
// to one line. It takes all the width it is given.
class Metric final : public QWidget {
    Q_OBJECT

  public:
    Metric(const QString& symbol, const QString& value, const QString& caption, QWidget* parent = nullptr);

    void setValue(const QString& symbol, const QString& value, const QString& caption);
    const QString& symbol() const { return symbol_; }
    QString value() const;
    QString caption() const;

  private:
    QString symbol_;
    SymbolLabel* glyph_;
    ElidedLabel* value_;
    ElidedLabel* caption_;
};

} // namespace vesperline
