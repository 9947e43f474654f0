#include "resources/resource.h"
#include "search/replacetextdlg.h"
#include "support/appfixture.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLocale>

#include <random>

namespace {
using EncodingTest = AppFixture;

// Types characters as a keyboard layout that has them would: key events carrying their text.
void TypeCharacters(QWidget* w, const QString& text) {
    for (char32_t c : text.toUcs4()) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUcs4(&c, 1));
        QApplication::sendEvent(w, &press);
    }
}

QString EncodingPane(CMainFrame* frame) {
    frame->OnIdleUpdate();
    return frame->m_wndStatusBar.GetPaneText(4);
}

// Each file comes back byte for byte when saved unchanged; a typed character changes only
// the bytes it stands for, in the file's own encoding.
TEST_F(EncodingTest, RoundTripsAndEditsKeepTheFilesEncoding) {
    const QByteArray e3 = QByteArray("\xc3\xa9").repeated(3);
    std::mt19937 rng(15);
    QByteArray binary(4096, '\0');
    for (char& c : binary)
        c = rng() % 2 ? static_cast<char>(rng()) : '\0';
    struct {
        const char* what;
        QByteArray file;
        const char* pane;
        QByteArray typed; // the file after typing "X" at its start
    } cases[] = {
        {"utf-8", "caf\xc3\xa9\n", "UTF-8  LF", "Xcaf\xc3\xa9\n"},
        {"stray at start", "\xff" + e3, "UTF-8  LF", "X\xff" + e3},
        {"stray in the middle", e3 + "\xe9\n" + e3, "UTF-8  LF", "X" + e3 + "\xe9\n" + e3},
        {"stray at end", e3 + "\x80", "UTF-8  LF", "X" + e3 + "\x80"},
        {"utf-8 bom", "\xef\xbb\xbf\xc3\xa9", "UTF-8 BOM  LF", "\xef\xbb\xbfX\xc3\xa9"},
        {"utf-16le", QByteArray("\xff\xfe\xe9\0\r\0\n\0", 8), "UTF-16LE  CRLF",
         QByteArray("\xff\xfeX\0\xe9\0\r\0\n\0", 10)},
        {"utf-16be", QByteArray("\xfe\xff\xd8\x3d\xde\x00", 6), "UTF-16BE  LF",
         QByteArray("\xfe\xff\0X\xd8\x3d\xde\x00", 8)},
        {"odd utf-16",
         QByteArray("\xff\xfe"
                    "a\0b",
                    5),
         "Windows-1252  LF",
         QByteArray("X\xff\xfe"
                    "a\0b",
                    6)},
        {"windows-1252", "\x80\x93q\x94\x81\x9f\xff", "Windows-1252  LF",
         "X\x80\x93q\x94\x81\x9f\xff"},
        {"binary", binary, "Windows-1252  mixed", "X" + binary},
    };
    ASSERT_TRUE(Start());
    int i = 0;
    for (const auto& c : cases) {
        const QString in = WriteFile(QStringLiteral("in%1").arg(i), c.file);
        const QString out = Path(QStringLiteral("out%1").arg(i++));
        ui.boxReplies = {IDNO};
        ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(in)) << c.what;
        EXPECT_EQ(EncodingPane(Frame()), c.pane) << c.what;
        ui.fileNames = {out};
        ASSERT_TRUE(Exec(ID_FILE_SAVE_AS)) << c.what;
        EXPECT_EQ(ReadFile(out), c.file) << c.what;
        View()->SetSel(0, 0);
        Type("X");
        ASSERT_TRUE(Exec(ID_FILE_SAVE)) << c.what;
        EXPECT_EQ(ReadFile(out).toHex().toStdString(), c.typed.toHex().toStdString()) << c.what;
    }
    EXPECT_TRUE(ui.boxes.empty()) << ui.BoxTexts().join("|").toStdString();
}

