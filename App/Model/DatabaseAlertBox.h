#pragma once

#include "Model/DatabaseAlert.h"

namespace vesperline {

// The database alert as a critical message box, run modally in front of everything (the app has no
// window open when it asks). Main thread.
class DatabaseAlertBox final : public DatabaseAlert {
  public:
    bool present(bool damaged, const QString& message) override;
};

} // namespace vesperline
