#include "LocalDateFormat.h"

#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <stdexcept>

namespace vesperline::mcp {

LocalDateFormat::LocalDateFormat(const char* pattern) {
    UErrorCode status = U_ZERO_ERROR;
    format_ = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString::fromUTF8(pattern),
                                                      icu::Locale("en_US_POSIX"), status);
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("date format: ") + u_errorName(status));
    }
    format_->adoptTimeZone(icu::TimeZone::createDefault());
    format_->setLenient(false);
}

LocalDateFormat::~LocalDateFormat() = default;

std::string LocalDateFormat::format(ostrel::Time time) const {
    icu::UnicodeString text;
    format_->format(time * 1000.0, text);
    std::string result;
    return text.toUTF8String(result);
}

std::optional<ostrel::Time> LocalDateFormat::parse(const std::string& text) const {
    const icu::UnicodeString input = icu::UnicodeString::fromUTF8(text);
    icu::ParsePosition position(0);
    const UDate date = format_->parse(input, position);
    if (position.getErrorIndex() >= 0 || position.getIndex() != input.length()) {
        return std::nullopt;
    }
    return date / 1000.0;
}

} // namespace vesperline::mcp
