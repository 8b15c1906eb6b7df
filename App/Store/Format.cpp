#include "Store/Format.h"

#include <QCoreApplication>

#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/dtptngen.h>
#include <unicode/listformatter.h>
#include <unicode/measfmt.h>
#include <unicode/measure.h>
#include <unicode/msgfmt.h>
#include <unicode/numberformatter.h>
#include <unicode/reldatefmt.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <vector>

namespace vesperline {

namespace {

QString toQString(const icu::UnicodeString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

UDate icuDate(ostrel::Time time) {
    return time * 1000.0;
}

std::unique_ptr<icu::DateFormat> withZone(icu::DateFormat* format, const icu::TimeZone& zone) {
    std::unique_ptr<icu::DateFormat> owned(format);
    if (owned) {
        owned->setTimeZone(zone);
    }
    return owned;
}

// A date format from a skeleton such as "dMMM": the locale's own order and punctuation for those fields.
std::unique_ptr<icu::DateFormat> fromSkeleton(icu::DateTimePatternGenerator* generator, const char* skeleton,
                                              const icu::Locale& locale, const icu::TimeZone& zone) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString pattern = generator ? generator->getBestPattern(skeleton, status) : skeleton;
    auto format =
        std::make_unique<icu::SimpleDateFormat>(U_SUCCESS(status) ? pattern : skeleton, locale, status);
    format->setTimeZone(zone);
    return format;
}

QString formatDate(const icu::DateFormat* format, ostrel::Time date) {
    icu::UnicodeString text;
    if (format) {
        format->format(icuDate(date), text);
    }
    return toQString(text);
}

// The zone of the process (from TZ), as ICU sees it.
std::string defaultTimeZoneID() {
    std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
    icu::UnicodeString id;
    std::string name;
    zone->getID(id).toUTF8String(name);
    return name;
}

QString formatNumber(const icu::number::LocalizedNumberFormatter& format, double value) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString text = format.formatDouble(value, status).toString(status);
    return U_SUCCESS(status) ? toQString(text) : QString();
}

// A formatter built the first time it is asked for, by whichever thread asks first: the app starts
// without building formats it may not need, and a screen that shows no dates builds no date formats.
template <typename T> class OnFirstUse {
  public:
    template <typename Make> const T* get(Make make) const {
        std::call_once(once_, [&] { value_ = make(); });
        return value_.get();
    }

  private:
    mutable std::once_flag once_;
    mutable std::unique_ptr<T> value_;
};

} // namespace

struct Format::Formatters {
    icu::Locale locale;
    std::string zoneID;
    std::unique_ptr<icu::TimeZone> zone;

    // The formats made from skeletons, together: they share one pattern generator, which is not
    // safe to use from two threads at once.
    struct SkeletonFormats {
        std::unique_ptr<icu::DateFormat> timeWithSeconds;
        std::unique_ptr<icu::DateFormat> dayTitle;
        std::unique_ptr<icu::DateFormat> dayMonth;
        std::unique_ptr<icu::DateFormat> dayMonthYear;
        std::unique_ptr<icu::DateFormat> weekdayDay; // of calendar dates, so in UTC
    };

