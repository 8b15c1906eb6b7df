#pragma once

#include "Support/Time.h"

#include <memory>
#include <optional>
#include <string>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class SimpleDateFormat;
U_NAMESPACE_END

namespace vesperline::mcp {

// A fixed date pattern in the POSIX English locale and the process's time zone (TZ), as the tools
// write and read dates: the same text whatever the user's language settings are.
class LocalDateFormat final {
public:
    explicit LocalDateFormat(const char* pattern);
    ~LocalDateFormat();
    LocalDateFormat(const LocalDateFormat&) = delete;
    LocalDateFormat& operator=(const LocalDateFormat&) = delete;

    std::string format(ostrel::Time time) const;
    // The time the whole of `text` names (fields the pattern lacks count as zero); absent when the
    // text does not match the pattern exactly or names no real date.
    std::optional<ostrel::Time> parse(const std::string& text) const;

private:
    std::unique_ptr<icu::SimpleDateFormat> format_;
};

} // namespace vesperline::mcp
