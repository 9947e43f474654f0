#include "framework/profilestore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
class ProfileStoreTest : public ::testing::Test {
protected:
    void SetUp() override { CProfileStore::SetConfigRoot(root.path()); }
    void TearDown() override { CProfileStore::SetConfigRoot(qEnvironmentVariable("ZORVEK_TEST_CONFIG")); }
    QTemporaryDir root;
};

TEST_F(ProfileStoreTest, SectionsKeepTheirNamesAndValuesReadBackExactly) {
    const QString tricky = QStringLiteral("line 1\nline 2\r\n\ttab \\ back=slash  ");
    {
        CProfileStore store("Vantreth Plc", "Zorvek");
        store.WriteProfileInt("Editor/Viewer Settings", "nTabWidth", 7);
        store.WriteProfileString("Search & Replace Settings", "0", tricky);
        store.WriteProfileInt("Editor/Viewer Settings", "neg", -2147483647 - 1);
        store.Flush();
    }
    const QString file = root.filePath("Vantreth Plc/Zorvek.conf");
    const QByteArray text = [&] {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    EXPECT_TRUE(text.contains("[Editor/Viewer Settings]\n"));
    EXPECT_TRUE(text.contains("nTabWidth=7\n"));

    CProfileStore store("Vantreth Plc", "Zorvek");
    EXPECT_EQ(store.GetProfileInt("Editor/Viewer Settings", "nTabWidth", 3), 7);
    EXPECT_EQ(store.GetProfileInt("Editor/Viewer Settings", "neg", 0), -2147483647 - 1);
    EXPECT_EQ(store.GetProfileString("Search & Replace Settings", "0"), tricky);
    EXPECT_EQ(store.GetProfileInt("Editor/Viewer Settings", "missing", 42), 42);
    EXPECT_EQ(store.GetProfileString("Nowhere", "x", "dflt"), "dflt");
}

TEST_F(ProfileStoreTest, CorruptLinesAreIgnoredAndNonNumbersReadAsTheDefault) {
    QDir(root.path()).mkpath("Vantreth Plc");
    QFile f(root.filePath("Vantreth Plc/Zorvek.conf"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("garbage before any section\n[S]\nn=12abc\nok=5\n=novalue\n[broken\n\xff\xfe\n");
    f.close();
    CProfileStore store("Vantreth Plc", "Zorvek");
    EXPECT_EQ(store.GetProfileInt("S", "n", 9), 9);
    EXPECT_EQ(store.GetProfileInt("S", "ok", 9), 5);
}

TEST_F(ProfileStoreTest, ProfilesLiveInTheirOwnFilesAndRemovalCleansTheCompanyFolder) {
    CProfileStore work("Vantreth Plc", "Zorvekwork");
    work.WriteProfileInt("A", "k", 1);
    work.Flush();
    EXPECT_TRUE(QFile::exists(root.filePath("Vantreth Plc/Zorvekwork.conf")));
    CProfileStore other("Vantreth Plc", "Zorvek");
    EXPECT_EQ(other.GetProfileInt("A", "k", 0), 0);
    work.RemoveProfile();
    EXPECT_FALSE(QFile::exists(root.filePath("Vantreth Plc/Zorvekwork.conf")));
    EXPECT_FALSE(QDir(root.filePath("Vantreth Plc")).exists());
}
} // namespace
