// Runs the tests inside one application object on Qt's offscreen platform, with the settings
// store in a scratch folder.
#include "framework/profilestore.h"
#include "support/editchild.h"
#include "support/savechild.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    const int childExit = RunSaveChild(argc, argv);
    if (childExit >= 0)
        return childExit;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const int editExit = RunEditChild(argc, argv);
    if (editExit >= 0)
        return editExit;
    QApplication app(argc, argv);
    QTemporaryDir config;
    CProfileStore::SetConfigRoot(config.path());
    qputenv("ZORVEK_TEST_CONFIG", config.path().toUtf8());
    // Records of interrupted saves go there too, never to the user's own.
    qputenv("XDG_STATE_HOME", (config.path() + QStringLiteral("/state")).toUtf8());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