    const icu::MeasureFormat* hoursMinutes() const {
        return hoursMinutes_.get([this] {
            UErrorCode status = U_ZERO_ERROR;
            return std::make_unique<icu::MeasureFormat>(locale, UMEASFMT_WIDTH_SHORT, status);
        });
    }
    const icu::DateFormat* time() const {
        return time_.get([this] {
            return withZone(icu::DateFormat::createTimeInstance(icu::DateFormat::kShort, locale), *zone);
        });
    }
    const icu::DateFormat* mediumDate() const {
        return mediumDate_.get([this] {
            return withZone(icu::DateFormat::createDateInstance(icu::DateFormat::kMedium, locale), *zone);
        });
    }
    const SkeletonFormats& skeletons() const {
        return *skeletons_.get([this] {
            UErrorCode status = U_ZERO_ERROR;
            std::unique_ptr<icu::DateTimePatternGenerator> generator(
                icu::DateTimePatternGenerator::createInstance(locale, status));
            auto formats = std::make_unique<SkeletonFormats>();
            formats->timeWithSeconds = fromSkeleton(generator.get(), "HHmmss", locale, *zone);
            formats->dayTitle = fromSkeleton(generator.get(), "EEEEdMMMM", locale, *zone);
            formats->dayMonth = fromSkeleton(generator.get(), "dMMM", locale, *zone);
            formats->dayMonthYear = fromSkeleton(generator.get(), "dMMMyy", locale, *zone);
            formats->weekdayDay = fromSkeleton(generator.get(), "EEEd", locale, *icu::TimeZone::getGMT());
            return formats;
        });
    }
    // A template: cloned for every use.
    const icu::Calendar& calendar() const {
        return *calendar_.get([this] {
            UErrorCode status = U_ZERO_ERROR;
            std::unique_ptr<icu::Calendar> made(icu::Calendar::createInstance(*zone, locale, status));
            if (U_FAILURE(status) || !made) {
                status = U_ZERO_ERROR;
                made.reset(icu::Calendar::createInstance(*zone, icu::Locale::getRoot(), status));
            }
            return made;
        });
    }
    const icu::number::LocalizedNumberFormatter& percent() const {
        return *percent_.get([this] {
            return std::make_unique<icu::number::LocalizedNumberFormatter>(
                icu::number::NumberFormatter::withLocale(locale)
                    .unit(icu::NoUnit::percent())
                    .scale(icu::number::Scale::powerOfTen(2))
                    .precision(icu::number::Precision::minMaxFraction(0, 1)));
        });
    }
    const icu::ListFormatter* list() const {
        return list_.get([this] {
            UErrorCode status = U_ZERO_ERROR;
            std::unique_ptr<icu::ListFormatter> made(
                icu::ListFormatter::createInstance(locale, ULISTFMT_TYPE_AND, ULISTFMT_WIDTH_WIDE, status));
            return U_SUCCESS(status) ? std::move(made) : nullptr;
        });
    }
    const icu::RelativeDateTimeFormatter* relative() const {
        return relative_.get([this] {
            UErrorCode status = U_ZERO_ERROR;
            auto made = std::make_unique<icu::RelativeDateTimeFormatter>(
                locale, nullptr, UDAT_STYLE_SHORT, UDISPCTX_CAPITALIZATION_NONE, status);
            return U_SUCCESS(status) ? std::move(made) : nullptr;
        });
    }

    // The calendar day of `time` in this zone and calendar: era, year, month, day.
    std::vector<int> day(ostrel::Time time, int dayOffset = 0) const {
        std::unique_ptr<icu::Calendar> cal(calendar().clone());
        UErrorCode status = U_ZERO_ERROR;
        cal->setTime(icuDate(time), status);
        if (dayOffset != 0) {
            cal->add(UCAL_DATE, dayOffset, status);
        }
        return {cal->get(UCAL_ERA, status), cal->get(UCAL_YEAR, status), cal->get(UCAL_MONTH, status),
                cal->get(UCAL_DATE, status)};
    }

  private:
    OnFirstUse<icu::MeasureFormat> hoursMinutes_;
    OnFirstUse<icu::DateFormat> time_;
    OnFirstUse<icu::DateFormat> mediumDate_;
    OnFirstUse<SkeletonFormats> skeletons_;
    OnFirstUse<icu::Calendar> calendar_;
    OnFirstUse<icu::number::LocalizedNumberFormatter> percent_;
    OnFirstUse<icu::ListFormatter> list_;
    OnFirstUse<icu::RelativeDateTimeFormatter> relative_;
};

Format::Format(const std::string& localeName, const std::string& timeZone)
    : formatters_(std::make_unique<Formatters>()) {
    Formatters& f = *formatters_;
    f.locale = icu::Locale(localeName.c_str());
    f.zoneID = timeZone;
    f.zone.reset(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(timeZone)));
}

Format::~Format() = default;

const Format& Format::current() {
    static const Format format(icu::Locale::getDefault().getName(), defaultTimeZoneID());
    return format;
}

const std::string& Format::timeZoneID() const {
    return formatters_->zoneID;
}

std::optional<QString> Format::nonBlank(const QString& text) {
    for (const QChar c : text) {
        if (!c.isSpace()) {
            return text;
        }
    }
    return std::nullopt;
}

