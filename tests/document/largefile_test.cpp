// A file just past 2 GiB, through the window's commands: opened, gone through with Go to line,
// the Ln/Col pane, Find, F3 and Replace All across the mark where 32-bit positions would wrap,
// laid out for printing there, saved back byte for byte, and shown in the hex view.
#include "reference/plaintext.h"
#include "resources/resource.h"
#include "search/findtextdlg.h"
#include "search/replacetextdlg.h"
#include "support/appfixture.h"
#include "text/hexdump.h"
#include "view/hexpager.h"
#include "view/numberinputdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include <string>

using namespace Plain;

namespace {
constexpr long kLineLength = kNumberedLineLength;
constexpr long kLines = kPastTwoGiBLines;
constexpr long kFar = kTwoGiB / kLineLength + 1000; // a line past the mark

// Line `i`; lines from `changedFrom` on, `changed` of them, as Replace All leaves them.
std::string Line(long i, long changedFrom = -1, long changed = 0) {
    std::string line = NumberedLine(i);
    if (i >= changedFrom && i < changedFrom + changed)
        line.replace(15, 5, "ALPHA");
    return line;
}

using LargeFileTest = AppFixture;

TEST_F(LargeFileTest, PastTwoGiBGoToLineLnColFindReplaceAllAndSaveHold) {
    const QString path = Path("big.log");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        std::string piece;
        for (long i = 0; i < kLines; ++i) {
            piece += Line(i);
            if (piece.size() >= (1 << 20) || i + 1 == kLines) {
                ASSERT_EQ(file.write(piece.data(), static_cast<qint64>(piece.size())),
                          static_cast<qint64>(piece.size()));
                piece.clear();
            }
        }
    }
    ASSERT_TRUE(Start({path}));
    ASSERT_EQ(View()->GetTextLength(), kLines * kLineLength);
    ASSERT_EQ(View()->GetLineCount(), kLines + 1);

    ui.dialogReplies = {[](QDialog& d) {
        dynamic_cast<CNumberInputDlg&>(d).m_pEdit->setText(QString::number(kFar + 1));
        d.accept();
        return IDOK;
    }};
    Exec(ID_VIEW_GOTOLINE);
    EXPECT_EQ(Sel().cpMin, kFar * kLineLength);
    View()->SetSel(kFar * kLineLength + 14, kFar * kLineLength + 14);
    Frame()->OnIdleUpdate();
    EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(1), QString("Ln %1, Col 15").arg(kFar + 1));

    // What is typed there is told to the editor at its place: struck out as the font says, and
    // the column counted on from the edit.
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStrikeOut(true);
    ui.fontReplies = {{font, QColor()}};
    Exec(ID_VIEW_SETFONT);
    View()->SetSel(kFar * kLineLength + 5, kFar * kLineLength + 5);
    Type("#");
    View()->SetSel(kFar * kLineLength + 15, kFar * kLineLength + 15);
    Frame()->OnIdleUpdate();
    EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(1), QString("Ln %1, Col 16").arg(kFar + 1));
    EXPECT_NE(
        View()->SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, 8UL, kFar * kLineLength + 5),
        0);
    View()->SetSel(kFar * kLineLength + 5, kFar * kLineLength + 6);
    QTest::keyClick(View(), Qt::Key_Delete);
    font.setStrikeOut(false);
    ui.fontReplies = {{font, QColor()}};
    Exec(ID_VIEW_SETFONT);

    // Find from the top, then F3 to the next line of the same beginning, both past the mark.
    View()->SetSel(0, 0);
    const QString number = QString::fromStdString(Line(kFar).substr(0, 13));
    ui.dialogReplies = {[&](QDialog& d) {
        dynamic_cast<CFindTextDlg&>(d).m_pFindWhat->setEditText(number);
        d.accept();
        return IDOK;
    }};
    Exec(ID_EDIT_FIND);
    EXPECT_EQ(Sel().cpMin, (kFar / 10 * 10) * kLineLength);
    QTest::keyClick(View(), Qt::Key_F3);
    EXPECT_EQ(Sel().cpMin, (kFar / 10 * 10 + 1) * kLineLength);

    // Replace All in a selection of 100,000 lines across the mark.
    const long first = kTwoGiB / kLineLength - 50000, count = 100000;
    View()->SetSel(first * kLineLength, (first + count) * kLineLength);
    ui.dialogReplies = {[&](QDialog& d) {
        auto& dlg = dynamic_cast<CReplaceTextDlg&>(d);
        EXPECT_TRUE(dlg.m_pSelectionOnly->isChecked());
        dlg.m_pFindWhat->setEditText("alpha");
        dlg.m_pReplaceWith->setEditText("ALPHA");
        dlg.m_pMatchCase->setChecked(true);
        dlg.OnReplaceAll();
        d.reject();
        return IDCANCEL;
    }};
    Exec(ID_EDIT_REPLACE);
    EXPECT_EQ(ui.BoxTexts().last(), "100000 occurences have been replaced.");

    // A page laid out for printing from a line past the mark holds the lines from there.
    {
        QImage image(850, 1100, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        const long from = kFar * kLineLength;
        const long next = View()->FormatRange(true, &painter, QRect(50, 50, 750, 1000),
                                              image.rect(), from, View()->GetTextLength());
        EXPECT_GT(next, from + 10 * kLineLength);
        EXPECT_LT(next, from + 1000 * kLineLength);
        View()->FormatRange(false, nullptr, QRect(), QRect(), 0, 0);
    }

    // Saved, the file is every line as it should be.
    const QString saved = Path("saved.log");
    ASSERT_TRUE(Doc()->OnSaveDocument(saved));
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ASSERT_EQ(file.size(), kLines * kLineLength);
    std::string want;
    for (long i = 0; i < kLines; ++i) {
        want += Line(i, first, count);
        if (want.size() >= (1 << 20) || i + 1 == kLines) {
            const QByteArray got = file.read(static_cast<qint64>(want.size()));
            ASSERT_TRUE(got.size() == static_cast<qsizetype>(want.size()) &&
                        std::equal(want.begin(), want.end(), got.constData()))
                << "differs in the piece before line " << i;
            want.clear();
        }
    }

    // Its bytes in the hex view, at offsets past the mark.
    Exec(ID_VIEW_READONLY);
    Exec(ID_VIEW_HEX);
    ASSERT_NE(View()->HexPager(), nullptr);
    const long hexLine = kTwoGiB / 16 + 3;
    ui.dialogReplies = {[&](QDialog& d) {
        dynamic_cast<CNumberInputDlg&>(d).m_pEdit->setText(QString::number(hexLine + 1));
        d.accept();
        return IDOK;
    }};
    Exec(ID_VIEW_GOTOLINE);
    Frame()->OnIdleUpdate();
    EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(1), "Off=0x80000030");
    QFile shown(View()->DocumentPath());
    ASSERT_TRUE(shown.open(QIODevice::ReadOnly) && shown.seek(hexLine * 16));
    const QByteArray bytes = shown.read(16);
    char line[HexDump::kLineLength];
    HexDump::FormatLine(reinterpret_cast<const uint8_t*>(bytes.constData()), 16, line);
    EXPECT_EQ(View()->GetTextRange(Sel().cpMin, Sel().cpMin + HexDump::kLineLength),
              QByteArray(line, HexDump::kLineLength));
}
} // namespace
