#pragma once

#include <QByteArray>
#include <QLoggingCategory>

namespace vesperline::Log {

// One logging category per area of the application, named "<app id>.<area>", e.g.
// "org.vesperline.Vesperline.storage"; enable or silence them with QT_LOGGING_RULES. Information and
// above show by default, traces (debug) only when the rules enable them
// ("org.vesperline.Vesperline.ocr.debug=true").
// Messages use the texts of the code that logs; error descriptions go in with "%s".
class Logger final {
  public:
    explicit Logger(const char* area);
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    const QLoggingCategory& category() const { return category_; }

  private:
    QByteArray name_; // QLoggingCategory keeps only a pointer to its name
    QLoggingCategory category_;
};

// Builds a category for an area; the shared ones below are built once and live for the process.
const Logger& make(const char* area);

const QLoggingCategory& app();
const QLoggingCategory& capture();
const QLoggingCategory& storage();
const QLoggingCategory& ocr();
const QLoggingCategory& ai();

} // namespace vesperline::Log
