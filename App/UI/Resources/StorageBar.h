#pragma once

#include <QRectF>
#include <QWidget>

#include <cstdint>

namespace vesperline {

// The storage card's bar: the space the screen video and the text take, side by side from the
// leading edge, against the user's disk limit, which the whole bar stands for.
class StorageBar final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int barHeight = 12;
    static constexpr double partSpacing = 2;
    static constexpr double minimumPartWidth = 4;
    static constexpr double cornerRadius = 5;

    struct Parts {
        QRectF video;
        QRectF text;
        bool operator==(const Parts&) const = default;
    };

    explicit StorageBar(QWidget* parent = nullptr);

    void setFigures(std::int64_t segmentBytes, std::int64_t databaseBytes, std::int64_t diskCapGB);

    // Where the two parts go in a bar of `size`: each as wide as its share of the limit (gigabytes of
    // 2^30 bytes), at least 4 pixels when it holds anything and 0 when it holds nothing, the text part
    // 2 pixels after the video part. The parts are not cut to the bar: over the limit they reach
    // beyond its end, where the drawing cuts them off.
    static Parts parts(std::int64_t segmentBytes, std::int64_t databaseBytes, std::int64_t diskCapGB,
                       const QSizeF& size);

    QSize sizeHint() const override { return {200, barHeight}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::int64_t segmentBytes_ = 0;
    std::int64_t databaseBytes_ = 0;
    std::int64_t diskCapGB_ = 0;
};

} // namespace vesperline
