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

void PrintTo(const Case& c, std::ostream* os) { *os << '"' << c.args.join(' ').toStdString() << '"'; }

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
        Case{{"-S:test"}, SC::FileNew, "", "Zorvektest"},
        Case{{"S:"}, SC::FileNew, "", "Zorvek"},
        Case{{"s:test"}, SC::FileOpen, "s:test", "Zorvek"},
        Case{{"S:\\notes.txt"}, SC::FileNew, "", "Zorvek\\notes.txt"},
        Case{{"S:a", "S:b"}, SC::FileNew, "", "Zorvekab"},
        Case{{"/home/me/notes.txt"}, SC::FileOpen, "/home/me/notes.txt", "Zorvek"},
        Case{{"/p", "a.txt"}, SC::FilePrint, "a.txt", "Zorvek"},
        Case{{"-pt", "a.txt", "printer", "drv", "port"}, SC::FilePrintTo, "a.txt", "Zorvek"},
        Case{{"/unREGister"}, SC::AppUnregister, "", "Zorvek"},
        Case{{"-Unregserver"}, SC::AppUnregister, "", "Zorvek"},
        Case{{"/P", "x"}, SC::FileOpen, "/P", "Zorvek"},
        Case{{"-unknown", "a.txt", "b.txt"}, SC::FileOpen, "a.txt", "Zorvek"}),
    [](const ::testing::TestParamInfo<Case>& info) { return "case" + std::to_string(info.index); });

TEST(CommandLine, PrintToTakesPrinterDriverAndPort) {
    CCommandLineInfo info;
    info.ParseCommandLine({"/pt", "f.txt", "out.pdf", "drv", "port", "extra"});
    EXPECT_EQ(info.m_strPrinterName, "out.pdf");
    EXPECT_EQ(info.m_strDriverName, "drv");
    EXPECT_EQ(info.m_strPortName, "port");
}
} // namespace
