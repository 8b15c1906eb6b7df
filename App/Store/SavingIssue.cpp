#include "Store/SavingIssue.h"

#include "Storage/SQLiteError.h"

namespace vesperline {

SavingIssue savingIssueOf(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const ostrel::SQLiteError& error) {
        switch (error.primaryCode()) {
        case 13: // SQLITE_FULL
            return SavingIssue::diskFull;
        case 3:  // SQLITE_PERM
        case 8:  // SQLITE_READONLY
        case 14: // SQLITE_CANTOPEN: the log could not be made
            return SavingIssue::notWritable;
        default:
            return SavingIssue::writeFailed;
        }
    } catch (...) {
        return SavingIssue::writeFailed;
    }
}

} // namespace vesperline
