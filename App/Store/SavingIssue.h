#pragma once

#include <exception>

namespace vesperline {

// Whether kept moments reach the memory, and if not, why: as the last save found it.
enum class SavingIssue {
    none,
    // Moments are saved without their pictures: the disk has less free space than new segments need.
    picturesPausedForLowDisk,
    // Moments are not saved at all:
    diskFull,    // the disk (or the file system) has no room left
    notWritable, // the database or its folder may not be written
    writeFailed, // any other failure of the write
};

// Whether moments are lost with `issue`, not only their pictures.
constexpr bool momentsAreNotSaved(SavingIssue issue) {
    return issue == SavingIssue::diskFull || issue == SavingIssue::notWritable ||
           issue == SavingIssue::writeFailed;
}

// What a failed write of a moment tells: SQLite's full-disk error, its read-only, permission and
// cannot-open errors, or anything else.
SavingIssue savingIssueOf(const std::exception_ptr& failure);

} // namespace vesperline
