// The floor of StartupBench: a Qt Widgets program that does nothing but show one top-level window of
// the main window's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Window"));
    window.resize(1200, 780);
    window.show();
    return QApplication::exec();
}