QString Format::bytes(std::int64_t count) const {
    // Decimal units as for file sizes; precision grows with the unit, trailing zeros dropped.
    struct Unit {
        icu::MeasureUnit unit;
        double size;
        int fractionDigits;
    };
    const Unit units[] = {{icu::MeasureUnit::getGigabyte(), 1e9, 2},
                          {icu::MeasureUnit::getMegabyte(), 1e6, 1},
                          {icu::MeasureUnit::getKilobyte(), 1e3, 0}};
    const double magnitude = std::fabs(static_cast<double>(count));
    const Unit* chosen = &units[2];
    for (const Unit& unit : units) {
        if (magnitude >= unit.size) {
            chosen = &unit;
            break;
        }
    }
    double value = static_cast<double>(count) / chosen->size;
    if (count != 0 && magnitude < 1e3) {
        value = count > 0 ? 1 : -1; // a file that holds anything never shows as 0 kB
    }
    const auto format = icu::number::NumberFormatter::withLocale(formatters_->locale)
                            .unit(chosen->unit)
                            .unitWidth(UNUM_UNIT_WIDTH_SHORT)
                            .precision(icu::number::Precision::maxFraction(chosen->fractionDigits));
    return formatNumber(format, value);
}

QString Format::hoursMinutes(double seconds) const {
    const icu::MeasureFormat* format = formatters_->hoursMinutes();
    if (!std::isfinite(seconds) || !format) {
        return {};
    }
    const auto totalMinutes = static_cast<long long>(std::fabs(seconds) / 60.0);
    const long long hours = totalMinutes / 60;
    const long long minutes = totalMinutes % 60;
    UErrorCode status = U_ZERO_ERROR;
    std::vector<icu::Measure> measures;
    if (hours > 0) {
        measures.emplace_back(static_cast<double>(hours), icu::MeasureUnit::createHour(status), status);
    }
    if (minutes > 0 || hours == 0) {
        measures.emplace_back(static_cast<double>(minutes), icu::MeasureUnit::createMinute(status), status);
    }
    icu::UnicodeString text;
    icu::FieldPosition position;
    format->formatMeasures(measures.data(), static_cast<int32_t>(measures.size()), text, position, status);
    return U_SUCCESS(status) ? toQString(text) : QString();
}

QString Format::time(ostrel::Time date) const {
    return formatDate(formatters_->time(), date);
}

QString Format::timeWithSeconds(ostrel::Time date) const {
    return formatDate(formatters_->skeletons().timeWithSeconds.get(), date);
}

QString Format::mediumDate(ostrel::Time date) const {
    return formatDate(formatters_->mediumDate(), date);
}

QString Format::dayTitle(ostrel::Time date) const {
    return formatDate(formatters_->skeletons().dayTitle.get(), date);
}

QString Format::weekdayDay(int year, int month, int day) const {
    using namespace std::chrono;
    // The calendar types keep only small fields, so out-of-range values are refused before they wrap.
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) {
        return {};
    }
    const year_month_day date{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                              std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok()) {
        return {};
    }
    // Noon of that date in UTC, formatted in UTC: the date itself, whatever the zones around it.
    const auto noon = sys_days(date) + hours(12);
    return formatDate(formatters_->skeletons().weekdayDay.get(),
                      duration_cast<seconds>(noon.time_since_epoch()).count());
}

QString Format::duration(double seconds) const {
    if (seconds < 60) {
        const QString minute = hoursMinutes(60);
        return minute.isEmpty() ? QStringLiteral("1m") : minute;
    }
    return hoursMinutes(seconds);
}

QString Format::momentLabel(ostrel::Time date, ostrel::Time now) const {
    const Formatters& f = *formatters_;
    const QString clock = time(date);
    const std::vector<int> day = f.day(date);
    const std::vector<int> today = f.day(now);
    if (day == today) {
        return QCoreApplication::translate("Format", "Today %1").arg(clock);
    }
    if (day == f.day(now, -1)) {
        return QCoreApplication::translate("Format", "Yesterday %1").arg(clock);
    }
    const bool sameYear = day[0] == today[0] && day[1] == today[1];
    const Formatters::SkeletonFormats& skeletons = f.skeletons();
    return formatDate((sameYear ? skeletons.dayMonth : skeletons.dayMonthYear).get(), date) +
           QLatin1Char(' ') + clock;
}

