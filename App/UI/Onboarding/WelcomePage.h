#pragma once

#include <QWidget>

namespace vesperline {

// The tour's first page: the app's mark, what it is, and three things it promises.
class WelcomePage final : public QWidget {
    Q_OBJECT

  public:
    explicit WelcomePage(QWidget* parent = nullptr);
};

} // namespace vesperline
