#pragma once

#include <functional>
#include <string_view>

namespace vesperline::platform::TesseractMessages {

// Tesseract and Leptonica print their notes ("Estimating resolution as 262", "Detected 4 diacritics")
// to standard error, for the whole process. From the first call on every such line goes to `handler`
// instead, without its line break, called on a thread of its own ("ocr.messages") or on the thread
// that recognises; a later call replaces the handler, an empty one sends the lines to standard error
// again.
void routeTo(std::function<void(std::string_view line)> handler);

// Hands on what Tesseract printed and still holds back: its messages stream is fully buffered.
void flush();

} // namespace vesperline::platform::TesseractMessages
