// A small application of our own for the desktop tests: two titled windows with known labels, text, a
// password field and a long text. Commands on standard input move the keyboard focus, so the tests can
// check secure-input detection without synthesising clicks:
//   focus <name>   focus the field called <name> ("password", "name" or "notes")
//   swatch <x> <y> <width> <height> <colour>
//                  shows (or moves and repaints) a window "Fixture Swatch" filled with one colour
//   canvas <x> <y> <width> <height> <word> <title...>
//                  shows a window with that title on which the word is painted in large black
//                  letters: only text recognition can read it (it is no accessible text)
//   quit           close the application
// It prints "ready" once its windows are shown, "focused <name>" after a focus command, "swatched"
// once the swatch is painted and "painted" once a canvas is. Text cursors do not blink, so a still
// fixture leaves the screen still. With VESPERLINE_FIXTURE_CANVAS_ONLY set it shows no window of its
// own until asked for a canvas.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QTextEdit>
#include <QTextStream>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>
#include <map>
#include <memory>

namespace {

// Paints one word, black on white, as large as reads well.
class Canvas final : public QWidget {
  public:
    QString word;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(std::min(72, height() / 2));
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(rect(), Qt::AlignCenter, word);
    }
};

QString longText() {
    QString text;
    for (int line = 1; text.size() <= 9000; ++line) {
        text += QStringLiteral("Logbook line %1 of the long harbour record\n").arg(line);
    }
    return text;
}

void reply(const QString& line) {
    std::fputs(qPrintable(line + '\n'), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QApplication::setDesktopFileName(QStringLiteral("org.vesperline.DesktopFixture"));
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("DesktopFixture"));
    QApplication::setCursorFlashTime(0);

    QWidget main;
    main.setWindowTitle(QStringLiteral("Fixture Notes"));
    auto* layout = new QVBoxLayout(&main);
    layout->addWidget(new QLabel(QStringLiteral("Quarterly harbour report")));
    auto* name = new QLineEdit(QStringLiteral("lighthouse keeper"));
    name->setAccessibleName(QStringLiteral("Keeper name"));
    layout->addWidget(name);
    auto* password = new QLineEdit(QStringLiteral("hunter2secret"));
    password->setEchoMode(QLineEdit::Password);
    password->setAccessibleName(QStringLiteral("Password"));
    layout->addWidget(password);
    auto* notes = new QPlainTextEdit(QStringLiteral("Tide tables arrive on Tuesday"));
    notes->setAccessibleName(QStringLiteral("Notes"));
    layout->addWidget(notes);
    main.setGeometry(100, 120, 640, 480);
    const bool canvasOnly = qEnvironmentVariableIsSet("VESPERLINE_FIXTURE_CANVAS_ONLY");
    if (!canvasOnly) {
        main.show();
    }

    QWidget second;
    second.setWindowTitle(QStringLiteral("Fixture Logbook"));
    auto* secondLayout = new QVBoxLayout(&second);
    // A rich-text view: Qt's plain-text view cannot tell where its characters lie.
    auto* log = new QTextEdit;
    log->setPlainText(longText());
    log->setReadOnly(true);
    log->setAccessibleName(QStringLiteral("Logbook"));
    secondLayout->addWidget(log);
    second.setGeometry(800, 150, 500, 400);
    if (!canvasOnly) {
        second.show();
    }
    std::map<QString, std::unique_ptr<Canvas>> canvases;

    const std::map<QString, QWidget*> fields{{QStringLiteral("password"), password},
                                             {QStringLiteral("name"), name},
                                             {QStringLiteral("notes"), notes}};
    QWidget swatch;
    swatch.setWindowTitle(QStringLiteral("Fixture Swatch"));
    swatch.setAutoFillBackground(true);

    QSocketNotifier input(fileno(stdin), QSocketNotifier::Read);
    QTextStream in(stdin);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        const QString line = in.readLine();
        if (line.isNull() || line == QLatin1String("quit")) {
            app.quit();
            return;
        }
        const QStringList words = line.split(' ', Qt::SkipEmptyParts);
        if (words.size() == 6 && words[0] == QLatin1String("swatch")) {
            QPalette palette = swatch.palette();
            palette.setColor(QPalette::Window, QColor(words[5]));
            swatch.setPalette(palette);
            swatch.setGeometry(words[1].toInt(), words[2].toInt(), words[3].toInt(), words[4].toInt());
            swatch.show();
            swatch.repaint();
            reply(QStringLiteral("swatched"));
            return;
        }
        if (words.size() >= 7 && words[0] == QLatin1String("canvas")) {
            const QString title = line.section(' ', 6);
            auto& canvas = canvases[title];
            if (!canvas) {
                canvas = std::make_unique<Canvas>();
                canvas->setWindowTitle(title);
            }
            canvas->word = words[5];
            canvas->setGeometry(words[1].toInt(), words[2].toInt(), words[3].toInt(), words[4].toInt());
            canvas->show();
            canvas->repaint();
            reply(QStringLiteral("painted"));
            return;
        }
        const auto field = fields.find(line.section(' ', 1));
        if (line.startsWith(QLatin1String("focus ")) && field != fields.end()) {
            field->second->window()->activateWindow();
            field->second->setFocus(Qt::OtherFocusReason);
            reply(QStringLiteral("focused ") + field->first);
        }
    });
    QMetaObject::invokeMethod(
        &app, [] { reply(QStringLiteral("ready")); }, Qt::QueuedConnection);
    return app.exec();
}
