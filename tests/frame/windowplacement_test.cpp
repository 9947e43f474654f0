#include "frame/windowplacement.h"

#include <gtest/gtest.h>

namespace {
const QSize kNormal(800, 600);

TEST(WindowPlacement, StoredRectanglesFitTheScreensThereAre) {
    // A 1280x1024 screen with a 30-pixel panel on top, and a 1024x768 one to its right.
    const QList<QRect> two = {QRect(0, 30, 1280, 994), QRect(1280, 0, 1024, 768)};
    // At a 200 % scale factor the same 1280x1024 screen offers half of it.
    const QList<QRect> scaled = {QRect(0, 0, 640, 512)};
    const struct {
        const char* what;
        PlacementRect stored;
        QList<QRect> screens;
        QRect placed;
    } cases[] = {
        {"fits the first screen", {40, 50, 680, 470}, two, QRect(40, 50, 640, 420)},
        {"fits the second screen", {1300, 10, 2000, 700}, two, QRect(1300, 10, 700, 690)},
        {"huge", {0, 0, 2147483647, 2147483647}, two, QRect(0, 30, 1280, 994)},
        {"most negative", {-2147483647 - 1, -2147483647 - 1, 0, 0}, two, QRect(0, 30, 1280, 994)},
        {"negative size", {500, 400, 100, 100}, two, QRect(480, 400, 800, 600)},
        {"off every screen to the right", {5000, 100, 5600, 500}, two, QRect(1704, 100, 600, 400)},
        {"off every screen above", {100, -900, 700, -500}, two, QRect(100, 30, 600, 400)},
        {"partly on the first, over the panel",
         {1000, 0, 1200, 300},
         two,
         QRect(1000, 30, 200, 300)},
        {"mostly on the second", {1200, 100, 1800, 500}, two, QRect(1280, 100, 600, 400)},
        {"larger than the screen", {0, 0, 1600, 1200}, two, QRect(0, 30, 1280, 994)},
        {"a fresh profile at 200 %", {0, 0, 800, 600}, scaled, QRect(0, 0, 640, 512)},
        {"maximised on a larger desktop", {0, 0, 1920, 1200}, scaled, QRect(0, 0, 640, 512)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitToScreens(c.stored, c.screens, kNormal), c.placed) << c.what;
}

TEST(WindowPlacement, FittingIsWhollyInsideOneScreen) {
    const QList<QRect> two = {QRect(0, 0, 1280, 1024), QRect(1280, 0, 1024, 768)};
    EXPECT_TRUE(FitsOnAScreen(QRect(1280, 0, 1024, 768), two));
    EXPECT_FALSE(FitsOnAScreen(QRect(1200, 0, 200, 100), two)); // across both
    EXPECT_FALSE(FitsOnAScreen(QRect(1876, 1180, 44, 3), two));
}
} // namespace
