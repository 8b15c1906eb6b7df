#pragma once

#include "Model/DatabaseAlert.h"

namespace vesperline {

// The database alert as a critical message box, and the notice of a rebuild as an informative one,
// run modally in front of everything (the app may have no window open when it asks). Main thread.
class DatabaseAlertBox final : public DatabaseAlert {
  public:
    bool present(bool damaged, const QString& message) override;
    void presentRebuilt() override;
};

} // namespace vesperline
