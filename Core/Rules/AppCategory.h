#pragma once

namespace ostrel {

// How the capture pipeline treats an application: media and calls are saved rarely, OCR-preferred
// applications are read from the picture because their accessibility text is poor.
enum class AppCategory { normal, media, call, ocrPreferred };

} // namespace ostrel
