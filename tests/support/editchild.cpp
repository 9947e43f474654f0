#include "support/editchild.h"

#include "app/terminationsignals.h"
#include "resources/resource.h"
#include "support/appfixture.h"
#include "support/savechild.h"
#include "text/replaceall.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

#include <csignal>
#include <cstring>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

EditChild::EditChild(const QString& folder, const QString& file, unsigned seed) {
    pid = StartSelf({"--edit-child", QFile::encodeName(folder), QFile::encodeName(file),
                     QByteArray::number(seed)},
                    out);
}

EditChild::~EditChild() {
    Kill();
    if (out >= 0)
        ::close(out);
}

SignalledSaveChild::SignalledSaveChild(const QString& file) {
    pid = StartSelf({"--signal-child", QFile::encodeName(file)}, out);
}

SignalledSaveChild::~SignalledSaveChild() {
    if (pid > 0) {
        ::kill(pid, SIGKILL);
        ExitCode();
    }
    if (out >= 0)
        ::close(out);
}

char SignalledSaveChild::Next() {
    char mark = 0;
    return ::read(out, &mark, 1) == 1 ? mark : 0;
}

int SignalledSaveChild::ExitCode() {
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int EditChild::Next() {
    QByteArray line;
    for (char c; ::read(out, &c, 1) == 1;) {
        if (c == '\n')
            return line.toInt();
        line += c;
    }
    return -1;
}

void EditChild::Kill() {
    if (pid <= 0)
        return;
    ::kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
}

int EditStep(CLumettaView* view, std::minstd_rand& random) {
    const auto below = [&](long n) { return n > 0 ? static_cast<long>(random() % n) : 0; };
    const long length = view->GetTextLength();
    const long at = below(length + 1);
    const int kind = static_cast<int>(random() % 6);
    switch (kind) {
    case 0: // typing a few characters
        view->SetSel(at, at);
        view->ReplaceSel(QByteArray("ab\xc3\xa9 ").left(1 + below(5)));
        break;
    case 1: // a paste, with a NUL and line ends
        view->SetSel(at, at + std::min(below(20), length - at));
        view->ReplaceSel(QByteArray("pasted\0 ab\r\nlines\n", 19).repeated(1 + below(300)));
        break;
    case 2: { // Replace All, growing or shrinking the text
        ReplaceAllRequest request;
        request.find = random() % 2 ? "ab" : "xab";
        request.with = request.find == "ab" ? "xab" : "ab";
        view->ReplaceAll(request, [](double) { return false; });
        break;
    }
    case 3:
        view->Undo();
        break;
    case 4:
        view->Redo();
        break;
    default: // deleting
        view->SetSel(at, at + std::min(below(50), length - at));
        view->ReplaceSel(QByteArray());
    }
    return kind;
}

namespace {
int RunSignalledSaveChild(const char* file) {
    UiRecorder ui;
    CLumettaApp app;
    app.m_launchInstance = [](const QStringList&, int) {};
    HandTerminationSignalsTo(app);
    if (!app.InitInstance({QStringLiteral("S:signal-child"), QFile::decodeName(file)}))
        return 1;
    app.View()->SetSel(0, 0);
    app.View()->ReplaceSel("new ");
    QTimer::singleShot(0, [&app] {
        if (::write(STDOUT_FILENO, "s", 1) != 1)
            return;
        app.MainFrame()->Router().Execute(ID_FILE_SAVE);
    });
    QApplication::exec();
    return app.ExitInstance();
}
} // namespace

int RunEditChild(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--signal-child") == 0) {
        QApplication qt(argc, argv);
        CProfileStore::SetConfigRoot(QString::fromUtf8(qgetenv("ZORVEK_TEST_CONFIG")));
        return RunSignalledSaveChild(argv[2]);
    }
    if (argc != 5 || std::strcmp(argv[1], "--edit-child") != 0)
        return -1;
    QApplication qt(argc, argv);
    CProfileStore::SetConfigRoot(QString::fromUtf8(qgetenv("ZORVEK_TEST_CONFIG")));
    UiRecorder ui; // whatever it is asked, it answers without waiting for anyone
    const QString folder = QFile::decodeName(argv[2]);
    CLumettaApp app;
    app.m_launchInstance = [](const QStringList&, int) {};
    if (!app.InitInstance({QStringLiteral("S:edit-child"), QFile::decodeName(argv[3])}))
        return 1;
    CLumettaView* view = app.View();
    std::minstd_rand random(static_cast<unsigned>(std::atoi(argv[4])));
    for (int step = 1;; ++step) {
        EditStep(view, random);
        // The text is written down before its commit: a commit always has its text.
        QFile text(folder + QStringLiteral("/text-%1").arg(step));
        if (!text.open(QIODevice::WriteOnly) || text.write(view->GetText()) != view->GetTextLength())
            return 1;
        text.close();
        app.Document()->CommitJournal();
        const QByteArray report = QByteArray::number(step) + '\n';
        if (::write(STDOUT_FILENO, report.constData(), static_cast<size_t>(report.size())) < 0)
            return 1;
    }
}
