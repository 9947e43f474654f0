// The editor's operations that work on the text in large pieces through its window (loads and
// saves, line commands, insert file, the hex view), on random texts whose sizes cross each limit
// of those pieces (read pieces, a load's first window and its spare room, the longest line that
// wraps), compared byte for byte with the same work done the plain way.
#include "reference/plaintext.h"
#include "resources/resource.h"
#include "support/appfixture.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace Plain;

namespace {
class ScaleTest : public AppFixture {
protected:
    Bytes Text() const { return ToBytes(View()->GetText()); }

    // Line starts as the editor has them.
    std::vector<size_t> ShownLineStarts() const {
        std::vector<size_t> at;
        for (long line = 0, n = View()->GetLineCount(); line < n; ++line)
            at.push_back(static_cast<size_t>(View()->LineIndex(line)));
        return at;
    }
};

TEST_F(ScaleTest, LoadsAndSavesGiveBackEveryByteInEveryEncoding) {
    ASSERT_TRUE(Start());
    RandomText random(13);
    std::vector<size_t> sizes = Sizes();
    sizes.push_back(1100000); // one line longer than any that is wrapped
    for (size_t size : sizes) {
        const bool oneLine = size == sizes.back();
        const std::vector<EncodedFile> cases = EncodedFiles(random, size, oneLine);
        for (const EncodedFile& c : cases) {
            SCOPED_TRACE(std::to_string(size) + " " + c.name);
            const QString path = WriteFile("in", ToQ(c.file));
            if (View()->m_bWordWrap != oneLine)
                Exec(ID_VIEW_WORDWRAP);
            ui.boxReplies = {IDNO};
            ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(path));
            EXPECT_TRUE(Text() == c.shown) << FirstDifference(Text(), c.shown);
            EXPECT_TRUE(ShownLineStarts() == LineStarts(c.shown)) << "line starts differ";
            ASSERT_TRUE(Doc()->OnSaveDocument(Path("out")));
            EXPECT_TRUE(ToBytes(ReadFile(Path("out"))) == c.file) << "saved bytes differ";
        }
    }
}

TEST_F(ScaleTest, LineCommandsInsertFileAndHexDumpGiveThePlainResult) {
    ASSERT_TRUE(Start());
    RandomText random(17);
    for (size_t size : Sizes()) {
        const Bytes text = random.Text(size, true);
        const std::vector<size_t> lines = LineStarts(text);
        const auto lineOf = [&](size_t pos) {
            return static_cast<size_t>(std::upper_bound(lines.begin(), lines.end(), pos) -
                                       lines.begin() - 1);
        };
        {
            SCOPED_TRACE(std::to_string(size) + " indent and unindent");
            Open(ToQ(text));
            const size_t from = lines[lines.size() / 5], to = lines[lines.size() * 4 / 5] + 1;
            View()->SetSel(static_cast<long>(from), static_cast<long>(to));
            Bytes indented, unindented;
            for (size_t line = 0; line < lines.size(); ++line) {
                const size_t start = lines[line];
                const size_t end = line + 1 < lines.size() ? lines[line + 1] : text.size();
                const Bytes l = text.substr(start, end - start);
                const bool selected = line >= lineOf(from) && line <= lineOf(to);
                indented += (selected ? "\t" : "") + l;
                unindented +=
                    selected && !l.empty() && (l[0] == ' ' || l[0] == '\t') ? l.substr(1) : l;
            }
            Exec(ID_INDENT_INCREASE);
            EXPECT_TRUE(Text() == indented) << FirstDifference(Text(), indented);
            Exec(ID_EDIT_UNDO);
            View()->SetSel(static_cast<long>(from), static_cast<long>(to));
            Exec(ID_INDENT_DECREASE);
            EXPECT_TRUE(Text() == unindented) << FirstDifference(Text(), unindented);
        }
        {
            SCOPED_TRACE(std::to_string(size) + " delete line");
            Open(ToQ(text));
            const size_t line = lines.size() - 1 - random.Below(std::min<size_t>(lines.size(), 50));
            View()->SetSel(static_cast<long>(lines[line]), static_cast<long>(lines[line]));
            Exec(ID_EDIT_DELETELINE);
            const size_t end = line + 1 < lines.size() ? lines[line + 1] : text.size();
            EXPECT_TRUE(Text() == text.substr(0, lines[line]) + text.substr(end));
        }
        {
            SCOPED_TRACE(std::to_string(size) + " insert file");
            Bytes inserted = random.Text(size, false);
            for (size_t at = (1 << 18) - 1; at + 1 < inserted.size(); at += 1 << 18)
                inserted.replace(at, 2, "\r\n");
            const Bytes host = "\n" + inserted.substr(0, 1000) + "\r";
            Open(ToQ(host));
            View()->SetSel(static_cast<long>(host.size() - 1), static_cast<long>(host.size() - 1));
            ui.fileNames.push_back(WriteFile("inserted", ToQ(inserted)));
            Exec(ID_FILE_INSERT);
            const Bytes expected = host.substr(0, host.size() - 1) + inserted + "\r";
            EXPECT_TRUE(Text() == expected) << FirstDifference(Text(), expected);
            EXPECT_TRUE(ShownLineStarts() == LineStarts(expected)) << "line starts differ";
        }
        {
            SCOPED_TRACE(std::to_string(size) + " hex dump");
            Open(ToQ(text));
            Exec(ID_VIEW_READONLY);
            Exec(ID_VIEW_HEX);
            EXPECT_TRUE(Text() == HexDump(text)) << FirstDifference(Text(), HexDump(text));
            Exec(ID_VIEW_HEX);
            Exec(ID_VIEW_READONLY);
        }
    }
}
} // namespace
