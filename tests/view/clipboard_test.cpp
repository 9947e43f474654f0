#include "resources/resource.h"
#include "support/appfixture.h"

#include <QApplication>
#include <QClipboard>

namespace {
using ClipboardTest = AppFixture;

// Mostly text, so that a few stray bytes leave it UTF-8.
const QByteArray kWords = QByteArray("some w\xc3\xb6rds ").repeated(8);

// Cut and pasted back inside the editor, every byte comes back as it was; other programs get
// ordinary text.
TEST_F(ClipboardTest, CutAndPasteInsideTheEditorKeepTheBytes) {
    ASSERT_TRUE(Start());
    const struct {
        QByteArray cut;
        QString forOthers;
    } cases[] = {
        {QByteArray("a\0b", 3), "a b"},
        {"a\xff"
         "b",
         QString::fromUtf8("a\xef\xbf\xbd"
                           "b")},
        {"x\r\ny\rz\nw", "x\r\ny\rz\nw"},
    };
    for (const auto& c : cases) {
        const QByteArray text = "[" + c.cut + "]\r\n" + kWords;
        Open(text);
        View()->SetSel(1, 1 + c.cut.size());
        Exec(ID_EDIT_CUT);
        EXPECT_EQ(View()->GetText(), "[]\r\n" + kWords);
        EXPECT_EQ(QApplication::clipboard()->text(), c.forOthers);
        View()->SetSel(1, 1);
        Exec(ID_EDIT_PASTE);
        EXPECT_EQ(View()->GetText(), text) << c.cut.toHex().toStdString();
        EXPECT_EQ(Sel().cpMin, 1 + c.cut.size());
        Exec(ID_EDIT_UNDO);
        EXPECT_EQ(View()->GetText(), "[]\r\n" + kWords);
    }
}

TEST_F(ClipboardTest, BytesPastedIntoADecodedTextAreWhatItsEncodingCanHold) {
    ASSERT_TRUE(Start());
    const QByteArray latin("caf\xe9 \xe9t\xe9 \xff");
    const struct {
        QByteArray copied; // from a UTF-8 text
        QByteArray saved;  // the Windows-1252 file once pasted, or empty when refused
    } cases[] = {
        {"\xc3\xa9", latin + "\xe9"},
        {"\xce\xb1", ""}, // alpha: Windows-1252 has none
        {"a\xff", ""},    // a stray byte: no character at all
    };
    for (const auto& c : cases) {
        Open(c.copied + "\n" + kWords);
        View()->SetSel(0, c.copied.size());
        Exec(ID_EDIT_COPY);
        const QString file = WriteFile("latin.txt", latin);
        ui.boxReplies = {IDNO};
        ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(file));
        ASSERT_EQ(View()->GetEncoding(), TextEncoding::Windows1252);
        View()->SetSel(-1, -1);
        View()->SetSel(View()->GetTextLength(), View()->GetTextLength());
        Exec(ID_EDIT_PASTE);
        Exec(ID_FILE_SAVE);
        EXPECT_EQ(ReadFile(file), c.saved.isEmpty() ? latin : c.saved)
            << c.copied.toHex().toStdString();
        EXPECT_EQ(Doc()->IsModified(), false);
    }
}

TEST_F(ClipboardTest, TextFromOtherProgramsTakesTheTextsLineEnds) {
    ASSERT_TRUE(Start());
    Open("one\r\ntwo");
    QApplication::clipboard()->setText("p\nq");
    View()->SetSel(3, 3);
    Exec(ID_EDIT_PASTE);
    EXPECT_EQ(View()->GetText(), "onep\r\nq\r\ntwo");
    // All of it, also past a NUL.
    QApplication::clipboard()->setText(QString("a") + QChar(0) + "b\nc");
    Exec(ID_EDIT_PASTE);
    EXPECT_EQ(View()->GetText(), QByteArray("onep\r\nqa\0b\r\nc\r\ntwo", 18));
}
} // namespace
