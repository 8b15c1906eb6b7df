#pragma once

#include <QWidget>

namespace vesperline {

class OnboardingController;

// The tour's progress: a dot per page in order, the current one drawn wide; the dots of the pages
// reached so far in their hue's ink, the later ones faint. Read as one element: "Step 2 of 6".
class ProgressDots final : public QWidget {
    Q_OBJECT

  public:
    static constexpr int dotHeight = 8;
    static constexpr int dotWidth = 8;
    static constexpr int currentWidth = 22;
    static constexpr int spacing = 6;

    explicit ProgressDots(const OnboardingController& controller, QWidget* parent = nullptr);

    // The rectangle of the dot of the page at `index`.
    QRectF dotRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const OnboardingController& controller_;
};

} // namespace vesperline
