#include "Model/AppModel.h"

#include "Runtime/WhenFinished.h"
#include "Store/FutureOutcome.h"

namespace vesperline {

void AppModel::scheduleDatabaseCheck(double delay) {
    armWait(databaseCheckTimer_, delay, delay / 10, [this] { checkDatabaseWhenIdle(); });
}

void AppModel::checkDatabaseWhenIdle() {
    // Unknown idle time counts as idle: the check holds up nothing but the disk.
    const std::optional<double> idle = services_.userIdle.secondsSinceLastInput();
    if (handlingDamage_ || operationRunning_ || (idle && *idle < databaseCheckIdle)) {
        scheduleDatabaseCheck(databaseCheckRetry);
        return;
    }
    whenFinished(hub_->checkAsync(databaseCheckBudget), this, [this](const QFuture<bool>& done) {
        const bool ended = futureOutcome(done, "Checking the database").value_or(false);
        scheduleDatabaseCheck(ended ? databaseCheckInterval : databaseCheckRetry);
    });
}

} // namespace vesperline
