#include "support/appfixture.h"

#include <QApplication>
#include <QFile>
#include <QTest>

#include <atomic>

void AppFixture::SetUp() {
    static std::atomic<int> counter{0};
    profile = QStringLiteral("t%1").arg(++counter);
}

void AppFixture::TearDown() {
    if (app && app->MainFrame())
        Stop();
    app.reset();
}

bool AppFixture::Start(QStringList args) {
    app = std::make_unique<CLumettaApp>();
    app->m_launchInstance = [this](const QStringList& params, int cascade) {
        launched.push_back(params);
        cascades.push_back(cascade);
    };
    args.prepend(QStringLiteral("S:") + profile);
    const bool started = app->InitInstance(args);
    if (app->MainFrame()) // shortcuts work in the active window only
        QApplication::setActiveWindow(app->MainFrame());
    return started;
}

int AppFixture::Stop() {
    ui.boxReplies.push_back(IDNO); // a still-modified text is not saved
    if (app->MainFrame())
        app->CloseMainFrame();
    ui.boxReplies.clear();
    return app->ExitInstance();
}

void AppFixture::StoreInt(const QString& section, const QString& key, int value) const {
    CProfileStore store(QStringLiteral("Vantreth Plc"), QStringLiteral("Zorvek") + profile);
    store.WriteProfileInt(section, key, value);
}

void AppFixture::StoreString(const QString& section, const QString& key,
                             const QString& value) const {
    CProfileStore store(QStringLiteral("Vantreth Plc"), QStringLiteral("Zorvek") + profile);
    store.WriteProfileString(section, key, value);
}

QString AppFixture::WriteFile(const QString& name, const QByteArray& bytes) const {
    const QString path = Path(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

QByteArray AppFixture::ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

void AppFixture::Open(const QByteArray& bytes) {
    ui.boxReplies = {IDNO};
    const bool opened = app->DocTemplate()->OpenDocumentFile(WriteFile("opened", bytes)) != nullptr;
    ui.boxReplies.clear();
    ASSERT_TRUE(opened);
}

CHARRANGE AppFixture::Sel() const {
    CHARRANGE r;
    View()->GetSel(r);
    return r;
}

void AppFixture::Type(const QString& text) const {
    QTest::keyClicks(View(), text);
}
