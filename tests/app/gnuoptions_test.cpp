#include "app/gnuoptions.h"
#include "resources/resource.h"
#include "support/appfixture.h"

#include <QApplication>

namespace {
TEST(GnuOptions, HelpVersionAndUnknownOptions) {
    EXPECT_FALSE(HandleGnuOptions({"file.txt", "/p", "-S:x"}).handled);
    const GnuOptionsResult help = HandleGnuOptions({"notes.txt", "--help"});
    EXPECT_TRUE(help.handled);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: zorvek [SWITCH]... [--] [FILE]...\n"));
    EXPECT_FALSE(HandleGnuOptions({"--", "--help"}).handled); // a file called --help
    for (const char* sw : {"S:SUFFIX", "/p FILE", "/pt FILE PRINTER DRIVER PORT", "/Unregister"})
        EXPECT_TRUE(help.out.contains(sw)) << sw;
    const GnuOptionsResult version = HandleGnuOptions({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("zorvek 1.0.0\n"));
    // The short forms, as most programs take them.
    EXPECT_EQ(HandleGnuOptions({"-h"}).out, help.out);
    EXPECT_EQ(HandleGnuOptions({"f.txt", "-v"}).out, version.out);
    EXPECT_FALSE(HandleGnuOptions({"--", "-v"}).handled);
    const GnuOptionsResult bad = HandleGnuOptions({"--frobnicate"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.out.isEmpty());
    EXPECT_EQ(bad.err, "zorvek: unrecognized option '--frobnicate'\n"
                       "Try 'zorvek --help' for more information.\n");
}

using PaletteTest = AppFixture;

TEST_F(PaletteTest, TheEditorFollowsTheDesktopsColours) {
    ASSERT_TRUE(Start());
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Window, QColor(55, 55, 55));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    QApplication::setPalette(dark);
    QApplication::processEvents();
    auto back = [&] {
        return QColor(static_cast<QRgb>(
                          View()->SendScintilla(QsciScintillaBase::SCI_STYLEGETBACK, 0UL)))
            .lightness();
    };
    auto fore = [&] {
        return QColor(static_cast<QRgb>(
                          View()->SendScintilla(QsciScintillaBase::SCI_STYLEGETFORE, 0UL)))
            .lightness();
    };
    EXPECT_LT(back(), 60);
    EXPECT_GT(fore(), 200);
    const int editable = back();
    Exec(ID_VIEW_READONLY);
    EXPECT_LT(back(), 80);
    EXPECT_NE(back(), editable); // read-only stays distinct
    // Our own toolbar icons are drawn in the palette's ink: light on dark.
    const auto inkOfHexIcon = [&] {
        const QImage icon = Frame()
                                ->Action(ID_VIEW_HEX)
                                ->icon()
                                .pixmap(16, 16)
                                .toImage()
                                .convertToFormat(QImage::Format_ARGB32);
        int darkest = 255, lightest = 0;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x)
                if (qAlpha(icon.pixel(x, y)) > 200) {
                    darkest = std::min(darkest, qGray(icon.pixel(x, y)));
                    lightest = std::max(lightest, qGray(icon.pixel(x, y)));
                }
        return std::pair{darkest, lightest};
    };
    EXPECT_GT(inkOfHexIcon().first, 150);
    QApplication::setPalette(light);
    QApplication::processEvents();
    EXPECT_GT(back(), 150);
    EXPECT_LT(inkOfHexIcon().second, 100);
}
} // namespace
