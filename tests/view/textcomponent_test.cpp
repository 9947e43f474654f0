// Our changes to the text component: big texts stay responsive with word wrap on, and what the
// user sees is exactly what the component showed before.
#include "resources/resource.h"
#include "support/appfixture.h"
#include "view/caretroom.h"

#include <QAccessible>
#include <QAccessibleEvent>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QTest>
#include <QTextLayout>

#include <algorithm>
#include <random>

#include <cstdlib>
#include <initializer_list>
#include <vector>

namespace {

class TextComponentTest : public AppFixture {
protected:
    long Sci(unsigned int msg, unsigned long w = 0, long l = 0) const {
        return View()->SendScintilla(msg, w, l);
    }
    // `count` lines, those within 150 of any of `around` long enough to wrap several times and
    // the rest short. Over half a million lines are too many to wrap in the background.
    static QByteArray Lines(int count, std::initializer_list<int> around) {
        QByteArray longLine;
        while (longLine.size() < 1000)
            longLine += "wrapping words ";
        longLine += '\n';
        QByteArray text;
        for (int i = 0; i < count; ++i) {
            bool near = false;
            for (int a : around)
                near = near || std::abs(i - a) <= 150;
            text += near ? longLine : QByteArray("x\n");
        }
        return text;
    }
    bool CaretShown() const {
        const long caret = Sci(QsciScintillaBase::SCI_GETCURRENTPOS);
        const long y = Sci(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0, caret);
        return y >= 0 && y < View()->viewport()->height();
    }
    // The display lines the component counts for a line now (SCI_WRAPCOUNT would wrap it).
    long WrapCount(long line) const {
        return Sci(QsciScintillaBase::SCI_VISIBLEFROMDOCLINE, line + 1) -
               Sci(QsciScintillaBase::SCI_VISIBLEFROMDOCLINE, line);
    }
};

TEST_F(TextComponentTest, MovingFarWrapsOnlyAroundTheTarget) {
    ASSERT_TRUE(Start());
    View()->SetWordWrap(true);
    const int n = 600000;
    Open(Lines(n, {0, n / 8, n / 4, n / 2, n - 1}));
    QTRY_VERIFY(WrapCount(0) > 1); // the first screen is wrapped when it is shown

    QTest::keyClick(View(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(WrapCount(n / 2), 1) << "the middle of the text was wrapped too";
    EXPECT_GT(WrapCount(n - 2), 1);
    EXPECT_TRUE(CaretShown());

    const long middle = Sci(QsciScintillaBase::SCI_POSITIONFROMLINE, n / 2);
    View()->SetSel(middle, middle);
    EXPECT_GT(WrapCount(n / 2), 1);
    EXPECT_EQ(WrapCount(n / 4), 1);
    EXPECT_TRUE(CaretShown());

    Sci(QsciScintillaBase::SCI_ENSUREVISIBLEENFORCEPOLICY, n / 4);
    EXPECT_GT(WrapCount(n / 4), 1);
    EXPECT_EQ(WrapCount(n / 8), 1);

    // Lines not yet wrapped are wrapped as they are shown, and then nothing else is.
    QTest::qWait(300);
    EXPECT_EQ(WrapCount(n / 8), 1);
}

TEST_F(TextComponentTest, SmallTextsAreWrappedWholeInTheBackground) {
    ASSERT_TRUE(Start());
    View()->SetWordWrap(true);
    Open(Lines(300, {150}));
    QTRY_VERIFY_WITH_TIMEOUT(WrapCount(299) > 1, 5000);
}

TEST_F(TextComponentTest, FirstEditDoesNotRegrowTheLoadedText) {
    ASSERT_TRUE(Start());
    Open(QByteArray("some text\n").repeated(100000));
    const long before = Sci(QsciScintillaBase::SCI_GETCHARACTERPOINTER);
    for (const long at : {0L, 500000L, 999999L}) {
        View()->SetSel(at, at);
        Type("x");
    }
    EXPECT_EQ(Sci(QsciScintillaBase::SCI_GETCHARACTERPOINTER), before);
    EXPECT_EQ(View()->GetTextLength(), 1000003);
}

// In a text longer than the bytes moved in one idle moment, the room for typing follows a caret
// that rests, slice by slice, but not into a text that is read only; typing there then puts the
// bytes where the caret is.
TEST_F(TextComponentTest, TheRoomForTypingFollowsARestingCaret) {
    ASSERT_TRUE(Start());
    const QByteArray line("some text\n");
    const long lines = (CCaretRoom::kSlice * 5 / 2) / line.size();
    Open(line.repeated(lines));
    const auto left = [this](long at) { return View()->Text().PrepareEditAt(at, 0); };
    const long end = View()->GetTextLength();
    Exec(ID_VIEW_READONLY);
    QTest::qWait(CCaretRoom::kRestMs * 3);
    EXPECT_EQ(left(0), end) << "read only: the room stays at the end, where the load left it";
    Exec(ID_VIEW_READONLY);
    View()->SetSel(0, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return left(0) == 0; }, 20000));
    View()->SetSel(end - 5, end - 5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return left(end - 5) == 0; }, 20000));
    Type("x");
    EXPECT_EQ(View()->GetTextRange(end - 6, end + 1), QByteArray(" xtext\n"));
}

