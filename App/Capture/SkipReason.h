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
    // For `excludedApp`: the application's name, or its id when it has none. For `unverifiedBrowser`:
    // the browser's name (or id) when it shows no accessibility tree at all, so the user can be told
    // how to start it; empty otherwise.
    std::string appName;

    static SkipReason excludedApp(std::string name) { return {Kind::excludedApp, std::move(name)}; }
    static SkipReason none() { return {Kind::none, {}}; }
    static SkipReason ownApp() { return {Kind::ownApp, {}}; }
    static SkipReason secureInput() { return {Kind::secureInput, {}}; }
    static SkipReason privateWindow() { return {Kind::privateWindow, {}}; }
    static SkipReason excludedSite() { return {Kind::excludedSite, {}}; }
    static SkipReason unverifiedBrowser(std::string treeless = {}) {
        return {Kind::unverifiedBrowser, std::move(treeless)};
    }

    // The name counts only for `excludedApp` and `unverifiedBrowser`.
    bool operator==(const SkipReason& other) const {
        const bool named = kind == Kind::excludedApp || kind == Kind::unverifiedBrowser;
        return kind == other.kind && (!named || appName == other.appName);
    }
};

} // namespace vesperline