TEST_F(EncodingTest, PaneFollowsNewOpenAndTheHexView) {
    const QString path = WriteFile("w.txt", "\x93hi\x94");
    ASSERT_TRUE(Start({path}));
    EXPECT_EQ(EncodingPane(Frame()), "Windows-1252  LF");
    EXPECT_EQ(View()->GetText(), "\xe2\x80\x9chi\xe2\x80\x9d"); // shown with its quotes
    Exec(ID_VIEW_READONLY);
    ASSERT_TRUE(Exec(ID_VIEW_HEX));
    EXPECT_EQ(EncodingPane(Frame()), "UTF-8  CRLF"); // the dump is what is shown now
    ASSERT_TRUE(Exec(ID_VIEW_HEX));
    EXPECT_EQ(EncodingPane(Frame()), "Windows-1252  LF");
    Exec(ID_VIEW_READONLY);
    ASSERT_TRUE(Exec(ID_FILE_NEW));
    EXPECT_EQ(EncodingPane(Frame()), "UTF-8  LF");
}

TEST_F(EncodingTest, BadUtf16IsShownAsBytesWithANote) {
    ASSERT_TRUE(Start({WriteFile("bad16", QByteArray("\xff\xfe\x3d\xd8"
                                                     "a\0",
                                                     6))}));
    EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(0),
              "The file starts with a UTF-16 byte-order mark but is not valid UTF-16; it is "
              "shown byte by byte.");
    EXPECT_EQ(View()->GetText(), "\xc3\xbf\xc3\xbe=\xc3\x98"
                                 "a" +
                                     QByteArray(1, '\0'));
}

// Typed, pasted, replaced and inserted text that a Windows-1252 file cannot hold is refused
// whole; the file keeps exactly what it had.
TEST_F(EncodingTest, InputTheFileCannotHoldIsRefused) {
    const QString path = WriteFile("w.txt", "caf\xe9\n");
    ASSERT_TRUE(Start({path}));
    const QString refusedAlpha =
        QString::fromUtf8("\"\xce\xb1\" (U+03B1) cannot be stored in this Windows-1252 file; "
                          "nothing was changed.");
    View()->SetSel(5, 5); // after "é", two bytes in the text shown
    ui.beeps.clear();
    TypeCharacters(View(), QString::fromUtf8("\xc3\xbc\xe2\x82\xac\xce\xb1")); // ü € α
    EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(0), refusedAlpha);
    EXPECT_EQ(ui.beeps.size(), 1u);

    QApplication::clipboard()->setText(QString::fromUtf8("x\xce\xb1"));
    View()->SetSel(0, 1);
    Exec(ID_EDIT_PASTE);
    EXPECT_EQ(ui.beeps.size(), 2u);
    EXPECT_EQ(Sel().cpMax, 1); // the selection stays: nothing was pasted over it

    ui.dialogReplies.push_back([](QDialog& d) {
        auto& dlg = dynamic_cast<CReplaceTextDlg&>(d);
        dlg.m_pFindWhat->setEditText(QStringLiteral("a"));
        dlg.m_pReplaceWith->setEditText(QString::fromUtf8("\xce\xb1"));
        dlg.OnReplaceAll();
        dlg.OnReplace();
        d.reject();
        return IDCANCEL;
    });
    Exec(ID_EDIT_REPLACE);
    EXPECT_EQ(ui.BoxTexts(), QStringList({refusedAlpha, refusedAlpha}));

    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt)); // Arabic-Indic digits
    Exec(ID_EDIT_DATETIME);
    QLocale::setDefault(saved);
    ASSERT_EQ(ui.boxes.size(), 3u);
    EXPECT_TRUE(ui.boxes.back().text.contains("cannot be stored in this Windows-1252 file"));

    ui.fileNames = {WriteFile("greek.txt", "\xce\xb1\xce\xb2")};
    Exec(ID_FILE_INSERT);
    ASSERT_EQ(ui.boxes.size(), 4u);
    EXPECT_EQ(ui.boxes.back().text, refusedAlpha);
    ui.fileNames = {WriteFile("stray.txt", "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xff")};
    Exec(ID_FILE_INSERT);
    ASSERT_EQ(ui.boxes.size(), 5u);
    EXPECT_TRUE(ui.boxes.back().text.contains("holds bytes that are not text"));

    ASSERT_TRUE(Exec(ID_FILE_SAVE));
    EXPECT_EQ(ReadFile(path), "caf\xe9\xfc\x80\n");
}

