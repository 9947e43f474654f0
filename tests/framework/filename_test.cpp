#include "framework/filename.h"
#include "resources/resource.h"
#include "support/appfixture.h"

#include <QDir>
#include <QFile>
#include <QMimeData>

#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {
TEST(FileName, EveryByteOfANameComesBack) {
    const QByteArray names[] = {
        "plain.txt",
        "caf\xc3\xa9.txt",
        "caf\xe9.txt",
        "\xff\xfe",
        "cut\xc3",
        "\xed\xa0\x80",              // an encoded surrogate is no UTF-8
        "\xf0\x9f\x98\x80 \xe9\xe9", // a character beyond the BMP, then stray bytes
    };
    for (const QByteArray& n : names)
        EXPECT_EQ(FileNameToBytes(FileNameFromBytes(n)), n) << n.toHex().toStdString();
    std::mt19937 rng(5);
    for (int i = 0; i < 500; ++i) {
        QByteArray n(1 + rng() % 12, '\0');
        for (char& c : n)
            c = static_cast<char>(1 + rng() % 255);
        ASSERT_EQ(FileNameToBytes(FileNameFromBytes(n)), n) << n.toHex().toStdString();
    }
    EXPECT_EQ(FileNameFromBytes("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_EQ(DisplayFileName(FileNameFromBytes("caf\xe9.txt")),
              QString::fromUtf8("caf\xef\xbf\xbd.txt"));
}

TEST(FileName, DroppedNamesKeepTheirBytes) {
    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"),
                 "# a comment\r\nfile:///tmp/caf%E9.txt\r\nfile://host/x%20y\r\nhttp://a/b\r\n");
    EXPECT_EQ(LocalFilesOf(&data),
              QStringList({FileNameFromBytes("/tmp/caf\xe9.txt"), QStringLiteral("/x y")}));
}

using FileNameAppTest = AppFixture;

// A name that is no UTF-8, from the command line, a file dialog and the recent-file list.
TEST_F(FileNameAppTest, ANameThatIsNoUtf8OpensSavesAndIsRemembered) {
    const QByteArray folder = FileNameToBytes(dir.path());
    const QByteArray bytes = folder + "/caf\xe9.txt";
    const int fd = ::open(bytes.constData(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "hello", 5), 5);
    ::close(fd);
    const QString name = FileNameFromBytes(bytes);

    ASSERT_TRUE(Start({name}));
    EXPECT_EQ(View()->GetText(), "hello");
    EXPECT_EQ(Frame()->windowTitle(),
              QString::fromUtf8("caf\xef\xbf\xbd.txt @ ") + dir.path() + "/");
    Type("X");
    ASSERT_TRUE(Exec(ID_FILE_SAVE));
    EXPECT_FALSE(QFile::exists(Path(QString::fromUtf8("caf\xef\xbf\xbd.txt")))); // no lossy twin
    char back[16] = {};
    const int rd = ::open(bytes.constData(), O_RDONLY);
    ASSERT_GE(rd, 0);
    EXPECT_EQ(::read(rd, back, sizeof back), 6);
    ::close(rd);
    EXPECT_STREQ(back, "Xhello");
    EXPECT_TRUE(ui.boxes.empty()) << ui.BoxTexts().join("|").toStdString();

    // What a file dialog gives, decoded by Qt with a replacement mark, is the same file.
    EXPECT_EQ(ResolveDecodedPath(dir.path() + QString::fromUtf8("/caf\xef\xbf\xbd.txt")), name);

    // The recent-file list keeps the name through the settings store.
    ASSERT_TRUE(Exec(ID_FILE_NEW));
    Stop();
    ASSERT_TRUE(Start());
    ASSERT_GE(app->RecentFiles().GetCount(), 1);
    EXPECT_EQ(app->RecentFiles()[0], name);
    EXPECT_EQ(app->RecentFiles().GetMenuText(0).endsWith(QString::fromUtf8("caf\xef\xbf\xbd.txt")),
              true);
    ASSERT_TRUE(Exec(ID_FILE_MRU_FILE1));
    EXPECT_EQ(View()->GetText(), "Xhello");
}
// The same by a name relative to the working folder, and through a symbolic link whose name and
// target are no UTF-8 either: the link stays a link, the file it names is saved.
TEST_F(FileNameAppTest, RelativeNamesAndLinksThatAreNoUtf8KeepTheirBytes) {
    const QByteArray folder = FileNameToBytes(dir.path());
    const auto write = [](const QByteArray& file, const QByteArray& text) {
        const int fd = ::open(file.constData(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, text.constData(), text.size()), text.size());
        ::close(fd);
    };
    const auto read = [](const QByteArray& file) {
        QByteArray text(64, '\0');
        const int fd = ::open(file.constData(), O_RDONLY);
        text.truncate(fd < 0 ? 0 : std::max<ssize_t>(0, ::read(fd, text.data(), text.size())));
        ::close(fd);
        return text;
    };
    write(folder + "/caf\xe9.txt", "hello");
    ASSERT_EQ(::symlink("caf\xe9.txt", (folder + "/l\xe9nk").constData()), 0);
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    for (const QByteArray& relative : {QByteArray("caf\xe9.txt"), QByteArray("./l\xe9nk")}) {
        ASSERT_TRUE(Start({FileNameFromBytes(relative)}));
        const QString full =
            FileNameFromBytes(folder + '/' + relative.mid(relative.indexOf('/') + 1));
        EXPECT_EQ(Doc()->GetPathName(), full);
        Type("X");
        EXPECT_TRUE(Exec(ID_FILE_SAVE));
        EXPECT_TRUE(ui.saveInitials.empty()) << "Save As was offered";
        EXPECT_TRUE(ui.boxes.empty()) << ui.BoxTexts().join("|").toStdString();
        ASSERT_TRUE(Exec(ID_FILE_NEW));
        Stop();
        ASSERT_TRUE(Start());
        EXPECT_EQ(app->RecentFiles()[0], full);
        Stop();
    }
    QDir::setCurrent(before);
    EXPECT_EQ(read(folder + "/caf\xe9.txt"), "XXhello");
    struct stat st {};
    ASSERT_EQ(::lstat((folder + "/l\xe9nk").constData(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}
} // namespace
