// The program's entry point.
#include "app/gnuoptions.h"
#include "app/lumettaapp.h"
#include "app/terminationsignals.h"
#include "framework/filename.h"

#include <QApplication>
#include <QIcon>
#include <QList>
#include <QPair>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

CLumettaApp theApp;

namespace {
bool HasDisplay() {
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") ||
           std::getenv("QT_QPA_PLATFORM");
}

// While the window system is being reached, Qt's messages wait: when it cannot be reached, Qt
// would end with advice to reinstall; one line saying what is wrong serves better.
QtMessageHandler g_qtHandler = nullptr;
QList<QPair<QtMsgType, QString>> g_startMessages;

void HoldStartMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtFatalMsg) {
        g_startMessages.append({type, message});
        return;
    }
    const char* display = std::getenv("WAYLAND_DISPLAY");
    if (!display)
        display = std::getenv("DISPLAY");
    std::fprintf(stderr, "zorvek: cannot open a window: the display %s cannot be reached.\n",
                 display ? display : "(none)");
    std::_Exit(1);
}

void ReleaseStartMessages() {
    qInstallMessageHandler(g_qtHandler);
    for (const auto& [type, message] : g_startMessages)
        g_qtHandler(type, QMessageLogContext(), message);
    g_startMessages.clear();
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
    // Qt sees only what comes before "--": after it every parameter is a file, even one that
    // looks like an option of Qt's own (-reverse, -platform).
    int dash = 1;
    while (dash < argc && std::strcmp(argv[dash], "--") != 0)
        ++dash;
    std::vector<char*> qtArgv(argv, argv + dash);
    qtArgv.push_back(nullptr);
    int qtArgc = dash;
    g_qtHandler = qInstallMessageHandler(HoldStartMessage);
    QApplication app(qtArgc, qtArgv.data());
    ReleaseStartMessages();
    QApplication::setApplicationName(QStringLiteral("Zorvek"));
    QApplication::setApplicationVersion(QStringLiteral(ZORVEK_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.example.zorvek"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.example.zorvek"),
                                                 QIcon(QStringLiteral(":/icons/zorvek.svg"))));
    // From argv, which QApplication has stripped of its own options: its arguments() would turn
    // the bytes of a file name that are no UTF-8 into replacement marks.
    QStringList args;
    for (int i = 1; i < qtArgc; ++i)
        args << FileNameFromBytes(qtArgv[i]);
    for (int i = dash; i < argc; ++i)
        args << FileNameFromBytes(argv[i]);
    HandTerminationSignalsTo(theApp);
    if (theApp.InitInstance(args))
        QApplication::exec();
    return theApp.ExitInstance();
}
