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
    // Capture and tracking are held by the queue: nothing is written meanwhile. First, without
    // asking: a database whose rows all still read (the damage lies in its indexes or its free
    // pages) is rebuilt from them, and nothing is lost.
    replaceStore([](StoreHub& hub) { hub.rebuild(); },
                 [this, finished = std::move(finished)](const std::exception_ptr& failure) mutable {
                     if (failure) {
                         qCWarning(Log::storage(), "The damaged database could not be rebuilt: %s",
                                   describeFailure(failure).c_str());
                         askAboutDamage(std::move(finished));
                         return;
                     }
                     qCInfo(Log::storage(), "The damaged database was rebuilt");
                     handlingDamage_ = false;
                     finished();
                     if (tellDatabaseRebuilt) {
                         tellDatabaseRebuilt();
                     }
                 });
}

void AppModel::askAboutDamage(std::function<void()> finished) {
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
