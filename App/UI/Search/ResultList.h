#pragma once

#include "UI/Search/ResultRow.h"

#include <QScrollArea>

#include <cstdint>
#include <optional>
#include <vector>

class QLabel;
class QPropertyAnimation;
class QVBoxLayout;

namespace vesperline {

// A scrolling list of result rows under a header line, with one selected row. A click selects, a
// double click opens, a right click asks for the row's menu; the arrow keys, Home and End move the
// selection. The list only asks: it reports what the user did and shows the selection it is
// given. Rows are kept and refilled as the results change, and only the rows in view (and a row
// either side) load their thumbnails.
class ResultList final : public QScrollArea {
    Q_OBJECT

  public:
    static constexpr int rowSpacing = 2;

    explicit ResultList(ResultRow::Services services, QWidget* parent = nullptr);

    // An empty header takes no room.
    void setHeader(const QString& header);
    // The rows to show and the one drawn selected.
    void setHits(const std::vector<ostrel::SearchHit>& hits, std::optional<std::int64_t> selected);
    void setSelected(std::optional<std::int64_t> frameID);
    // How the selected row is brought into view: scrolling as little as needed at once, or to the
    // middle in a short easing-out glide.
    enum class Reveal { nearest, centred };
    static constexpr int centringMilliseconds = 150;
    void revealSelected(Reveal reveal = Reveal::nearest);

    int rowCount() const { return shown_; }
    ResultRow* row(int index) const { return rows_[static_cast<std::size_t>(index)]; }

  signals:
    void selectionRequested(std::int64_t frameID);
    void activated(std::int64_t frameID);
    void menuRequested(std::int64_t frameID, const QPoint& globalPosition);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    int selectedIndex() const;
    void requestIndex(int index);
    void updateThumbnails();

    ResultRow::Services services_;
    QWidget* content_;
    QVBoxLayout* column_;
    QLabel* header_;
    QPropertyAnimation* centring_;
    std::vector<ResultRow*> rows_;
    int shown_ = 0;
    std::optional<std::int64_t> selected_;
};

} // namespace vesperline