// Character offsets given to assistive technologies are counted from a nearby known position;
// they must stay what counting from the start gives, moving either way and across documents.
TEST_F(TextComponentTest, CaretOffsetsForAssistiveTechnologiesStayExact) {
    // Valid UTF-8 with one stray byte, which counts as one character.
    ASSERT_TRUE(Start({WriteFile("f", "caf\xc3\xa9 \xe2\x82\xac \x80 end\nline two\n")}));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(View());
    ASSERT_TRUE(iface && iface->textInterface());
    auto expectExact = [&](long nth, const char* what) {
        const long at = Sci(QsciScintillaBase::SCI_POSITIONRELATIVE, 0, nth);
        const long next = Sci(QsciScintillaBase::SCI_POSITIONAFTER, at);
        View()->SetSel(at, next);
        int start = -1, end = -1;
        iface->textInterface()->selection(0, &start, &end);
        EXPECT_EQ(start, nth) << what << " at character " << nth;
        EXPECT_EQ(end, Sci(QsciScintillaBase::SCI_COUNTCHARACTERS, 0, next)) << what << " at " << nth;
    };
    for (long nth : {18L, 4L, 7L, 10L, 11L, 0L, 20L, 3L})
        expectExact(nth, "moving");
    Open(QByteArray("\xce\xb1\xce\xb2\xce\xb3 short\n"));
    expectExact(5, "in another document");
    expectExact(1, "moving back");
}

// Our texts carry their styles: the component must never be left thinking otherwise, or it takes
// the next paint for a change of styles and compares every shown line with its layout again.
TEST_F(TextComponentTest, TextNeverWaitsForStyling) {
    ASSERT_TRUE(Start());
    Open(Lines(3000, {}));
    const auto styledTo = [&] { return Sci(QsciScintillaBase::SCI_GETENDSTYLED); };
    View()->viewport()->grab(); // a paint asks for what it shows
    const long shownEnd = Sci(QsciScintillaBase::SCI_POSITIONFROMLINE,
                              Sci(QsciScintillaBase::SCI_LINESONSCREEN));
    EXPECT_GE(styledTo(), shownEnd);
    // Edits anywhere leave the whole text styled, without a paint.
    const long middle = View()->GetTextLength() / 2;
    Sci(QsciScintillaBase::SCI_INSERTTEXT, middle, reinterpret_cast<long>("typed"));
    EXPECT_EQ(styledTo(), View()->GetTextLength());
    Sci(QsciScintillaBase::SCI_DELETERANGE, 10, 3);
    EXPECT_EQ(styledTo(), View()->GetTextLength());
    Sci(QsciScintillaBase::SCI_UNDO);
    EXPECT_EQ(styledTo(), View()->GetTextLength());
    Sci(QsciScintillaBase::SCI_REDO);
    EXPECT_EQ(styledTo(), View()->GetTextLength());
}

