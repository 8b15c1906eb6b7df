#include "LocalDateFormat.h"

#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <cmath>
#include <ctime>
#include <stdexcept>

namespace vesperline::mcp {

namespace {

const char* icuPattern(LocalDateFormat::Form form) {
    switch (form) {
    case LocalDateFormat::Form::dateAndTime:
        return "yyyy-MM-dd HH:mm";
    case LocalDateFormat::Form::day:
        return "yyyy-MM-dd";
    case LocalDateFormat::Form::time:
        return "HH:mm";
    }
    return "";
}

const char* strftimeFormat(LocalDateFormat::Form form) {
    switch (form) {
    case LocalDateFormat::Form::dateAndTime:
        return "%Y-%m-%d %H:%M";
    case LocalDateFormat::Form::day:
        return "%Y-%m-%d";
    case LocalDateFormat::Form::time:
        return "%H:%M";
    }
    return "";
}

} // namespace

LocalDateFormat::LocalDateFormat(Form form) : form_(form) {}

LocalDateFormat::~LocalDateFormat() = default;

icu::SimpleDateFormat& LocalDateFormat::icuFormat() const {
    if (!icuFormat_) {
        UErrorCode status = U_ZERO_ERROR;
        auto format = std::make_unique<icu::SimpleDateFormat>(
            icu::UnicodeString(icuPattern(form_), -1, US_INV), icu::Locale("en_US_POSIX"), status);
        if (U_FAILURE(status)) {
            throw std::runtime_error(std::string("date format: ") + u_errorName(status));
        }
        format->adoptTimeZone(icu::TimeZone::createDefault());
        format->setLenient(false);
        icuFormat_ = std::move(format);
    }
    return *icuFormat_;
}

std::string LocalDateFormat::format(ostrel::Time time) const {
    // Years 1000 to 9999 read the same from both; other times (or a damaged value) take ICU's form.
    if (std::isfinite(time) && std::fabs(time) < 253'402'300'800.0) {
        const auto seconds = static_cast<std::time_t>(std::floor(time));
        std::tm fields{};
        char text[32];
        if (::localtime_r(&seconds, &fields) && fields.tm_year >= 1000 - 1900 &&
            std::strftime(text, sizeof text, strftimeFormat(form_), &fields) > 0) {
            return text;
        }
    }
    icu::UnicodeString text;
    icuFormat().format(time * 1000.0, text);
    std::string result;
    return text.toUTF8String(result);
}

std::optional<ostrel::Time> LocalDateFormat::parse(const std::string& text) const {
    const icu::UnicodeString input = icu::UnicodeString::fromUTF8(text);
    icu::ParsePosition position(0);
    const UDate date = icuFormat().parse(input, position);
    if (position.getErrorIndex() >= 0 || position.getIndex() != input.length()) {
        return std::nullopt;
    }
    return date / 1000.0;
}

} // namespace vesperline::mcp
