#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QString>

namespace testsupport {

// Saves `picture` as "pictures/<name>.png" beside the test program in the build folder, for a person
// to look at; returns the file's path, or an empty text when it could not be written.
inline QString savePicture(const QImage& picture, const QString& name) {
    const QDir folder(QCoreApplication::applicationDirPath() + "/pictures");
    if (!folder.mkpath(".")) {
        return {};
    }
    const QString path = folder.filePath(name + ".png");
    return picture.save(path) ? path : QString();
}

} // namespace testsupport
