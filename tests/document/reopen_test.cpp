#include "framework/encodingdlg.h"
#include "resources/resource.h"
#include "support/appfixture.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>

namespace {
using ReopenTest = AppFixture;

QString EncodingPane(CMainFrame* frame) {
    frame->OnIdleUpdate();
    return frame->m_wndStatusBar.GetPaneText(4);
}

// Types characters as a keyboard layout that has them would: key events carrying their text.
void TypeCharacters(QWidget* w, const QString& text) {
    for (char32_t c : text.toUcs4()) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUcs4(&c, 1));
        QApplication::sendEvent(w, &press);
    }
}

// The user's answer to Reopen with Encoding: the encoding named, then OK.
std::function<int(QDialog&)> Choose(const char* name) {
    return [name](QDialog& d) {
        auto& dlg = dynamic_cast<CEncodingDlg&>(d);
        EXPECT_TRUE(dlg.Choose(QString::fromUtf8(name))) << name;
        dlg.accept();
        return IDOK;
    };
}

// A KOI8-R file shown as Windows-1252 is read again as what it is, and saved back as it was,
// byte for byte; what is typed then is written in KOI8-R, and what KOI8-R cannot hold is
// refused.
TEST_F(ReopenTest, ReopenReadsTheFileAgainAndSavesItBackInTheChosenEncoding) {
    const QByteArray koi8 = "\xf0\xd2\xc9\xd7\xc5\xd4\r\n\xcd\xc9\xd2\r\n"; // Привет, мир
    const QString path = WriteFile("ru.txt", koi8);
    ASSERT_TRUE(Start({path}));
    ASSERT_EQ(EncodingPane(Frame()), "Windows-1252  CRLF");
    View()->SetSel(View()->LineIndex(1), View()->LineIndex(1));
    ui.dialogReplies.push_back(Choose("KOI8-R"));
    ASSERT_TRUE(Exec(ID_FILE_REOPEN_ENCODING));
    EXPECT_EQ(ui.dialogs, QStringList({"Reopen with Encoding"}));
    EXPECT_EQ(View()->GetText(), "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82\r\n"
                                 "\xd0\xbc\xd0\xb8\xd1\x80\r\n");
    EXPECT_EQ(EncodingPane(Frame()), "KOI8-R  CRLF");
    EXPECT_EQ(View()->LineFromChar(-1), 1); // the caret stays on its line
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_FALSE(View()->CanUndo());

    ui.fileNames = {Path("copy.txt")};
    ASSERT_TRUE(Exec(ID_FILE_SAVE_AS));
    EXPECT_EQ(ReadFile(Path("copy.txt")), koi8);
    ASSERT_EQ(ui.formatsOffered.size(), 1u); // offered as it is: KOI8-R, line ends as they are
    EXPECT_EQ(EncodingName(ui.formatsOffered[0].encoding), std::string("KOI8-R"));
    EXPECT_FALSE(ui.formatsOffered[0].lineEnd);

    View()->SetSel(0, 0);
    TypeCharacters(View(), QString::fromUtf8("\xd0\xaf\xce\xb1")); // Я, then α: no KOI8-R character
    EXPECT_TRUE(Frame()->m_wndStatusBar.GetPaneText(0).contains("cannot be stored in this KOI8-R"));
    ASSERT_TRUE(Exec(ID_FILE_SAVE));
    EXPECT_EQ(ReadFile(Path("copy.txt")), "\xf1" + koi8);
    EXPECT_TRUE(ui.boxes.empty()) << ui.BoxTexts().join("|").toStdString();
}

