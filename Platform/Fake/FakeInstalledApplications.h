#pragma once

#include "Platform/InstalledApplications.h"

#include <QObject>
#include <QPointer>

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace vesperline::platform {

// Installed applications set by the test; counts the lookups of each id. Installing or removing one
// tells the watchers at once, as the desktop's would once the change settled.
class FakeInstalledApplications final : public InstalledApplications {
  public:
    void install(InstalledApplication application) {
        {
            std::lock_guard lock(mutex_);
            applications_[application.id] = std::move(application);
        }
        announce();
    }
    void remove(const std::string& applicationID) {
        {
            std::lock_guard lock(mutex_);
            applications_.erase(applicationID);
        }
        announce();
    }
    int lookups(const std::string& applicationID) const {
        std::lock_guard lock(mutex_);
        const auto found = lookups_.find(applicationID);
        return found == lookups_.end() ? 0 : found->second;
    }

    std::optional<InstalledApplication> application(const std::string& applicationID) override {
        std::lock_guard lock(mutex_);
        ++lookups_[applicationID];
        const auto found = applications_.find(applicationID);
        return found == applications_.end() ? std::nullopt : std::optional(found->second);
    }

    // Every installed application, by name, then by id.
    std::vector<InstalledApplication> listedApplications() override {
        std::lock_guard lock(mutex_);
        std::vector<InstalledApplication> listed;
        for (const auto& [id, application] : applications_) {
            listed.push_back(application);
        }
        std::stable_sort(listed.begin(), listed.end(), [](const auto& a, const auto& b) {
            return a.name.value_or(a.id) < b.name.value_or(b.id);
        });
        return listed;
    }

    void watch(QObject* context, std::function<void()> handler) override {
        watchers_.push_back({context, std::move(handler)});
    }

  private:
    void announce() {
        std::erase_if(watchers_, [](const Watcher& watcher) { return !watcher.context; });
        // A handler may watch again; the copy keeps the loop safe.
        const std::vector<Watcher> watchers = watchers_;
        for (const Watcher& watcher : watchers) {
            if (watcher.context) {
                watcher.handler();
            }
        }
    }

    struct Watcher {
        QPointer<QObject> context;
        std::function<void()> handler;
    };

    mutable std::mutex mutex_;
    std::map<std::string, InstalledApplication> applications_;
    std::map<std::string, int> lookups_;
    std::vector<Watcher> watchers_;
};

} // namespace vesperline::platform
