#include "resources/resource.h"
#include "search/replacetextdlg.h"
#include "support/appfixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <functional>
#include <random>

namespace {
class ReplaceTest : public AppFixture {
protected:
    // Opens the Replace dialog as the command does and runs `script` while it is open.
    void WithDialog(const std::function<void(CReplaceTextDlg&)>& script) {
        ui.dialogReplies.push_back([script](QDialog& d) {
            script(dynamic_cast<CReplaceTextDlg&>(d));
            d.reject();
            return IDCANCEL;
        });
        Exec(ID_EDIT_REPLACE);
    }
    static void Fill(CReplaceTextDlg& d, const QString& find, const QString& with) {
        d.m_pFindWhat->setEditText(find);
        d.m_pReplaceWith->setEditText(with);
    }
};

TEST_F(ReplaceTest, ReplaceActsOnlyOnAMatchingSelectionThenFindsTheNext) {
    ASSERT_TRUE(Start());
    Open("one two one two");
    View()->SetSel(0, 3); // "one", not an occurrence of "two"
    WithDialog([&](CReplaceTextDlg& d) {
        Fill(d, "two", "2");
        d.OnReplace();
        EXPECT_EQ(View()->GetText(), "one two one two");
        EXPECT_EQ(Sel().cpMin, 4);
        d.OnReplace();
        EXPECT_EQ(View()->GetText(), "one 2 one two");
        EXPECT_EQ(Sel().cpMin, 10);
        Fill(d, "one", "");
        View()->SetSel(6, 9);
        d.OnReplace(); // an empty replacement deletes
        EXPECT_EQ(View()->GetText(), "one 2  two");
    });
    EXPECT_EQ(View()->m_findHistory.Entries(), (QStringList{"one", "two"}));
    EXPECT_EQ(View()->m_replaceHistory.Entries(), QStringList{"2"});
}

TEST_F(ReplaceTest, ReplaceAllCountsAndKeepsTheCyclicOption) {
    ASSERT_TRUE(Start());
    struct {
        const char* text;
        long selMin, selMax;
        const char* result;
        const char* message;
    } cases[] = {
        {"ab ab ab", 0, 2, "X X X", "3 occurences have been replaced."},
        {"ab ab ab", 3, 3, "ab X X", "2 occurences have been replaced."},
        {"xx ab", 0, 0, "xx X", "1 occurence have been replaced."},
        {"none here", 0, 0, "none here", nullptr},
    };
    for (const auto& c : cases) {
        Open(c.text);
        View()->m_bCyclicSearch = 1;
        View()->SetSel(c.selMin, c.selMax);
        ui.boxes.clear();
        WithDialog([&](CReplaceTextDlg& d) {
            Fill(d, "ab", "X");
            d.OnReplaceAll();
            EXPECT_FALSE(d.m_pFindNext->isEnabled());
            EXPECT_FALSE(d.m_pReplaceAll->isEnabled());
        });
        EXPECT_EQ(View()->GetText(), c.result);
        EXPECT_EQ(ui.BoxTexts(), c.message ? QStringList{c.message} : QStringList{});
        EXPECT_EQ(View()->m_bCyclicSearch, 1);
    }
}

TEST_F(ReplaceTest, ReplaceAllEndsWhenTheReplacementHoldsTheSearchText) {
    ASSERT_TRUE(Start());
    for (int backwards : {0, 1}) {
        Open("a-a-a");
        View()->SetSel(backwards ? 5 : 0, backwards ? 5 : 0);
        View()->m_bSearchBackwards = backwards;
        WithDialog([&](CReplaceTextDlg& d) {
            Fill(d, "a", "aa");
            d.OnReplaceAll();
        });
        EXPECT_EQ(View()->GetText(), "aa-aa-aa") << backwards;
        Exec(ID_EDIT_UNDO); // one step
        EXPECT_EQ(View()->GetText(), "a-a-a") << backwards;
        EXPECT_FALSE(Doc()->IsModified());
    }
}

TEST_F(ReplaceTest, SelectionOnlyRangeMovesWithReplacementsAndCloseSelectsIt) {
    ASSERT_TRUE(Start());
    Open("ab\nab ab\nab\nab");
    View()->SetSel(0, 9);  // lines 1 to 3, up to and including "ab\n" of line 3... not quite
    View()->SetSel(3, 11); // from line 2 to the middle of line 3
    WithDialog([&](CReplaceTextDlg& d) {
        EXPECT_TRUE(d.m_pSelectionOnly->isChecked());
        EXPECT_TRUE(d.m_pSelectionOnly->isEnabled());
        EXPECT_FALSE(d.m_pSearchBackwards->isEnabled());
        EXPECT_EQ(Sel().cpMin, 3);
        EXPECT_EQ(Sel().cpMax, 3);
        Fill(d, "ab", "abcd");
        d.OnFindNext();
        d.OnReplace();
        EXPECT_EQ(d.m_nRangeEnd, 13);
        d.OnReplace();
        d.OnReplace(); // the third, found thanks to the moved end
        EXPECT_EQ(d.m_nRangeEnd, 17);
        EXPECT_EQ(View()->GetText(), "ab\nabcd abcd\nabcd\nab");
        EXPECT_FALSE(d.m_pFindNext->isEnabled());
    });
    EXPECT_EQ(Sel().cpMin, 3); // Close selects the range as moved
    EXPECT_EQ(Sel().cpMax, 17);
}

TEST_F(ReplaceTest, AReplacementOutsideTheRangeLeavesItsEnd) {
    ASSERT_TRUE(Start());
    Open("ab\nab\nxx ab");
    View()->SetSel(0, 4);
    WithDialog([&](CReplaceTextDlg& d) {
        d.m_pSelectionOnly->click(); // off: the whole text
        EXPECT_TRUE(d.m_pSearchBackwards->isEnabled());
        Fill(d, "ab", "abab");
        View()->SetSel(9, 11);
        d.OnReplace();
        EXPECT_EQ(d.m_nRangeEnd, 4);
    });
}

TEST_F(ReplaceTest, OpeningWithoutARangeDisablesSelectionOnlyAndPrefillsFromTheLine) {
    ASSERT_TRUE(Start());
    Open("find me here");
    View()->SetSel(5, 7);
    WithDialog([&](CReplaceTextDlg& d) {
        EXPECT_FALSE(d.m_pSelectionOnly->isEnabled());
        EXPECT_TRUE(d.m_pSearchBackwards->isEnabled());
        EXPECT_EQ(d.m_pFindWhat->currentText(), "me");
        EXPECT_EQ(d.m_nRangeEnd, -1);
    });
}

TEST_F(ReplaceTest, TheDialogMovesVerticallyOffTheFoundText) {
    ASSERT_TRUE(Start());
    QByteArray text;
    for (int i = 0; i < 200; ++i)
        text += "line with target\n";
    Open(text);
    Frame()->setGeometry(0, 0, 800, 700);
    View()->SetSel(0, 0);
    const int screenHeight = QApplication::primaryScreen()->geometry().height();
    WithDialog([&](CReplaceTextDlg& d) {
        d.show();
        Fill(d, "target", "x");
        for (long pos : {0L, 17L * 30}) {
            View()->SetSel(pos + 10, pos + 16);
            const QPoint p = View()->viewport()->mapToGlobal(View()->PosFromChar(pos + 10));
            // Not covered: no move.
            d.move(600, p.y() + 300);
            const QPoint before = d.pos();
            d.MoveAwayFromSelection(false);
            EXPECT_EQ(d.pos(), before);
            // Covered: above the text when there is room, else below it.
            d.move(p.x() - 10, p.y() - 10);
            const int h = d.frameGeometry().height();
            d.MoveAwayFromSelection(false);
            EXPECT_EQ(d.pos().x(), p.x() - 10);
            if (p.y() > h) {
                EXPECT_EQ(d.frameGeometry().top() + h, p.y() - 20);
            } else if (p.y() + h < screenHeight) {
                EXPECT_EQ(d.frameGeometry().top(), p.y() + 40);
            }
        }
    });
}

TEST_F(ReplaceTest, OpeningOnTheFoundTextMovesTheCentredDialogOnlyVertically) {
    ASSERT_TRUE(Start());
    Open("target on the first line\n");
    Frame()->setGeometry(100, 50, 800, 600);
    View()->SetSel(0, 6);
    const QPoint p = View()->viewport()->mapToGlobal(View()->PosFromChar(0));
    WithDialog([&](CReplaceTextDlg& d) {
        EXPECT_NEAR(d.frameGeometry().center().x(), Frame()->frameGeometry().center().x(), 2);
        EXPECT_FALSE(d.frameGeometry().contains(p));
    });
}

TEST_F(ReplaceTest, ReplaceAllOverManyPiecesAndItsUndo) {
    QByteArray text;
    for (int i = 0; i < 150000; ++i)
        text += i % 7 ? "ab " : "xab ";
    QByteArray expected = text;
    expected.replace("ab", "A-b");
    ASSERT_TRUE(Start());
    for (int backwards : {0, 1}) {
        Open(text);
        View()->m_bMatchCase = 1;
        View()->m_bSearchBackwards = backwards;
        View()->SetSel(backwards ? text.size() : 0, backwards ? text.size() : 0);
        ui.boxes.clear();
        WithDialog([&](CReplaceTextDlg& d) {
            Fill(d, "ab", "A-b");
            d.OnReplaceAll();
        });
        EXPECT_EQ(ui.BoxTexts(), QStringList{"150000 occurences have been replaced."});
        EXPECT_TRUE(View()->GetText() == expected) << backwards;
        Exec(ID_EDIT_UNDO);
        EXPECT_TRUE(View()->GetText() == text) << backwards;
        EXPECT_FALSE(View()->GetModify());
        // Redone and undone again as one step, piece by piece.
        EXPECT_TRUE(Exec(ID_EDIT_REDO));
        EXPECT_TRUE(View()->GetText() == expected) << backwards;
        EXPECT_TRUE(View()->GetModify());
        EXPECT_FALSE(Enabled(ID_EDIT_REDO));
        Exec(ID_EDIT_UNDO);
        EXPECT_TRUE(View()->GetText() == text) << backwards;
        Exec(ID_EDIT_REDO);
        EXPECT_TRUE(View()->GetText() == expected) << backwards;
    }
}

TEST_F(ReplaceTest, RedoBringsBackAReplaceAllAmongOtherSteps) {
    ASSERT_TRUE(Start());
    Type("ab ab");
    View()->SetSel(0, 0);
    WithDialog([&](CReplaceTextDlg& d) {
        Fill(d, "ab", "xyz");
        d.OnReplaceAll();
    });
    View()->SetSel(7, 7);
    Type("!");
    const QByteArray steps[] = {"ab ab", "xyz xyz", "xyz xyz!"};
    Exec(ID_EDIT_UNDO);
    EXPECT_EQ(View()->GetText(), steps[1]);
    Exec(ID_EDIT_UNDO);
    EXPECT_EQ(View()->GetText(), steps[0]);
    Exec(ID_EDIT_REDO);
    EXPECT_EQ(View()->GetText(), steps[1]);
    Exec(ID_EDIT_REDO);
    EXPECT_EQ(View()->GetText(), steps[2]);
    // Undone, then replaced by a new change: the old replacement can no longer come back,
    // and a new one undoes and redoes as itself.
    Exec(ID_EDIT_UNDO);
    Exec(ID_EDIT_UNDO);
    View()->SetSel(0, 0);
    WithDialog([&](CReplaceTextDlg& d) {
        Fill(d, "b", "BB");
        d.OnReplaceAll();
    });
    EXPECT_EQ(View()->GetText(), "aBB aBB");
    EXPECT_FALSE(Enabled(ID_EDIT_REDO));
    Exec(ID_EDIT_UNDO);
    EXPECT_EQ(View()->GetText(), "ab ab");
    Exec(ID_EDIT_REDO);
    EXPECT_EQ(View()->GetText(), "aBB aBB");
}

TEST_F(ReplaceTest, CancellingReplaceAllLeavesTheTextAsItWas) {
    QByteArray text;
    text.reserve(40000000);
    for (int i = 0; i < 4000000; ++i)
        text += "ab ab ab\n";
    ASSERT_TRUE(Start());
    for (bool ranged : {false, true}) {
        Open(text);
        View()->SetSel(ranged ? 3 : 0, ranged ? text.size() - 3 : 0);
        View()->m_bWordsOnly = 1; // the slower search, so that the progress dialog shows
        ui.boxes.clear();

        // Presses Cancel as soon as the progress dialog shows.
        int cancelled = 0;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* progress = qobject_cast<QProgressDialog*>(w);
                    progress && progress->isVisible() && !progress->wasCanceled()) {
                    progress->cancel();
                    ++cancelled;
                }
        });
        poll.start(10);
        long rangeEnd = 0;
        WithDialog([&](CReplaceTextDlg& d) {
            Fill(d, "ab", "xyz");
            rangeEnd = d.m_nRangeEnd;
            d.OnReplaceAll();
            EXPECT_EQ(d.m_nRangeEnd, rangeEnd);
        });
        poll.stop();
        ASSERT_EQ(cancelled, 1) << "the progress dialog showed";
        EXPECT_TRUE(View()->GetText() == text) << ranged;
        EXPECT_TRUE(ui.boxes.empty());
        EXPECT_FALSE(View()->GetModify());
        EXPECT_FALSE(Enabled(ID_EDIT_UNDO));
        EXPECT_FALSE(Enabled(ID_EDIT_REDO));
    }
}

