#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

#include <initializer_list>

namespace testsupport {

// Takes, for the life of the object, the addresses of the given schemes that the program asks the
// desktop to open, in place of the desktop. A test program using it lists this header among its
// sources with AUTOMOC on.
class OpenedAddresses final : public QObject {
    Q_OBJECT

  public:
    explicit OpenedAddresses(std::initializer_list<const char*> schemes = {"http", "https", "mailto"}) {
        for (const char* scheme : schemes) {
            schemes_.append(QString::fromLatin1(scheme));
            QDesktopServices::setUrlHandler(schemes_.back(), this, "open");
        }
    }
    ~OpenedAddresses() override {
        for (const QString& scheme : schemes_) {
            QDesktopServices::unsetUrlHandler(scheme);
        }
    }

    QList<QUrl> opened;

  public slots:
    void open(const QUrl& url) { opened.append(url); }

  private:
    QList<QString> schemes_;
};

} // namespace testsupport
