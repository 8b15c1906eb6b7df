// A synthetic memory for benchmarks: moments of 40-120 words drawn from a Zipf-like vocabulary, a few
// hundred apps and window titles, browser moments with addresses, spread over 90 days. Every build is
// the same, so stores made by one benchmark can be compared with another's.
#pragma once

#include "Storage/MemoryStore.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace benchsupport {

inline constexpr ostrel::Time benchEnd =
    1'767'225'600; // a fixed "now", so every build of the store is the same
inline constexpr ostrel::Time benchSpan = 90 * 86400.0;
inline constexpr std::size_t vocabularySize = 50'000;
inline constexpr std::size_t appCount = 300;
inline constexpr std::size_t titlesPerApp = 8;
inline constexpr std::size_t hostCount = 200;
inline constexpr std::size_t browserCount = 5;

// Samples ranks 0..n-1 with probability proportional to 1 / (rank + 1).
class Zipf {
  public:
    explicit Zipf(std::size_t n) : cumulative_(n) {
        double sum = 0;
        for (std::size_t i = 0; i < n; ++i) {
            sum += 1.0 / static_cast<double>(i + 1);
            cumulative_[i] = sum;
        }
    }
    std::size_t operator()(std::mt19937_64& random) const {
        const double x = std::uniform_real_distribution<double>(0, cumulative_.back())(random);
        return static_cast<std::size_t>(std::lower_bound(cumulative_.begin(), cumulative_.end(), x) -
                                        cumulative_.begin());
    }

  private:
    std::vector<double> cumulative_;
};

struct App {
    std::string bundleID;
    std::string name;
    std::vector<std::string> titles;
};

// Words, apps, titles and hosts; the same for every run.
struct Corpus {
    std::vector<std::string> words;
    std::vector<App> apps;
    std::vector<std::string> hosts;
    Zipf wordRank{vocabularySize};
    Zipf appRank{appCount};

    Corpus() {
        std::mt19937_64 random(20261209);
        const std::vector<std::string> letters = {"a", "b", "c", "d", "e", "f", "g", "h", "i",
                                                  "j", "k", "l", "m", "n", "o", "p", "r", "s",
                                                  "t", "u", "v", "y", "z", "e", "a", "i"};
        const std::vector<std::string> turkish = {"\u00e7", "\u015f", "\u0131", "\u011f", "\u00f6", "\u00fc"};
        std::set<std::string> seen;
        while (words.size() < vocabularySize) {
            const int length = 2 + static_cast<int>(std::binomial_distribution<int>(10, 0.4)(random));
            std::string word;
            for (int i = 0; i < length; ++i) {
                // About one word in thirty carries a Turkish letter, so most texts take the full fold.
                word += (random() % 240 == 0) ? turkish[random() % turkish.size()]
                                              : letters[random() % letters.size()];
            }
            if (seen.insert(word).second) {
                words.push_back(word);
            }
        }
        for (std::size_t i = 0; i < hostCount; ++i) {
            hosts.push_back(words[500 + i * 37] + (i % 3 == 0 ? ".org" : i % 3 == 1 ? ".com" : ".io"));
        }
        for (std::size_t i = 0; i < appCount; ++i) {
            App app;
            const std::string& word = words[300 + i * 53];
            app.bundleID = "org.example." + word + std::to_string(i);
            app.name = static_cast<char>(std::toupper(word[0])) + word.substr(1) +
                       (i < browserCount ? " Browser" : "");
            for (std::size_t t = 0; t < titlesPerApp; ++t) {
                std::string title;
                for (int w = 0, n = 2 + static_cast<int>(random() % 4); w < n; ++w) {
                    title += (w ? " " : "") + words[wordRank(random)];
                }
                app.titles.push_back(title);
            }
            apps.push_back(std::move(app));
        }
    }

    std::vector<std::string> lines(std::mt19937_64& random) const {
        std::vector<std::string> result;
        const int count = 40 + static_cast<int>(random() % 81);
        std::string line;
        int inLine = 0;
        for (int i = 0; i < count; ++i) {
            line += (inLine ? " " : "") + words[wordRank(random)];
            if (++inLine >= 6 + static_cast<int>(random() % 9)) {
                result.push_back(std::move(line));
                line.clear();
                inLine = 0;
            }
        }
        if (!line.empty()) {
            result.push_back(std::move(line));
        }
        return result;
    }
};

inline const Corpus& corpus() {
    static const Corpus instance;
    return instance;
}

// Runs of captures of one window, a few seconds apart, in time order over the 90 days.
class MomentStream {
  public:
    explicit MomentStream(std::int64_t total) : step_(benchSpan / static_cast<double>(total)) {}

    ostrel::NewFrame next() {
        const Corpus& c = corpus();
        if (runLeft_ == 0) {
            app_ = c.appRank(random_);
            title_ = random_() % titlesPerApp;
            runLeft_ = 1 + static_cast<int>(random_() % 20);
        }
        --runLeft_;
        time_ += step_ * std::uniform_real_distribution<double>(0.5, 1.5)(random_);
        const App& app = c.apps[app_];
        ostrel::NewFrame frame;
        frame.timestamp = benchEnd - benchSpan + time_;
        frame.displayID = 1;
        frame.appBundleID = app.bundleID;
        frame.appName = app.name;
        frame.windowTitle = app.titles[title_];
        if (app_ < browserCount) {
            frame.url = "https://www." + c.hosts[(title_ * 31 + app_) % hostCount] + "/" +
                        c.words[c.wordRank(random_)] + "/" + c.words[c.wordRank(random_)];
        }
        frame.perceptualHash = random_();
        frame.width = 1920;
        frame.height = 1080;
        frame.imageState = ostrel::ImageState::segment;
        frame.textSource = ostrel::TextSource::accessibility();
        frame.lines = c.lines(random_);
        frame.bytes = 40'000;
        return frame;
    }

  private:
    std::mt19937_64 random_{7};
    double step_;
    double time_ = 0;
    std::size_t app_ = 0;
    std::size_t title_ = 0;
    int runLeft_ = 0;
};

// Inserts `count` moments one transaction each, as the capture pipeline does; returns the seconds
// spent in the store alone (making up the moments is not counted).
inline double insertMoments(ostrel::MemoryStore& store, MomentStream& stream, std::int64_t count) {
    double seconds = 0;
    std::vector<ostrel::NewFrame> batch;
    for (std::int64_t done = 0; done < count;) {
        batch.clear();
        for (std::int64_t i = 0; i < 5000 && done + i < count; ++i) {
            batch.push_back(stream.next());
        }
        const auto start = std::chrono::steady_clock::now();
        for (const ostrel::NewFrame& frame : batch) {
            store.insertFrame(frame);
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        done += static_cast<std::int64_t>(batch.size());
    }
    return seconds;
}

} // namespace benchsupport