// Replace All gives what pressing Replace until nothing is found gives.
TEST_F(ReplaceTest, ReplaceAllEqualsTheStepByStepLoop) {
    ASSERT_TRUE(Start());
    std::mt19937 rng(99);
    const char* pieces[] = {"a", "A", "b", "ab", " ", "\n", "_", ".", "\xc3\xa9", "aB"};
    const char* finds[] = {"a", "ab", "Ab", "b", "a a", ".", "\xc3\xa9"};
    const char* withs[] = {"", "x", "ab", "aab", "A", "\n", "ba"};
    for (int round = 0; round < 150; ++round) {
        QByteArray text;
        const int len = rng() % 120;
        while (text.size() < len)
            text += pieces[rng() % 10];
        const QString find = QString::fromUtf8(finds[rng() % 7]);
        const QString with = QString::fromUtf8(withs[rng() % 7]);
        const int matchCase = rng() % 2, words = rng() % 2, backwards = rng() % 2;
        const bool ranged = rng() % 3 == 0 && text.count('\n') >= 1;
        long a = rng() % (text.size() + 1), b = rng() % (text.size() + 1);
        if (ranged) {
            a = std::min(a, static_cast<long>(text.indexOf('\n')));
            b = std::max(b, a + 1 + static_cast<long>(text.mid(a).indexOf('\n')));
        }
        struct Outcome {
            QByteArray text;
            CHARRANGE sel;
            long rangeEnd;
            int count;
        };
        auto run = [&](bool all) {
            Open(text);
            View()->m_bMatchCase = matchCase;
            View()->m_bWordsOnly = words;
            View()->m_bSearchBackwards = backwards;
            View()->m_bCyclicSearch = 1;
            View()->SetSel(std::min(a, b), std::max(a, b));
            Outcome out{};
            WithDialog([&](CReplaceTextDlg& d) {
                Fill(d, find, with);
                if (all) {
                    ui.boxes.clear();
                    d.OnReplaceAll();
                    out.count = ui.boxes.empty() ? 0 : ui.BoxTexts()[0].split(' ')[0].toInt();
                } else {
                    View()->m_bCyclicSearch = 0;
                    d.UpdateData(true);
                    out.count = d.SelectionMatches() ? 1 : 0;
                    for (int guard = 0; guard < 1000; ++guard) {
                        d.OnReplace();
                        if (!d.m_pFindNext->isEnabled())
                            break;
                        ++out.count;
                    }
                    View()->m_bCyclicSearch = 1;
                }
                out.sel = Sel();
                out.rangeEnd = d.m_nRangeEnd;
            });
            out.text = View()->GetText();
            return out;
        };
        const Outcome step = run(false);
        const Outcome bulk = run(true);
        const std::string what = "round " + std::to_string(round) + " text [" + text.toStdString() +
                                 "] find [" + find.toStdString() + "] with [" + with.toStdString() +
                                 "] case " + std::to_string(matchCase) + " words " +
                                 std::to_string(words) + " back " + std::to_string(backwards) +
                                 " ranged " + std::to_string(ranged);
        ASSERT_EQ(bulk.text, step.text) << what;
        ASSERT_EQ(bulk.count, step.count) << what;
        ASSERT_EQ(bulk.sel.cpMin, step.sel.cpMin) << what;
        ASSERT_EQ(bulk.sel.cpMax, step.sel.cpMax) << what;
        ASSERT_EQ(bulk.rangeEnd, step.rangeEnd) << what;
        Exec(ID_EDIT_UNDO);
        ASSERT_EQ(View()->GetText(), text) << what;
    }
}
} // namespace