// Drawing starts a little before the first visible character of a long line and stops at the
// window's edge: what is drawn far along such a line must look as its start does. The line
// repeats one word in a font of whole-pixel advances, so every word starts on a whole pixel.
TEST_F(TextComponentTest, FarPartsOfALongLineAreDrawnAsItsStart) {
    ASSERT_TRUE(Start());
    QFont font("FreeMono");
    for (int pixels = 10; pixels <= 40; ++pixels) {
        font.setPixelSize(pixels);
        const qreal advance = QFontMetricsF(font, View()->viewport()).horizontalAdvance('a');
        if (advance == static_cast<int>(advance) && advance > 6)
            break;
    }
    const qreal advance = QFontMetricsF(font, View()->viewport()).horizontalAdvance('a');
    if (advance != static_cast<int>(advance))
        GTEST_SKIP() << "no size of the font has whole-pixel advances here";
    const QByteArray word = "abcdefgh ";
    // Longer than a run the component cuts as it reads (64 KB).
    const QByteArray text = word.repeated(20000) + "\nend";
    const long lineLength = text.size() - 4;
    for (const bool wrap : {false, true}) {
        View()->SetWordWrap(wrap);
        Open(text);
        for (int style : {0, 32}) {
            Sci(QsciScintillaBase::SCI_STYLESETFONT, style,
                reinterpret_cast<long>(font.family().toUtf8().constData()));
            Sci(QsciScintillaBase::SCI_STYLESETSIZEFRACTIONAL, style,
                font.pixelSize() * 100 * 72 / View()->viewport()->logicalDpiY());
        }
        View()->SetSel(text.size(), text.size()); // no caret on the rows compared
        const int height = Sci(QsciScintillaBase::SCI_TEXTHEIGHT, 0);
        const auto row = [&](long pos) {
            if (wrap) {
                Sci(QsciScintillaBase::SCI_SETFIRSTVISIBLELINE, 0);
                const long y = Sci(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0, pos);
                Sci(QsciScintillaBase::SCI_SETFIRSTVISIBLELINE, y / height);
            } else {
                Sci(QsciScintillaBase::SCI_SETXOFFSET, pos / word.size() * word.size() *
                                                          static_cast<long>(advance));
            }
            return View()->viewport()->grab().toImage().copy(0, 0, View()->viewport()->width(),
                                                             height);
        };
        const QImage start = row(0);
        for (long far : {70000L, lineLength - 2000})
            EXPECT_EQ(row(far), start) << (wrap ? "wrapped, at " : "unwrapped, at ") << far;
    }
}

// An edit in a long line of plain text moves the line's layout along instead of measuring the
// line again: every position must stay where a new layout of the edited line puts it, through
// insertions, deletions, undo and text that is no plain ASCII, wrapped or not.
TEST_F(TextComponentTest, EditsInAPlainLineLeavePositionsAsANewLayoutGivesThem) {
    ASSERT_TRUE(Start());
    const char* family = "DejaVu Sans Mono";
    std::minstd_rand generator(11);
    const auto random = [&](long below) { return static_cast<long>(generator() % below); };
    const char* pieces[] = {"x", "hello world ", "  ", "{[(;)]}", "\xc3\xa9", "~"};
    for (const bool wrap : {false, true}) {
        View()->SetWordWrap(wrap);
        Open(QByteArray("abcdefgh ").repeated(4000) + "\nend");
        // Dropping the cached layouts, not the fonts (their advances are kept with them).
        const auto relayout = [&] {
            Sci(QsciScintillaBase::SCI_SETLAYOUTCACHE, QsciScintillaBase::SC_CACHE_PAGE);
            Sci(QsciScintillaBase::SCI_SETLAYOUTCACHE, QsciScintillaBase::SC_CACHE_CARET);
        };
        Sci(QsciScintillaBase::SCI_STYLESETFONT, 0, reinterpret_cast<long>(family));
        Sci(QsciScintillaBase::SCI_GOTOPOS, 18000);
        View()->viewport()->grab();
        for (int step = 0; step < 40; ++step) {
            const long end = Sci(QsciScintillaBase::SCI_GETLINEENDPOSITION, 0);
            const long caret = Sci(QsciScintillaBase::SCI_GETCURRENTPOS);
            const long at = std::clamp(caret + random(41) - 20, 0L, end);
            switch (random(5)) {
            case 0:
            case 1:
                Sci(QsciScintillaBase::SCI_INSERTTEXT, at, reinterpret_cast<long>(pieces[random(6)]));
                break;
            case 2:
                Sci(QsciScintillaBase::SCI_DELETERANGE, at, std::min(random(12) + 1, end - at));
                break;
            case 3:
                Sci(QsciScintillaBase::SCI_DELETERANGE, at - random(std::min(at, 3L) + 1), 0);
                Sci(QsciScintillaBase::SCI_UNDO);
                break;
            default:
                Sci(QsciScintillaBase::SCI_GOTOPOS, std::min(at + 1, end));
            }
            // Where the edited layout puts some characters, then where a new one does.
            const long lineEnd = Sci(QsciScintillaBase::SCI_GETLINEENDPOSITION, 0);
            const long now = std::min(at, lineEnd);
            std::vector<long> probes = {now, now + 1, now + 7, lineEnd, lineEnd / 3, 1};
            const auto places = [&] {
                std::vector<long> xy;
                const long x0 = Sci(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0, 0);
                const long y0 = Sci(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0, 0);
                for (long p : probes) {
                    p = std::min(p, lineEnd);
                    xy.push_back(Sci(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0, p) - x0);
                    xy.push_back(Sci(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0, p) - y0);
                }
                return xy;
            };
            const std::vector<long> edited = places();
            const QImage editedShot = View()->viewport()->grab().toImage();
            relayout();
            const std::vector<long> fresh = places();
            const char* mode = wrap ? "wrapped" : "unwrapped";
            for (size_t i = 0; i < fresh.size(); ++i)
                ASSERT_NEAR(edited[i], fresh[i], 1) << mode << ", step " << step << ", probe " << i;
            ASSERT_EQ(editedShot, View()->viewport()->grab().toImage()) << mode << ", step " << step;
        }
    }
}