// A file that does not decode in the encoding chosen is refused with the offset of the first
// byte that does not; the text, its changes, their undo and the encoding all stay.
TEST_F(ReopenTest, AFileThatDoesNotDecodeIsRefusedAndNothingChanges) {
    const QString path = WriteFile("w.txt", "caf\xe9 ok!\n");
    ASSERT_TRUE(Start({path}));
    View()->SetSel(0, 0);
    Type("X");
    const QByteArray before = View()->GetText();
    for (const char* name : {"UTF-8", "EUC-KR", "UTF-16BE"}) {
        ui.boxes.clear();
        ui.dialogReplies.push_back(Choose(name));
        ui.boxReplies = {IDNO}; // the changes are not saved first
        Exec(ID_FILE_REOPEN_ENCODING);
        ASSERT_EQ(ui.boxes.size(), 2u) << name;
        EXPECT_EQ(ui.boxes[0].text, "Save changes to w.txt?");
        EXPECT_EQ(View()->GetText(), before) << name;
        EXPECT_TRUE(Doc()->IsModified()) << name;
        EXPECT_TRUE(View()->CanUndo()) << name;
        EXPECT_EQ(EncodingPane(Frame()), "Windows-1252  LF") << name;
    }
    // UTF-16BE: the odd byte at the end is the first that is no character.
    EXPECT_EQ(ui.boxes[1].text, path + " cannot be read as UTF-16BE no BOM: the byte at offset 8 "
                                       "(0x0A) does not decode losslessly in it. Nothing was "
                                       "changed.");
    ui.boxes.clear();
    ui.dialogReplies.push_back(Choose("UTF-8"));
    ui.boxReplies = {IDNO};
    Exec(ID_FILE_REOPEN_ENCODING);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].text, path + " cannot be read as UTF-8: the byte at offset 3 (0xE9) "
                                       "does not decode losslessly in it. Nothing was changed.");
    // Cancelled at the question, or in the dialog: nothing is asked or read.
    ui.boxes.clear();
    ui.dialogReplies.push_back(Choose("KOI8-R"));
    ui.boxReplies = {IDCANCEL};
    Exec(ID_FILE_REOPEN_ENCODING);
    Exec(ID_FILE_REOPEN_ENCODING); // no reply: the dialog is cancelled
    EXPECT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(View()->GetText(), before);
    EXPECT_EQ(ReadFile(path), "caf\xe9 ok!\n");
}

