#include "Platform/Linux/TesseractTextRecognizer.h"

#include "Platform/Linux/TesseractMessages.h"
#include "Support/Graphemes.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <omp.h>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

namespace vesperline::platform {
namespace {

// Tesseract names its data by ISO 639-2 codes; the rest of the system speaks language tags.
const std::map<std::string, std::string>& tagsByTesseractCode() {
    static const std::map<std::string, std::string> table = {
        {"eng", "en-US"}, {"tur", "tr-TR"},       {"deu", "de-DE"},       {"fra", "fr-FR"}, {"spa", "es-ES"},
        {"ita", "it-IT"}, {"por", "pt-BR"},       {"nld", "nl-NL"},       {"rus", "ru-RU"}, {"ukr", "uk-UA"},
        {"pol", "pl-PL"}, {"chi_sim", "zh-Hans"}, {"chi_tra", "zh-Hant"}, {"jpn", "ja-JP"}, {"kor", "ko-KR"},
    };
    return table;
}

struct Engine {
    std::unique_ptr<tesseract::TessBaseAPI> api = std::make_unique<tesseract::TessBaseAPI>();
    std::string languages;
    bool ready = false;
};

// Engines are not thread-safe; each thread keeps its own, re-initialised only when the languages change.
tesseract::TessBaseAPI& engineFor(const std::string& languages) {
    thread_local Engine engine;
    if (!engine.ready || engine.languages != languages) {
        // The engine's parallel loops ask OpenMP for a team of threads of their own choosing, which
        // the runtime keeps spinning between loops: several times the processor time for no gain.
        // With no active parallel level allowed on this thread, each loop runs on the thread alone.
        // (The thread count set by omp_set_num_threads does not bind loops that name their own, and
        // OMP_THREAD_LIMIT is read only while the runtime loads, before `main`.)
        omp_set_max_active_levels(0);
        const int failed = engine.api->Init(nullptr, languages.c_str(), tesseract::OEM_LSTM_ONLY);
        TesseractMessages::flush();
        if (failed != 0) {
            engine.ready = false;
            throw TextRecognitionError("Tesseract could not load the language data for " + languages);
        }
        engine.api->SetPageSegMode(tesseract::PSM_AUTO);
        engine.languages = languages;
        engine.ready = true;
    }
    return *engine.api;
}

std::string tesseractLanguages(const std::vector<std::string>& languages) {
    std::string joined;
    for (const std::string& tag : languages) {
        for (const auto& [code, known] : tagsByTesseractCode()) {
            if (known == tag) {
                joined += (joined.empty() ? "" : "+") + code;
            }
        }
    }
    return joined.empty() ? "eng" : joined;
}

// Luminance of BGRA pixels. Light text on a dark background is inverted, since the engine reads
// dark text on light paper far better.
std::vector<std::uint8_t> greyscale(const ostrel::BGRAImageView& image) {
    std::vector<std::uint8_t> grey(static_cast<std::size_t>(image.width) * image.height);
    std::uint64_t total = 0;
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* pixel = image.row(y);
        std::uint8_t* out = grey.data() + static_cast<std::size_t>(y) * image.width;
        for (int x = 0; x < image.width; ++x, pixel += 4) {
            out[x] = static_cast<std::uint8_t>((29 * pixel[0] + 150 * pixel[1] + 77 * pixel[2]) >> 8);
            total += out[x];
        }
    }
    if (total < grey.size() * 110) {
        for (std::uint8_t& value : grey) {
            value = 255 - value;
        }
    }
    return grey;
}

// The pixels a region of interest (normalised, bottom-left origin) covers, top-left based as the
// engine counts; the whole image without a region.
struct PixelRegion {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

PixelRegion pixelRegion(const std::optional<ostrel::Rect>& region, int width, int height) {
    if (!region) {
        return {0, 0, width, height};
    }
    const ostrel::Rect& r = *region;
    const auto at = [](double fraction, int size) {
        return std::clamp(static_cast<int>(std::lround(fraction * size)), 0, size);
    };
    return {at(r.x, width), at(1.0 - r.maxY(), height), at(r.maxX(), width), at(1.0 - r.y, height)};
}

// A pixel rectangle of the region read (top-left origin) as a normalised rectangle of the whole
// image with the origin at the bottom left.
ostrel::Rect normalised(int left, int top, int right, int bottom, const PixelRegion& region, int width,
                        int height) {
    left += region.left;
    right += region.left;
    top += region.top;
    bottom += region.top;
    return {static_cast<double>(left) / width, 1.0 - static_cast<double>(bottom) / height,
            static_cast<double>(right - left) / width, static_cast<double>(bottom - top) / height};
}

} // namespace

std::vector<std::string> TesseractTextRecognizer::supportedLanguages() const {
    std::vector<std::string> tags;
    std::vector<std::string> codes;
    try {
        // The calling thread's own engine lists them; a later recognition in English reuses it.
        engineFor("eng").GetAvailableLanguagesAsVector(&codes);
    } catch (const TextRecognitionError&) {
        return tags;
    }
    for (const std::string& code : codes) {
        if (auto found = tagsByTesseractCode().find(code); found != tagsByTesseractCode().end()) {
            tags.push_back(found->second);
        }
    }
    return tags;
}

std::vector<TextObservation>
TesseractTextRecognizer::recognize(const ostrel::BGRAImageView& image,
                                   const std::optional<ostrel::Rect>& regionOfInterest,
                                   const std::vector<std::string>& languages) {
    if (!image.isValid()) {
        throw TextRecognitionError("The image is empty");
    }
    tesseract::TessBaseAPI& api = engineFor(tesseractLanguages(languages));
    // Only the region is handed to the engine: its own rectangle option reads the wrong rows when
    // the rectangle is as wide as the image.
    const PixelRegion region = pixelRegion(regionOfInterest, image.width, image.height);
    if (region.right <= region.left || region.bottom <= region.top) {
        return {};
    }
    const ostrel::BGRAImageView cropped{image.row(region.top) + static_cast<std::size_t>(region.left) * 4,
                                        region.right - region.left, region.bottom - region.top,
                                        image.bytesPerRow};
    const std::vector<std::uint8_t> grey = greyscale(cropped);
    api.SetImage(grey.data(), cropped.width, cropped.height, 1, cropped.width);
    const int failed = api.Recognize(nullptr);
    TesseractMessages::flush();
    if (failed != 0) {
        api.Clear();
        throw TextRecognitionError("Tesseract could not recognise the image");
    }

    std::vector<TextObservation> lines;
    std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (it) {
        do {
            if (it->Empty(tesseract::RIL_SYMBOL)) {
                continue;
            }
            if (lines.empty() || it->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) {
                TextObservation line;
                int left, top, right, bottom;
                if (it->BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom)) {
                    line.boundingBox =
                        normalised(left, top, right, bottom, region, image.width, image.height);
                }
                line.topCandidate = TextObservation::Candidate{};
                line.topCandidate->confidence = it->Confidence(tesseract::RIL_TEXTLINE) / 100.0;
                lines.push_back(std::move(line));
            } else if (it->IsAtBeginningOf(tesseract::RIL_WORD)) {
                lines.back().topCandidate->text += ' ';
                lines.back().topCandidate->characterBoxes.push_back(std::nullopt);
            }
            std::unique_ptr<char[]> symbol(it->GetUTF8Text(tesseract::RIL_SYMBOL));
            if (!symbol) {
                continue;
            }
            int left, top, right, bottom;
            std::optional<ostrel::Rect> box;
            if (it->BoundingBox(tesseract::RIL_SYMBOL, &left, &top, &right, &bottom)) {
                box = normalised(left, top, right, bottom, region, image.width, image.height);
            }
            TextObservation::Candidate& candidate = *lines.back().topCandidate;
            candidate.text += symbol.get();
            const std::size_t characters = std::max<std::size_t>(1, ostrel::Graphemes::count(symbol.get()));
            candidate.characterBoxes.insert(candidate.characterBoxes.end(), characters, box);
        } while (it->Next(tesseract::RIL_SYMBOL));
    }
    api.Clear();

    // Drop lines that came out blank.
    std::erase_if(lines, [](const TextObservation& line) {
        return line.topCandidate->text.find_first_not_of(" \t\n") == std::string::npos;
    });
    return lines;
}

} // namespace vesperline::platform
