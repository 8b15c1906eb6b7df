#pragma once

#include <string>
#include <utility>

namespace vesperline {

// Why the recorder keeps nothing right now; `none` while it records normally.
struct SkipReason {
    enum class Kind {
        excludedApp,
        none,
        ownApp,
        secureInput,
        privateWindow,
        excludedSite,
        unverifiedBrowser
    };

    Kind kind = Kind::none;
    // For `excludedApp`: the application's name, or its id when it has none.
    std::string appName;

    static SkipReason excludedApp(std::string name) { return {Kind::excludedApp, std::move(name)}; }
    static SkipReason none() { return {Kind::none, {}}; }
    static SkipReason ownApp() { return {Kind::ownApp, {}}; }
    static SkipReason secureInput() { return {Kind::secureInput, {}}; }
    static SkipReason privateWindow() { return {Kind::privateWindow, {}}; }
    static SkipReason excludedSite() { return {Kind::excludedSite, {}}; }
    static SkipReason unverifiedBrowser() { return {Kind::unverifiedBrowser, {}}; }

    // The name counts only for `excludedApp`.
    bool operator==(const SkipReason& other) const {
        return kind == other.kind && (kind != Kind::excludedApp || appName == other.appName);
    }
};

} // namespace vesperline