// Line ends are found a run of bytes at a time: every CR, LF and CR LF must start a line, loaded
// or inserted, also where an insertion splits a CR LF or completes one.
TEST_F(TextComponentTest, LinesStartWhereTheirEndsSay) {
    ASSERT_TRUE(Start());
    std::minstd_rand generator(5);
    const auto random = [&](int below) { return static_cast<int>(generator() % below); };
    const char* pieces[] = {"\r", "\n", "\r\n", "ab", "c", "\xc3\xa9", "\n\r", "long line of words"};
    const auto randomText = [&](int count) {
        QByteArray text;
        for (int i = 0; i < count; ++i)
            text += pieces[random(8)];
        return text;
    };
    // Where lines start in `text`, counted the plain way.
    const auto starts = [](const QByteArray& text) {
        std::vector<long> at = {0};
        for (int i = 0; i < text.size(); ++i) {
            if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
                at.push_back(i + 1);
        }
        return at;
    };
    const auto shown = [&] {
        std::vector<long> at;
        for (long line = 0; line < Sci(QsciScintillaBase::SCI_GETLINECOUNT); ++line)
            at.push_back(Sci(QsciScintillaBase::SCI_POSITIONFROMLINE, line));
        return at;
    };
    QByteArray text = randomText(3000);
    Open(text);
    ASSERT_EQ(shown(), starts(text));
    for (int step = 0; step < 300; ++step) {
        const QByteArray piece = randomText(random(4) + 1);
        const int at = random(text.size() + 1);
        Sci(QsciScintillaBase::SCI_INSERTTEXT, at, reinterpret_cast<long>(piece.constData()));
        text.insert(at, piece);
        ASSERT_EQ(shown(), starts(text)) << "step " << step;
    }
}

// Runs of plain ASCII are measured from cached advances where the font lays them out as the sum
// of those advances; every position must be the one text layout gives, in fonts with and
// without kerning.
TEST_F(TextComponentTest, AsciiRunsArePlacedExactlyAsTextLayoutPlacesThem) {
    ASSERT_TRUE(Start());
    const QByteArray sample = "AVAWAY To. Wa fi ffi ij {[(x)]} 0123456789 ~!@#$%^&*_+-=|;:'\",<>?/";
    for (const char* family : {"DejaVu Sans Mono", "DejaVu Sans", "DejaVu Serif"}) {
        const QFont font(family, 11);
        // Enough text for the font's advances to be worth a table: wrapping it whole in the
        // background measures it; the lines compared are laid out again when asked about.
        View()->SetWordWrap(true);
        Open(sample + "\n" + sample + "\xc3\xa9\n" + (sample + "\n").repeated(2000));
        for (int style : {0, 32}) {
            Sci(QsciScintillaBase::SCI_STYLESETFONT, style, reinterpret_cast<long>(family));
            Sci(QsciScintillaBase::SCI_STYLESETSIZE, style, 11);
        }
        QTest::qWait(500);
        const long end = View()->GetTextLength();
        View()->SetSel(end, end); // no caret on the lines compared
        QTextLayout layout(QString::fromLatin1(sample), font, View()->viewport());
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        const long x0 = Sci(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0, 0);
        const long second = Sci(QsciScintillaBase::SCI_POSITIONFROMLINE, 1);
        for (int i = 1; i < sample.size(); ++i) {
            const long x = Sci(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0, i) - x0;
            EXPECT_EQ(x, static_cast<long>(line.cursorToX(i))) << family << " at " << i;
            // The same run followed by a non-ASCII letter is laid out by Qt as a whole.
            EXPECT_EQ(Sci(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0, second + i) - x0, x)
                << family << " at " << i;
        }
        // And drawn alike: the two lines look the same up to the last ASCII character.
        const QImage shot = View()->viewport()->grab().toImage();
        const int height = Sci(QsciScintillaBase::SCI_TEXTHEIGHT, 0);
        const int width = Sci(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0, sample.size() - 1);
        EXPECT_EQ(shot.copy(0, 0, width, height), shot.copy(0, height, width, height)) << family;
    }
}

} // namespace
