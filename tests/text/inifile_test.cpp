#include "text/inifile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
CIniFile Parsed(const char* text) {
    CIniFile ini;
    ini.Parse(text);
    return ini;
}

TEST(IniFile, ReadsLinesAsPeopleWriteThem) {
    const CIniFile ini = Parsed("; made by hand\n"
                                "# another comment\n"
                                "stray=before any section\n"
                                "  [ Editor/Viewer Settings ]  \r\n"
                                "bWordWrap = 0\r\n"
                                "\tNTABWIDTH\t=\t5  \n"
                                "bReadOnly=1\n"
                                "bReadOnly=0\n"
                                "; bSelectionBar=1\n"
                                "no equals sign\n"
                                "=no key\n"
                                "empty=\n"
                                "[other]\n"
                                "bWordWrap=7\n"
                                "[editor/viewer settings]\n"
                                "bAutoFill=1\n");
    const struct {
        const char* section;
        const char* key;
        std::optional<QString> value;
    } cases[] = {
        {"Editor/Viewer Settings", "bWordWrap", "0"},    // blanks around "="
        {"Editor/Viewer Settings", "nTabWidth", "5"},    // any case, tabs around
        {"EDITOR/VIEWER SETTINGS", "bwordwrap", "0"},    // section in any case
        {"Editor/Viewer Settings", "bReadOnly", "1"},    // the first of two counts
        {"Editor/Viewer Settings", "bSelectionBar", {}}, // a comment is no value
        {"Editor/Viewer Settings", "empty", ""},
        {"Editor/Viewer Settings", "bAutoFill", "1"}, // the section named again
        {"other", "bWordWrap", "7"},
        {"", "stray", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.Value(c.section, c.key), c.value) << c.section << " " << c.key;
}

TEST(IniFile, WritingKeepsCommentsAndOtherLinesAndHoldsEachKeyOnce) {
    CIniFile ini = Parsed("; my settings\n"
                          "[Editor/Viewer Settings]\n"
                          "# wrap off, please\n"
                          "bWordWrap = 0\n"
                          "unknown=kept\n"
                          "BWORDWRAP=1\n"
                          "\n"
                          "[Page Margins]\n"
                          "szWindowRect=1,2,3,4\n");
    ini.SetValue("Editor/Viewer Settings", "bWordWrap", "1");
    ini.SetValue("Editor/Viewer Settings", "nTabWidth", "4");
    ini.SetValue("Find Text History", "0", "  padded  ");
    EXPECT_EQ(ini.Text(), "; my settings\n"
                          "[Editor/Viewer Settings]\n"
                          "# wrap off, please\n"
                          "bWordWrap=1\n"
                          "unknown=kept\n"
                          "nTabWidth=4\n"
                          "\n"
                          "[Page Margins]\n"
                          "szWindowRect=1,2,3,4\n"
                          "\n"
                          "[Find Text History]\n"
                          "0=\\x20 padded \\x20\n");
    // What is written reads back the same, blanks and all.
    const CIniFile again = Parsed(ini.Text().constData());
    EXPECT_EQ(again.Value("find text history", "0"), "  padded  ");
    EXPECT_EQ(again.Value("Editor/Viewer Settings", "bWordWrap"), "1");
    EXPECT_EQ(again.Text(), ini.Text());
}

TEST(IniFile, OnlyRegularFilesOfAFewMegabytesAreRead) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // A writer that never writes: a blocking read would wait for ever.
    const int writer = ::open(QFile::encodeName(fifo).constData(), O_RDWR);
    ASSERT_GE(writer, 0);
    const QString big = dir.filePath("big.conf");
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(CIniFile::kMaxSize + 1));
    }
    QFile small(dir.filePath("small.conf"));
    ASSERT_TRUE(small.open(QIODevice::WriteOnly));
    small.write("[s]\nk=v\n");
    small.close();

    const struct {
        QString path;
        CIniFile::LoadResult result;
    } cases[] = {
        {fifo, CIniFile::LoadResult::Refused},
        {"/dev/zero", CIniFile::LoadResult::Refused},
        {dir.path(), CIniFile::LoadResult::Refused},
        {big, CIniFile::LoadResult::Refused},
        {dir.filePath("missing.conf"), CIniFile::LoadResult::Missing},
        {small.fileName(), CIniFile::LoadResult::Loaded},
    };
    for (const auto& c : cases) {
        QElapsedTimer timer;
        timer.start();
        CIniFile ini;
        QString why;
        EXPECT_EQ(ini.Load(c.path, &why), c.result) << c.path.toStdString();
        EXPECT_LT(timer.elapsed(), 1000);
        EXPECT_EQ(why.isEmpty(), c.result != CIniFile::LoadResult::Refused) << why.toStdString();
        EXPECT_EQ(ini.Value("s", "k").has_value(), c.result == CIniFile::LoadResult::Loaded);
    }
    ::close(writer);
}
} // namespace

// What a value can hold that a line of the file cannot show as it is, escaped and read back.
TEST(IniFile, ValuesAreEscapedAndReadBack) {
    const struct {
        QString value;
        const char* written;
    } cases[] = {
        {"a\\b", "a\\\\b"},
        {"two\nlines\r\n", "two\\nlines\\r\\n"},
        {"tab\there", "tab\\there"},
        {QString("nul") + QChar(0) + "x", "nul\\0x"},
        {" blank ", "\\x20blank\\x20"},
        {"in side", "in side"},
        {QString("bell") + QChar(7), "bell\\x07"},
        {QString("lone") + QChar(0xDC81), "lone\\udc81"},
        {QString::fromUtf8("caf\xc3\xa9 \xf0\x9f\x98\x80"), "caf\xc3\xa9 \xf0\x9f\x98\x80"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CIniFile::Escape(c.value), QString::fromUtf8(c.written)) << c.written;
        EXPECT_EQ(CIniFile::Unescape(QString::fromUtf8(c.written)), c.value) << c.written;
    }
    // Escapes not understood, or cut short, stand for themselves.
    EXPECT_EQ(CIniFile::Unescape("\\q\\xZZ\\"), "q"
                                                "xZZ\\");
}
