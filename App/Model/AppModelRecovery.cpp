#include "Model/AppModel.h"

#include "Runtime/Log.h"

#include <QCoreApplication>

#include <utility>

namespace vesperline {

void AppModel::storeDamaged() {
    if (handlingDamage_) {
        return;
    }
    handlingDamage_ = true;
    emit databaseDamaged();
    // Ahead of any deletion still waiting: those would only fail on the damaged file.
    enqueueOperation([this](std::function<void()> finished) { handleDatabaseDamage(std::move(finished)); },
                     {}, true);
}

void AppModel::handleDatabaseDamage(std::function<void()> finished) {
    // Capture and tracking are held by the queue: nothing is written while the alert waits.
    const bool startNew = presentDatabaseAlert && presentDatabaseAlert(true, QString());
    if (!startNew) {
        // The damaged file stays as it is; the next launch offers the same choice.
        quitApplication();
        return;
    }
    replaceStore([](StoreHub& hub) { hub.recover(); },
                 [this, finished = std::move(finished)](const std::exception_ptr& failure) {
                     if (failure) {
                         qCCritical(Log::storage(), "Damaged database could not be replaced: %s",
                                    describeFailure(failure).c_str());
                         quitApplication();
                         return;
                     }
                     imageLoader_->removeAll();
                     refillNewDatabase();
                     ++damagedDatabaseRecoveries_;
                     emit damagedDatabaseRecoveriesChanged();
                     handlingDamage_ = false;
                     finished();
                 });
}

void AppModel::quitApplication() {
    if (terminate) {
        terminate();
    } else {
        QCoreApplication::quit();
    }
}

} // namespace vesperline
