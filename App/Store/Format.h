#pragma once

#include "Support/Time.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>

namespace vesperline {

// Display texts for byte counts, durations, dates, moments, decimals and fractions, in one locale
// and time zone. Each formatter is built once per instance, when a text first needs it, and only read
// afterwards; the shared instance uses the user's locale and time zone. ICU's formatting is safe from several
// threads at once, so the services that write texts off the main thread (the language-model service) use it
// too.
class Format final {
  public:
    // `locale` is an ICU locale name ("en_US", "de_DE"), `timeZone` an IANA zone id.
    Format(const std::string& locale, const std::string& timeZone);
    ~Format();
    Format(const Format&) = delete;
    Format& operator=(const Format&) = delete;

    // The user's own locale and time zone, built on first use.
    static const Format& current();

    // The IANA id of the time zone the dates are written in ("Europe/Istanbul").
    const std::string& timeZoneID() const;

    // The text as given, or nothing when it holds only whitespace and line breaks.
    static std::optional<QString> nonBlank(const QString& text);

    // "512 kB", "1.2 MB", "3.46 GB": decimal units, kilobytes to gigabytes, as file sizes are shown.
    QString bytes(std::int64_t count) const;
    // Hours and minutes with short unit names ("1 hr, 5 min"), zero units left out.
    QString hoursMinutes(double seconds) const;
    QString time(ostrel::Time date) const;            // short time, e.g. "9:41 AM"
    QString timeWithSeconds(ostrel::Time date) const; // hours, minutes and seconds, 24-hour
    QString mediumDate(ostrel::Time date) const;      // e.g. "Mar 1, 2025"
    QString dayTitle(ostrel::Time date) const;        // weekday, day and month name
    // A calendar date (month 1 to 12) as its short weekday and day of the month, in the locale's
    // order ("1 Sat", "Sa., 1."); empty when there is no such date.
    QString weekdayDay(int year, int month, int day) const;

    // Hours and minutes; anything under a minute shows as one minute.
    QString duration(double seconds) const;
    // "Today 9:41 AM", "Yesterday 9:41 AM", "Mar 1 9:41 AM" or, in another year, "Mar 1, 24 9:41 AM",
    // with today and yesterday judged against `now`.
    QString momentLabel(ostrel::Time date, ostrel::Time now) const;
    // How far `date` lies from `now` in the largest calendar unit they differ in, in the locale's
    // short words ("3 days ago", "2 wk. ago", "in 1 hr.").
    QString relativeDateTime(ostrel::Time date, ostrel::Time now) const;
    // `value` with exactly `digits` fraction digits and the locale's separators.
    QString decimal(int digits, double value) const;
    // A fraction as a percentage with at most one fraction digit ("12.5%", "50%").
    QString percent(double fraction) const;
    // The items as one list in the locale's words ("a, b, and c").
    QString list(const QStringList& items) const;
    // A text with counts in it, each in the form the locale's plural rules pick for it ("1 moment
    // today", "2 moments today"): `message` is an ICU message whose arguments {0}, {1}, ... are the
    // counts, as in "{0, plural, one {# moment today} other {# moments today}}", where "#" stands for
    // the count in the locale's digits. Every text that counts something goes through here. A message
    // ICU cannot read comes back as it is.
    QString plural(const QString& message, std::initializer_list<std::int64_t> counts) const;
    // The name of the locale's language in that language ("English", "Deutsch"); "English" when the
    // locale names no language or the name is unknown.
    QString languageName() const;

  private:
    struct Formatters;
    std::unique_ptr<Formatters> formatters_;
};

} // namespace vesperline
