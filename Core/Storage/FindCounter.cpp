#include "Storage/FindCounter.h"

#include "Storage/MemoryStore.h"

#include <unicode/gregocal.h>
#include <unicode/timezone.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>

namespace ostrel {

namespace {

constexpr const char* totalKey = "finds_total";
constexpr const char* monthKeyKey = "finds_month";
constexpr const char* monthCountKey = "finds_month_count";
constexpr Time repeatWindow = 120;

// A decimal integer with an optional sign and digits only, within 64 bits; anything else reads as 0.
std::int64_t storedCount(const std::optional<std::string>& value) {
    if (!value || value->empty()) {
        return 0;
    }
    const char* first = value->data();
    const char* last = first + value->size();
    if (*first == '+') {
        ++first;
        if (first == last || *first == '-') {
            return 0;
        }
    }
    std::int64_t parsed = 0;
    const auto [end, error] = std::from_chars(first, last, parsed);
    return (error == std::errc() && end == last) ? parsed : 0;
}

} // namespace

FindCounter::FindCounter(Time now) : month(monthKey(now)) {}

std::string FindCounter::monthKey(Time date, const std::optional<std::string>& timeZoneID) {
    // The host zone is detected on every call so a change of the device's zone is followed at once.
    std::unique_ptr<icu::TimeZone> zone(
        timeZoneID ? icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(*timeZoneID))
                   : icu::TimeZone::detectHostTimeZone());
    int year = 0;
    int monthNumber = 0;
    UErrorCode status = U_ZERO_ERROR;
    icu::GregorianCalendar calendar(zone.release(), status);
    if (U_SUCCESS(status) && std::isfinite(date)) {
        calendar.setTime(date * 1000.0, status);
        const int y = calendar.get(UCAL_YEAR, status);
        const int m = calendar.get(UCAL_MONTH, status);
        if (U_SUCCESS(status)) {
            year = y;
            monthNumber = m + 1;
        }
    }
    char key[32];
    std::snprintf(key, sizeof key, "%04d-%02d", year, monthNumber);
    return key;
}

FindCounter FindCounter::load(MemoryStore& store, Time now) {
    FindCounter counter(now);
    counter.total = storedCount(store.metaValue(totalKey));
    if (store.metaValue(monthKeyKey) != counter.month) {
        return counter;
    }
    counter.thisMonth = storedCount(store.metaValue(monthCountKey));
    return counter;
}

bool FindCounter::record(Time at) {
    if (lastCounted && at >= *lastCounted && at - *lastCounted < repeatWindow) {
        return false;
    }
    lastCounted = at;
    rollMonth(at);
    ++total;
    ++thisMonth;
    return true;
}

void FindCounter::rollMonth(Time now) {
    std::string current = monthKey(now);
    if (current != month) {
        month = std::move(current);
        thisMonth = 0;
    }
}

void FindCounter::save(MemoryStore& store) const {
    SQLiteDatabase& db = store.db();
    db.transaction([&] {
        const std::string statement = "INSERT OR REPLACE INTO meta (key, value) VALUES (?, ?)";
        db.run(statement, {SQLValue::text(totalKey), SQLValue::text(std::to_string(total))});
        db.run(statement, {SQLValue::text(monthKeyKey), SQLValue::text(month)});
        db.run(statement, {SQLValue::text(monthCountKey), SQLValue::text(std::to_string(thisMonth))});
    });
}

} // namespace ostrel