TEST_F(EncodingTest, InsertedFilesAreConvertedToTheTextsEncoding) {
    struct {
        QByteArray target;
        QByteArray inserted;
        QByteArray saved;
    } cases[] = {
        {"x\xe9", "\xc3\xa9\xe2\x82\xac", "\xe9\x80x\xe9"},               // UTF-8 into 1252
        {"x\xc3\xa9", "\x93q\x94", "\xe2\x80\x9cq\xe2\x80\x9dx\xc3\xa9"}, // 1252 into UTF-8
        {"x\xc3\xa9",
         "\xff"
         "\xc3\xa9\xc3\xa9",
         "\xff\xc3\xa9\xc3\xa9x\xc3\xa9"}, // stray stays
        {QByteArray("\xff\xfex\0", 4), "\xef\xbb\xbf\xc3\xa9",
         QByteArray("\xff\xfe\xe9\0x\0", 6)}, // its mark is no text
    };
    ASSERT_TRUE(Start());
    for (const auto& c : cases) {
        const QString path = WriteFile("target", c.target);
        ui.boxReplies = {IDNO};
        ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(path));
        View()->SetSel(0, 0);
        ui.fileNames = {WriteFile("inserted", c.inserted)};
        Exec(ID_FILE_INSERT);
        ASSERT_TRUE(Exec(ID_FILE_SAVE));
        EXPECT_EQ(ReadFile(path).toHex().toStdString(), c.saved.toHex().toStdString());
    }
    EXPECT_TRUE(ui.boxes.empty()) << ui.BoxTexts().join("|").toStdString();
}
// Should the text ever hold what the file's encoding cannot, saving fails with the reason and
// leaves the file as it was, rather than writing something else.
TEST_F(EncodingTest, SavingWhatTheEncodingCannotHoldFailsAndKeepsTheFile) {
    const QString path = WriteFile("w.txt", "caf\xe9");
    ASSERT_TRUE(Start({path}));
    View()->InsertText(4, "x"); // inside "é": no character any more
    ASSERT_TRUE(Exec(ID_FILE_SAVE));
    EXPECT_EQ(ReadFile(path), "caf\xe9");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text,
              path + " was not saved: the text holds characters that Windows-1252 cannot hold.");
    EXPECT_TRUE(Doc()->IsModified());
}

// Replace All folds case as Find does, also where a match differs from the search text in size.
TEST_F(EncodingTest, ReplaceAllReplacesFoldedMatchesOfAnySize) {
    ASSERT_TRUE(
        Start({WriteFile("k.txt", "K k \xe2\x84\xaa \xc3\x89t\xc3\xa9")})); // K k K(Kelvin) Été
    View()->m_bMatchCase = 0;
    ui.dialogReplies.push_back([](QDialog& d) {
        auto& dlg = dynamic_cast<CReplaceTextDlg&>(d);
        dlg.m_pFindWhat->setEditText(QStringLiteral("k"));
        dlg.m_pReplaceWith->setEditText(QStringLiteral("x"));
        dlg.OnReplaceAll();
        dlg.m_pFindWhat->setEditText(QString::fromUtf8("\xc3\xa9"));
        dlg.m_pReplaceWith->setEditText(QStringLiteral("e"));
        dlg.OnReplaceAll();
        d.reject();
        return IDCANCEL;
    });
    Exec(ID_EDIT_REPLACE);
    EXPECT_EQ(View()->GetText(), "x x x ete");
    EXPECT_EQ(ui.BoxTexts(), QStringList({"3 occurences have been replaced.",
                                          "2 occurences have been replaced."}));
}
} // namespace
