#include "resources/resource.h"
#include "support/appfixture.h"

#include <QApplication>
#include <QClipboard>

namespace {
using RichTextTest = AppFixture;

const QByteArray kRtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 DejaVu Serif;}}{\\colortbl ;\\red200\\green0"
                        "\\blue0;}\\f0\\fs32 Title\\par\\plain plain \\b bold\\b0  \\cf1 red\\cf0  "
                        "caf\\'e9\\'01\\par}";

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
} // namespace
