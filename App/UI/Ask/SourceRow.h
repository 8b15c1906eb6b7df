#pragma once

#include "Runtime/SystemClock.h"
#include "UI/Shared/FrameThumbnailController.h"

#include <QAbstractButton>

class QLabel;

namespace vesperline {

class ElidedLabel;

// One source of an answer, as a button over its whole row: the number the answer cites it by, a
// thumbnail of the moment, and beside it the moment's title over its app and time.
class SourceRow final : public QAbstractButton {
    Q_OBJECT

  public:
    static constexpr int thumbnailWidth = 64;
    static constexpr int thumbnailHeight = 40;
    static constexpr double thumbnailCornerRadius = 6;

    SourceRow(const QString& number, const ostrel::FrameSummary& frame, const QString& title,
              const QString& detail, FrameThumbnailController::ImageSource pictures,
              const ostrel::Clock& clock, QWidget* parent = nullptr);

    QString number() const;
    QString title() const;
    QString detail() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void styleNumber();

    QLabel* number_;
    ElidedLabel* title_;
    ElidedLabel* detail_;
};

} // namespace vesperline
