#include "LocalCalendar.h"

#include <unicode/gregocal.h>
#include <unicode/timezone.h>

#include <stdexcept>

namespace vesperline::mcp {

LocalCalendar::LocalCalendar() : zone_(icu::TimeZone::createDefault()) {
    UErrorCode status = U_ZERO_ERROR;
    calendar_ = std::make_unique<icu::GregorianCalendar>(*zone_, status);
    if (U_FAILURE(status)) {
        throw std::runtime_error(std::string("calendar: ") + u_errorName(status));
    }
}

LocalCalendar::~LocalCalendar() = default;

ostrel::Time LocalCalendar::startOfDay(ostrel::Time time) {
    UErrorCode status = U_ZERO_ERROR;
    calendar_->setTime(time * 1000.0, status);
    calendar_->set(UCAL_HOUR_OF_DAY, 0);
    calendar_->set(UCAL_MINUTE, 0);
    calendar_->set(UCAL_SECOND, 0);
    calendar_->set(UCAL_MILLISECOND, 0);
    const UDate start = calendar_->getTime(status);
    return U_SUCCESS(status) ? start / 1000.0 : time;
}

std::optional<ostrel::Time> LocalCalendar::addingOneDay(ostrel::Time time) {
    UErrorCode status = U_ZERO_ERROR;
    calendar_->setTime(time * 1000.0, status);
    calendar_->add(UCAL_DATE, 1, status);
    const UDate later = calendar_->getTime(status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    return later / 1000.0;
}

} // namespace vesperline::mcp
