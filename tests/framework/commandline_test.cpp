#include "app/lumettaapp.h"
#include "app/lumettacommandline.h"

#include <gtest/gtest.h>

namespace {
struct Case {
    QStringList args;
    CCommandLineInfo::ShellCommand command;
    QString file;
    QString profile;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << '"' << c.args.join(' ').toStdString() << '"';
}

class CommandLineTest : public ::testing::TestWithParam<Case> {};

TEST_P(CommandLineTest, ParsesIntoShellCommandFileAndProfile) {
    const Case& c = GetParam();
    CLumettaApp app;
    CLumettaCommandLineInfo info(app);
    info.ParseCommandLine(c.args);
    EXPECT_EQ(info.m_nShellCommand, c.command);
    EXPECT_EQ(info.m_strFileName, c.file);
    EXPECT_EQ(app.GetProfileName(), c.profile);
}

using SC = CCommandLineInfo::ShellCommand;
INSTANTIATE_TEST_SUITE_P(
    Table, CommandLineTest,
    ::testing::Values(
        Case{{}, SC::FileNew, "", "Zorvek"},
        Case{{"notes.txt"}, SC::FileOpen, "notes.txt", "Zorvek"},
        Case{{"S:test", "notes.txt"}, SC::FileOpen, "notes.txt", "Zorvektest"},
        Case{{"notes.txt", "S:test"}, SC::FileOpen, "notes.txt", "Zorvektest"},
        Case{{"/S:test", "notes.txt"}, SC::FileOpen, "notes.txt", "Zorvektest"},
        Case{{"-S:test"}, SC::FileNew, "", "Zorvektest"}, Case{{"S:"}, SC::FileNew, "", "Zorvek"},
        Case{{"s:test"}, SC::FileOpen, "s:test", "Zorvek"},
        Case{{"S:\\notes.txt"}, SC::FileNew, "", "Zorvek"}, // refused: a separator
        Case{{"--", "-notes.txt"}, SC::FileOpen, "-notes.txt", "Zorvek"},
        Case{{"--", "S:x", "/p"}, SC::FileOpen, "S:x", "Zorvek"},
        Case{{"S:x", "--"}, SC::FileNew, "", "Zorvekx"}, Case{{"-"}, SC::FileOpen, "-", "Zorvek"},
        Case{{"/p", "--", "-"}, SC::FilePrint, "-", "Zorvek"},
        Case{{"S:a", "S:b"}, SC::FileNew, "", "Zorvekab"},
        Case{{"/home/me/notes.txt"}, SC::FileOpen, "/home/me/notes.txt", "Zorvek"},
        Case{{"/p", "a.txt"}, SC::FilePrint, "a.txt", "Zorvek"},
        Case{{"-pt", "a.txt", "printer", "drv", "port"}, SC::FilePrintTo, "a.txt", "Zorvek"},
        Case{{"/unREGister"}, SC::AppUnregister, "", "Zorvek"},
        Case{{"-Unregserver"}, SC::AppUnregister, "", "Zorvek"},
        Case{{"/P", "x"}, SC::FileOpen, "/P", "Zorvek"},
        Case{{"-unknown", "a.txt", "b.txt"}, SC::FileOpen, "a.txt", "Zorvek"}),
    [](const ::testing::TestParamInfo<Case>& info) { return "case" + std::to_string(info.index); });

TEST(CommandLine, FurtherFilesAreKeptInOrderAndMissingPrintFilesAreUsageErrors) {
    CCommandLineInfo several;
    several.ParseCommandLine({"a.txt", "-x", "b.txt", "--", "-c.txt", "/d.txt"});
    EXPECT_EQ(several.m_strFileName, "a.txt");
    EXPECT_EQ(several.m_extraFiles, QStringList({"b.txt", "-c.txt", "/d.txt"}));
    EXPECT_EQ(several.UsageError(), "");
    const struct {
        QStringList args;
        const char* error;
    } cases[] = {
        {{"/p"}, "/p needs the name of the file to print"},
        {{"-p", "--"}, "/p needs the name of the file to print"},
        {{"/pt"}, "/pt needs the name of the file to print and a printer"},
        {{"/pt", "f.txt"}, "/pt needs the name of the file to print and a printer"},
        {{"/pt", "f.txt", "out.pdf"}, ""},
        {{"/p", "f.txt"}, ""},
    };
    for (const auto& c : cases) {
        CCommandLineInfo info;
        info.ParseCommandLine(c.args);
        EXPECT_EQ(info.UsageError(), c.error) << c.args.join(' ').toStdString();
    }
}

TEST(CommandLine, AProfileSuffixIsANameAndNothingElse) {
    const struct {
        QString suffix;
        bool valid;
    } cases[] = {
        {"", true},
        {"work", true},
        {"my work-2.old", true},
        {"Ünïcödé", true},
        {QString(64, 'x'), true},
        {QString(65, 'x'), false},
        {QString(33, QChar(0xE9)), false}, // 66 bytes in UTF-8
        {"/../../x", false},
        {"a/b", false},
        {"\\notes.txt", false},
        {"..", false},
        {"a..b", false},
        {QString("a") + QChar(0) + "b", false},
        {"tab\there", false},
        {"line\n", false},
        {QString("del") + QChar(0x7f), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CLumettaCommandLineInfo::IsValidProfileSuffix(c.suffix), c.valid)
            << c.suffix.toStdString();
    // The first refused option is kept for the message; no profile is selected after it.
    CLumettaApp app;
    CLumettaCommandLineInfo info(app);
    info.ParseCommandLine({"S:/../../x", "S:ok", "notes.txt"});
    EXPECT_EQ(info.m_strBadProfileOption, "S:/../../x");
    EXPECT_EQ(app.GetProfileName(), "Zorvek");
}

TEST(CommandLine, PrintToTakesPrinterDriverAndPort) {
    CCommandLineInfo info;
    info.ParseCommandLine({"/pt", "f.txt", "out.pdf", "drv", "port", "extra"});
    EXPECT_EQ(info.m_strPrinterName, "out.pdf");
    EXPECT_EQ(info.m_strDriverName, "drv");
    EXPECT_EQ(info.m_strPortName, "port");
}
} // namespace