// Save As writes the encoding and the line ends chosen; the text shown takes the same line ends,
// and the status bar the encoding. A character the encoding cannot hold is refused with its
// line, and nothing is written or changed.
TEST_F(ReopenTest, SaveAsConvertsTheEncodingAndTheLineEnds) {
    const QByteArray text = "caf\xc3\xa9\r\n\xe2\x82\xac\nz\r"; // café, €, z: mixed line ends
    const struct {
        const char* encoding;
        std::optional<LineEnd> lineEnd;
        QByteArray file;
        const char* pane;
    } cases[] = {
        {"UTF-8", std::nullopt, text, "UTF-8  mixed"},
        {"UTF-8 BOM", LineEnd::Lf,
         "\xef\xbb\xbf"
         "caf\xc3\xa9\n\xe2\x82\xac\nz\n",
         "UTF-8 BOM  LF"},
        {"Windows-1252", LineEnd::CrLf, "caf\xe9\r\n\x80\r\nz\r\n", "Windows-1252  CRLF"},
        {"ISO-8859-15", LineEnd::Cr, "caf\xe9\r\xa4\rz\r", "ISO-8859-15  CR"},
        {"UTF-16LE", LineEnd::Lf,
         QByteArray("\xff\xfe"
                    "c\0a\0f\0\xe9\0\n\0\xac\x20\n\0z\0\n\0",
                    20),
         "UTF-16LE  LF"},
        {"UTF-16BE no BOM", std::nullopt,
         QByteArray("\0c\0a\0f\0\xe9\0\r\0\n\x20\xac\0\n\0z\0\r", 20), "UTF-16BE no BOM  mixed"},
    };
    ASSERT_TRUE(Start());
    int i = 0;
    for (const auto& c : cases) {
        ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(WriteFile("in.txt", text)));
        const QString out = Path(QStringLiteral("out%1").arg(i++));
        ui.fileNames = {out};
        ui.formatReplies.push_back([&c](SaveFormat& f) {
            f.encoding = *EncodingNamed(QString::fromUtf8(c.encoding));
            f.lineEnd = c.lineEnd;
        });
        ASSERT_TRUE(Exec(ID_FILE_SAVE_AS)) << c.encoding;
        EXPECT_EQ(ReadFile(out).toHex(' ').toStdString(), c.file.toHex(' ').toStdString())
            << c.encoding;
        EXPECT_EQ(EncodingPane(Frame()), c.pane);
        EXPECT_FALSE(Doc()->IsModified());
        // Read again as it was written, the file gives the text shown.
        const QByteArray shown = View()->GetText();
        ui.dialogReplies.push_back(Choose(EncodingName(WithoutMark(View()->GetEncoding()))));
        ASSERT_TRUE(Exec(ID_FILE_REOPEN_ENCODING));
        EXPECT_EQ(View()->GetText(), shown) << c.encoding;
        EXPECT_EQ(EncodingPane(Frame()), c.pane);
        ASSERT_TRUE(Exec(ID_FILE_SAVE_AS)); // offered as it is now: the same bytes
        EXPECT_EQ(ReadFile(out), c.file) << c.encoding;
    }
    EXPECT_TRUE(ui.boxes.empty()) << ui.BoxTexts().join("|").toStdString();

    ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(WriteFile("in.txt", text)));
    ui.fileNames = {Path("koi8.txt")};
    ui.formatReplies.push_back([](SaveFormat& f) {
        f.encoding = *EncodingNamed(QStringLiteral("KOI8-R"));
        f.lineEnd = LineEnd::Lf;
    });
    Exec(ID_FILE_SAVE_AS);
    EXPECT_FALSE(QFile::exists(Path("koi8.txt")));
    EXPECT_EQ(ui.BoxTexts(), QStringList({Path("koi8.txt") +
                                          QString::fromUtf8(" was not saved: \"\xc3\xa9\" (U+00E9) "
                                                            "on line 1 cannot be stored in "
                                                            "KOI8-R; nothing was written.")}));
    EXPECT_EQ(View()->GetText(), text);
    EXPECT_EQ(EncodingPane(Frame()), "UTF-8  mixed");
    EXPECT_EQ(Doc()->GetPathName(), Path("in.txt"));
}

// Converting the line ends is one step that Undo takes back; the text is then changed again.
TEST_F(ReopenTest, ConvertedLineEndsAreOneUndoStep) {
    ASSERT_TRUE(Start({WriteFile("in.txt", "a\r\nb\r\nc")}));
    ui.fileNames = {Path("lf.txt")};
    ui.formatReplies.push_back([](SaveFormat& f) { f.lineEnd = LineEnd::Lf; });
    ASSERT_TRUE(Exec(ID_FILE_SAVE_AS));
    EXPECT_EQ(ReadFile(Path("lf.txt")), "a\nb\nc");
    View()->SetSel(3, 3);
    QTest::keyClick(View(), Qt::Key_Return);
    EXPECT_EQ(View()->GetText(), "a\nb\n\nc"); // a new line takes the new line ends
    Exec(ID_EDIT_UNDO);
    Exec(ID_EDIT_UNDO);
    EXPECT_EQ(View()->GetText(), "a\r\nb\r\nc");
    EXPECT_TRUE(Doc()->IsModified());
}

// A click on the encoding pane opens Reopen with Encoding; not for an untitled text.
TEST_F(ReopenTest, AClickOnTheEncodingPaneOpensReopen) {
    ASSERT_TRUE(Start());
    QLabel* pane = Frame()->m_wndStatusBar.Pane(4);
    QTest::mouseClick(pane, Qt::LeftButton);
    EXPECT_TRUE(ui.dialogs.isEmpty());
    EXPECT_FALSE(Enabled(ID_FILE_REOPEN_ENCODING));
    ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(WriteFile("a.txt", "\xe9")));
    QTest::mouseClick(pane, Qt::LeftButton);
    EXPECT_EQ(ui.dialogs, QStringList({"Reopen with Encoding"}));
}
} // namespace
