// The program's entry point.
#include "app/gnuoptions.h"
#include "app/lumettaapp.h"
#include "framework/filename.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstdlib>

CLumettaApp theApp;

namespace {
bool HasDisplay() {
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") ||
           std::getenv("QT_QPA_PLATFORM");
}
} // namespace

int main(int argc, char* argv[]) {
    QStringList params;
    for (int i = 1; i < argc; ++i)
        params << QString::fromLocal8Bit(argv[i]);
    const GnuOptionsResult gnu = HandleGnuOptions(params);
    if (gnu.handled) {
        std::fputs(gnu.out.toLocal8Bit().constData(), stdout);
        std::fputs(gnu.err.toLocal8Bit().constData(), stderr);
        return gnu.exitCode;
    }
    if (!HasDisplay()) {
        std::fprintf(stderr, "zorvek: no display to open a window on.\n"
                             "Run it from a desktop session, or without one as: "
                             "xvfb-run -a zorvek [FILE]\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zorvek"));
    QApplication::setApplicationVersion(QStringLiteral(ZORVEK_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.example.zorvek"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.example.zorvek"),
                                                 QIcon(QStringLiteral(":/icons/zorvek.svg"))));
    // From argv, which QApplication has stripped of its own options: its arguments() would turn
    // the bytes of a file name that are no UTF-8 into replacement marks.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << FileNameFromBytes(argv[i]);
    if (theApp.InitInstance(args))
        QApplication::exec();
    return theApp.ExitInstance();
}