QString Format::relativeDateTime(ostrel::Time date, ostrel::Time now) const {
    const Formatters& f = *formatters_;
    const icu::RelativeDateTimeFormatter* relative = f.relative();
    if (!relative) {
        return {};
    }
    struct Unit {
        UCalendarDateFields field;
        URelativeDateTimeUnit unit;
    };
    static constexpr Unit units[] = {
        {UCAL_YEAR, UDAT_REL_UNIT_YEAR},         {UCAL_MONTH, UDAT_REL_UNIT_MONTH},
        {UCAL_WEEK_OF_YEAR, UDAT_REL_UNIT_WEEK}, {UCAL_DATE, UDAT_REL_UNIT_DAY},
        {UCAL_HOUR_OF_DAY, UDAT_REL_UNIT_HOUR},  {UCAL_MINUTE, UDAT_REL_UNIT_MINUTE},
        {UCAL_SECOND, UDAT_REL_UNIT_SECOND},
    };
    std::unique_ptr<icu::Calendar> calendar(f.calendar().clone());
    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(icuDate(now), status);
    // Each difference moves the calendar on by that many units, so the next unit counts the rest.
    int32_t amount = 0;
    URelativeDateTimeUnit unit = UDAT_REL_UNIT_SECOND;
    for (const Unit& candidate : units) {
        amount = calendar->fieldDifference(icuDate(date), candidate.field, status);
        if (U_FAILURE(status)) {
            return {};
        }
        if (amount != 0) {
            unit = candidate.unit;
            break;
        }
    }
    icu::UnicodeString text;
    relative->formatNumeric(amount, unit, text, status);
    return U_SUCCESS(status) ? toQString(text) : QString();
}

QString Format::decimal(int digits, double value) const {
    digits = std::max(0, digits);
    const auto format = icu::number::NumberFormatter::withLocale(formatters_->locale)
                            .precision(icu::number::Precision::fixedFraction(digits));
    QString text = formatNumber(format, value);
    if (text.isEmpty()) {
        char fallback[64];
        std::snprintf(fallback, sizeof fallback, "%.*f", digits, value);
        text = QString::fromLatin1(fallback);
    }
    return text;
}

QString Format::percent(double fraction) const {
    QString text = formatNumber(formatters_->percent(), fraction);
    if (text.isEmpty()) {
        text = QString::number(static_cast<long long>(fraction * 100)) + QLatin1Char('%');
    }
    return text;
}

QString Format::list(const QStringList& items) const {
    std::vector<icu::UnicodeString> parts;
    for (const QString& item : items) {
        parts.emplace_back(reinterpret_cast<const UChar*>(item.utf16()), static_cast<int32_t>(item.size()));
    }
    icu::UnicodeString text;
    UErrorCode status = U_ZERO_ERROR;
    const icu::ListFormatter* format = formatters_->list();
    if (format) {
        format->format(parts.data(), static_cast<int32_t>(parts.size()), text, status);
    }
    return format && U_SUCCESS(status) ? toQString(text) : items.join(QStringLiteral(", "));
}

QString Format::plural(const QString& message, std::initializer_list<std::int64_t> counts) const {
    const icu::UnicodeString pattern(reinterpret_cast<const UChar*>(message.utf16()),
                                     static_cast<int32_t>(message.size()));
    UErrorCode status = U_ZERO_ERROR;
    const icu::MessageFormat format(pattern, formatters_->locale, status);
    if (U_FAILURE(status)) {
        return message;
    }
    std::vector<icu::Formattable> arguments;
    for (const std::int64_t count : counts) {
        arguments.emplace_back(static_cast<int64_t>(count));
    }
    icu::UnicodeString text;
    icu::FieldPosition position;
    format.format(arguments.data(), static_cast<int32_t>(arguments.size()), text, position, status);
    return U_SUCCESS(status) ? toQString(text) : message;
}

QString Format::languageName() const {
    const icu::Locale& locale = formatters_->locale;
    const char* code = locale.getLanguage();
    const icu::Locale language((code && *code) ? code : "en");
    icu::UnicodeString name;
    language.getDisplayLanguage(locale, name);
    // ICU gives the code itself back when it knows no name for it.
    if (name.isEmpty() || name == icu::UnicodeString(language.getLanguage())) {
        return QStringLiteral("English");
    }
    return toQString(name);
}

} // namespace vesperline
