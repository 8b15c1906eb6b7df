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

// The fixed numeric date forms of the tools, in the process's time zone (TZ): the same text whatever
// the user's language settings are.
class LocalDateFormat final {
  public:
    enum class Form {
        dateAndTime, // "yyyy-MM-dd HH:mm"
        day,         // "yyyy-MM-dd"
        time,        // "HH:mm"
    };

    explicit LocalDateFormat(Form form);
    ~LocalDateFormat();
    LocalDateFormat(const LocalDateFormat&) = delete;
    LocalDateFormat& operator=(const LocalDateFormat&) = delete;

    std::string format(ostrel::Time time) const;
    // The time the whole of `text` names (fields the form lacks count as zero); absent when the text
    // does not have the form or names no real date.
    std::optional<ostrel::Time> parse(const std::string& text) const;

  private:
    icu::SimpleDateFormat& icuFormat() const;

    Form form_;
    // Made on first need: the C library writes these forms faster, and loading the locale data costs
    // a short-lived server several milliseconds at every start.
    mutable std::unique_ptr<icu::SimpleDateFormat> icuFormat_;
};

} // namespace vesperline::mcp
