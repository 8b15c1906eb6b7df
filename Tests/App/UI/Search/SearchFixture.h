#pragma once

#include "Model/SearchModel.h"
#include "Runtime/MainThread.h"
#include "Store/StoreHub.h"
#include "Support/ManualClock.h"
#include "Support/ManualDelays.h"
#include "Support/Moment.h"
#include "Support/SettledReads.h"
#include "Support/TemporaryDirectory.h"
#include "UI/Shared/FrameThumbnailController.h"

#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <future>
#include <memory>

namespace vesperline {

// A search model over a store of its own, with the typing pause stepped by hand. The clock stands at
// 2025-06-15 18:06:40 in Istanbul, where the tests run.
class SearchFixture : public ::testing::Test {
  protected:
    static constexpr ostrel::Time now = 1'750'000'000;

    // Stores a moment; with `picture` it is the next frame of one segment.
    std::int64_t store(testsupport::Moment moment, bool picture = false) {
        return hub.sync([&](ostrel::MemoryStore& memory) {
            if (picture) {
                if (!segment_) {
                    segment_ = memory.openSegment("segments/2025-06-15/1-1.mp4", 1, now - 86400, 1280, 800);
                }
                moment.inSegment(segment_, nextIndex_++);
            }
            return memory.insertFrame(moment);
        });
    }

    // A morning's work: notes, mail and a browser, the invoice seen in three windows, each moment with
    // a picture.
    void storeMorning() {
        store(testsupport::Moment(now - 3000)
                  .app("org.example.notes", "Notes")
                  .title("Design review — Notes")
                  .lines({"Agenda for the design review", "Send the quarterly invoice to Acme by Friday"}),
              true);
        // The hit of the two notes moments shows the newer.
        notes = store(testsupport::Moment(now - 2900)
                          .app("org.example.notes", "Notes")
                          .title("Design review — Notes")
                          .lines({"Agenda for the design review",
                                  "Send the quarterly invoice to Acme by Friday", "Done"}),
                      true);
        mail = store(testsupport::Moment(now - 1800)
                         .app("org.example.mail", "Mail")
                         .title("Invoice 2025-114 from Acme")
                         .lines({"Please find attached invoice 2025-114 for the June work."}),
                     true);
        browser = store(testsupport::Moment(now - 600)
                            .app("org.example.browser", "Browser")
                            .title("Billing — Acme portal")
                            .url("https://billing.example.com/invoices/2025-114")
                            .lines({"Invoice 2025-114 is due on 30 June", "Pay now"}),
                        true);
    }

    // Waits until the reads posted so far and what they report to the main thread are done.
    void settle() { testsupport::settleReads(hub); }

    // Holds the search queue until `release`, so searches posted meanwhile wait behind it.
    class SearchHold {
      public:
        explicit SearchHold(StoreHub& hub) {
            // Posted like any search, so it takes its place in the queue's order.
            done_ =
                hub.searchAsync([gate = gate_.get_future().share()](ostrel::MemoryStore&) { gate.wait(); });
        }
        ~SearchHold() { release(); }
        void release() {
            if (!released_) {
                released_ = true;
                gate_.set_value();
            }
        }

      private:
        std::promise<void> gate_;
        bool released_ = false;
        QFuture<void> done_;
    };

    // A made-up screen: a window tinted by the moment's id on a desktop, with a few lines of text.
    static QImage screenPicture(std::int64_t frameID, QSize size = {1280, 800}) {
        QImage image(size, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.scale(size.width() / 1280.0, size.height() / 800.0);
        painter.fillRect(QRect(0, 0, 1280, 800), QColor(52, 64, 84));
        const QRect window(80 + (frameID % 4) * 30, 60, 1100, 680);
        painter.fillRect(window, QColor(246, 246, 248));
        painter.fillRect(QRect(window.topLeft(), QSize(window.width(), 40)),
                         QColor::fromHsv(static_cast<int>(frameID * 47 % 360), 60, 230));
        QFont font("DejaVu Sans");
        font.setPixelSize(24);
        painter.setFont(font);
        painter.setPen(QColor(60, 64, 72));
        for (int line = 0; line < 10; ++line) {
            painter.drawText(QPoint(window.left() + 50, window.top() + 100 + line * 50),
                             line % 3 ? QStringLiteral("Revenue grew in every region this quarter.")
                                      : QStringLiteral("Quarterly invoice for the design review"));
        }
        return image;
    }

    // Thumbnails of stored pictures, answered at once; the moments asked for are kept.
    FrameThumbnailController::ImageSource thumbnails() {
        return [this](const std::string&, std::int64_t, std::int64_t frameID) {
            thumbnailRequests.push_back(frameID);
            return QtFuture::makeReadyFuture(std::optional(screenPicture(frameID, {520, 325})));
        };
    }

    std::vector<std::int64_t> ids(const std::vector<ostrel::SearchHit>& hits) const {
        std::vector<std::int64_t> result;
        for (const ostrel::SearchHit& hit : hits) {
            result.push_back(hit.frame.id);
        }
        return result;
    }

    testsupport::DataFolder data;
    testsupport::ManualClock clock{now};
    StoreHub hub{data.path(), clock};
    testsupport::ManualDelays delays{clock};
    std::vector<std::int64_t> thumbnailRequests;
    // The moments of `storeMorning`.
    std::int64_t notes = 0;
    std::int64_t mail = 0;
    std::int64_t browser = 0;

  private:
    std::int64_t segment_ = 0;
    std::int64_t nextIndex_ = 0;
};

} // namespace vesperline
