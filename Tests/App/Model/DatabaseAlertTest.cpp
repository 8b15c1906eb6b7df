// The database alert's texts, and the message box that asks them.
#include "Model/DatabaseAlertBox.h"
#include "Support/ViewPictures.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

namespace vesperline {
namespace {

TEST(DatabaseAlertTest, DamageOffersANewMemoryAnyOtherErrorShowsItselfAndOffersToTryAgain) {
    const QString damage = "The memory database is damaged. Vesperline can set it aside and start a new, "
                           "empty memory. The damaged file stays in the data folder.";
    struct Case {
        bool damaged;
        QString message;
        DatabaseAlert::Texts texts;
    };
    for (const Case& c : std::vector<Case>{
             {true,
              "",
              {"Vesperline could not open its database", damage, "Start a New Memory", "Quit Vesperline"}},
             {true,
              "SQLite error 26: file is not a database",
              {"Vesperline could not open its database", damage, "Start a New Memory", "Quit Vesperline"}},
             {false,
              "Permission denied: /data/ostrel.sqlite",
              {"Vesperline could not open its database", "Permission denied: /data/ostrel.sqlite",
               "Try Again", "Quit Vesperline"}},
         }) {
        EXPECT_EQ(DatabaseAlert::texts(c.damaged, c.message), c.texts) << c.message.toStdString();
    }
}

// Presents the alert and, once it is up, checks it and clicks the button with `choice` as its text.
bool answerAlert(bool damaged, const QString& message, const QString& choice, QStringList& seen) {
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            return;
        }
        seen << box->text() << box->informativeText();
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        testsupport::savePictures(*box, damaged ? "database-alert-damaged" : "database-alert-error");
        for (QAbstractButton* button : box->buttons()) {
            seen << button->text();
            if (button->text() == choice) {
                button->click();
            }
        }
    });
    return DatabaseAlertBox().present(damaged, message);
}

TEST(DatabaseAlertTest, TheBoxAnswersTrueForItsFirstButtonOnly) {
    QStringList seen;
    EXPECT_TRUE(answerAlert(true, "", "Start a New Memory", seen));
    EXPECT_TRUE(seen.contains("Vesperline could not open its database"));
    EXPECT_TRUE(seen.contains("Quit Vesperline"));
    seen.clear();
    EXPECT_FALSE(answerAlert(true, "", "Quit Vesperline", seen));
    seen.clear();
    // What the launch says of a folder in place of the database (DatabaseOpenFailure).
    const QString folder = "“/home/ada/.local/share/Ostrel/ostrel.sqlite” is a folder where Vesperline "
                           "needs a file of its database. Move the folder away, then try again.";
    EXPECT_TRUE(answerAlert(false, folder, "Try Again", seen));
    EXPECT_TRUE(seen.contains(folder));
}

TEST(DatabaseAlertTest, TheNoticeOfARebuildHasOneButton) {
    QStringList seen;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            return;
        }
        EXPECT_EQ(box->icon(), QMessageBox::Information);
        seen << box->text() << box->informativeText();
        testsupport::savePictures(*box, "database-rebuilt");
        ASSERT_EQ(box->buttons().size(), 1);
        seen << box->buttons().front()->text();
        box->buttons().front()->click();
    });
    DatabaseAlertBox().presentRebuilt();
    const DatabaseAlert::Texts texts = DatabaseAlert::rebuiltTexts();
    EXPECT_EQ(seen, (QStringList{texts.title, texts.text, texts.firstButton}));
    EXPECT_EQ(texts.title, "Vesperline repaired its database");
}

} // namespace
} // namespace vesperline
