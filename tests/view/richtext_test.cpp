#include "resources/resource.h"
#include "support/appfixture.h"

#include <QApplication>
#include <QClipboard>

namespace {
using RichTextTest = AppFixture;

const QByteArray kRtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 DejaVu Serif;}}{\\colortbl ;\\red200\\green0"
                        "\\blue0;}\\f0\\fs32 Title\\par\\plain plain \\b bold\\b0  \\cf1 red\\cf0  "
                        "caf\\'e9\\'01\\par}";

// A text shown formatted is saved as plain text: over a file that holds rich text, only when the
// user says so (No, the default, offers Save As instead).
TEST_F(RichTextTest, SavingAFormattedTextOverRichTextAsksFirst) {
    const QString rtf = WriteFile("Report.rtf", kRtf);
    const QString other = WriteFile("other.rtf", "  {\\rtf1 other}");
    const QString prompt = Path("Report.rtf") +
                           " is rich text. Saving writes plain text and loses its formatting. "
                           "Save it as plain text?";
    ASSERT_TRUE(Start());
    Exec(ID_VIEW_READONLY);
    ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(rtf));
    Exec(ID_VIEW_READONLY); // editable, still shown formatted
    View()->SetSel(0, 0);
    View()->ReplaceSel("x");

    Exec(ID_FILE_SAVE); // Cancel: nothing written
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, prompt);
    EXPECT_TRUE(ui.boxes[0].flags & MB_DEFBUTTON2);
    EXPECT_EQ(ReadFile(rtf), kRtf);
    EXPECT_TRUE(Doc()->IsModified());

    // No: Save As, which asks again over another rich text and saves under a new name.
    ui.boxReplies = {IDNO, IDNO};
    ui.fileNames = {other, Path("plain.txt")};
    Exec(ID_FILE_SAVE);
    EXPECT_EQ(ui.saveInitials.size(), 2);
    EXPECT_EQ(ReadFile(rtf), kRtf);
    EXPECT_EQ(ReadFile(other), "  {\\rtf1 other}");
    EXPECT_EQ(ReadFile(Path("plain.txt")), View()->GetText());
    EXPECT_FALSE(Doc()->IsModified());

    // Yes: written over it as plain text.
    View()->ReplaceSel("y");
    ui.boxes.clear();
    ui.boxReplies = {IDYES};
    ui.fileNames = {rtf};
    Exec(ID_FILE_SAVE_AS);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ReadFile(rtf), View()->GetText());
}

TEST_F(RichTextTest, ReadOnlyShowsItFormattedEditableShowsTheSource) {
    const QString rtf = WriteFile("Report.RTF", kRtf);
    ASSERT_TRUE(Start());
    Exec(ID_VIEW_READONLY);
    ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(rtf));
    EXPECT_EQ(View()->GetText(), "Title\nplain bold red caf\xc3\xa9\x01\n");
    const int title = View()->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, 0UL) & 0xFF;
    const int bold = View()->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, 12UL) & 0xFF;
    EXPECT_NE(title, bold);
    EXPECT_EQ(View()->SendScintilla(QsciScintillaBase::SCI_STYLEGETBOLD, bold), 1);
    EXPECT_EQ(View()->SendScintilla(QsciScintillaBase::SCI_STYLEGETSIZE, title), 16);
    QApplication::processEvents(); // the character 1 still raises the warning
    EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(0),
              "The file is probably non-text; a switch to hex-view is suggested.");
    View()->SetSel(6, 16);
    Exec(ID_EDIT_COPY);
    EXPECT_EQ(QApplication::clipboard()->text(), "plain bold");
    // Saved as plain text of what is shown.
    ui.fileNames = {Path("out.txt")};
    Exec(ID_VIEW_READONLY);
    Exec(ID_FILE_SAVE_AS);
    EXPECT_EQ(ReadFile(Path("out.txt")), View()->GetText());
    // Editable: the source.
    ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(rtf));
    EXPECT_EQ(View()->GetText(), kRtf);
}

TEST_F(RichTextTest, OnlyANameEndingInRtfIsReadAsRichText) {
    ASSERT_TRUE(Start());
    Exec(ID_VIEW_READONLY);
    for (const char* name : {"x.rtf.txt", "rtf", "notrtf"}) {
        ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(WriteFile(name, kRtf)));
        EXPECT_EQ(View()->GetText(), kRtf) << name;
    }
    ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(WriteFile("a.rtf", kRtf)));
    EXPECT_NE(View()->GetText(), kRtf);
}

// A file is rich text by what it starts with, not by its name: anything else under a .rtf name
// loads as plain text, byte for byte, with its lines.
TEST_F(RichTextTest, AFileNamedRtfThatIsNotRichTextLoadsAsPlainText) {
    ASSERT_TRUE(Start());
    Exec(ID_VIEW_READONLY);
    const QByteArray spaces(1 << 21, ' '); // longer than a piece of the stream
    struct {
        QByteArray bytes;
        long lines;
    } cases[] = {
        {"first line\r\nsecond {\\b line}\r\nlast", 3},
        {"first line\nsecond line\n", 3},
        {"caf\xc3\xa9\r\n\\par\x01", 2},
        {"  \n {\\rt", 2},
        {"", 1},
        {spaces + "\nx", 2},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(WriteFile("x.rtf", c.bytes)));
        EXPECT_EQ(View()->GetText(), c.bytes) << c.bytes.left(20).toStdString();
        EXPECT_EQ(View()->GetLineCount(), c.lines) << c.bytes.left(20).toStdString();
    }
    // White space may come before rich text, which may be longer than a piece of the stream.
    ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(
        WriteFile("y.rtf", " \r\n{\\rtf1 " + spaces + "x\\par}\r\n")));
    EXPECT_EQ(View()->GetText(), spaces + "x\r\n");
}

TEST_F(RichTextTest, StylesFollowTheDefaultFontAndStayWhenTheColoursChange) {
    ASSERT_TRUE(Start());
    Exec(ID_VIEW_READONLY);
    ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(
        WriteFile("f.rtf", "{\\rtf1\\deff1{\\fonttbl{\\f0 DejaVu Sans;}{\\f1 DejaVu Serif;}}"
                           "a\\f0\\b b\\plain c{\\v hidden}{\\pict 00}\\strike d}")));
    EXPECT_EQ(View()->GetText(), "abc\xe2\x96\xa3"
                                 "d");
    const auto style = [&](unsigned long pos) {
        return static_cast<unsigned long>(
            View()->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, pos) & 0xFF);
    };
    const auto face = [&](unsigned long pos) {
        char name[64] = {};
        View()->SendScintilla(QsciScintillaBase::SCI_STYLEGETFONT, style(pos), name);
        return std::string(name);
    };
    const auto check = [&] {
        EXPECT_EQ(face(0), "DejaVu Serif");
        EXPECT_EQ(face(1), "DejaVu Sans");
        EXPECT_EQ(View()->SendScintilla(QsciScintillaBase::SCI_STYLEGETBOLD, style(1)), 1);
        EXPECT_EQ(style(2), style(0));
        EXPECT_EQ(View()->SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, 8UL, 5L), 0);
        EXPECT_NE(View()->SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, 8UL, 6L), 0);
    };
    check();
    Exec(ID_VIEW_READONLY); // a new background colour defines the styles again
    check();
}
} // namespace
