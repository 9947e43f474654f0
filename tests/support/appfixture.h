// A running editor for tests: the application, its frame, document and view, on the offscreen
// platform with a recorded user interface and a settings profile of its own.
#pragma once

#include "app/lumettaapp.h"
#include "document/lumettadoc.h"
#include "frame/mainframe.h"
#include "support/uirecorder.h"
#include "view/lumettaview.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the application with these command-line parameters; returns InitInstance's result.
    bool Start(QStringList args = {});
    // Closes the window and ends the application as a user would; returns the exit code.
    int Stop();

    CLumettaView* View() const { return app->View(); }
    CLumettaDoc* Doc() const { return app->Document(); }
    CMainFrame* Frame() const { return app->MainFrame(); }
    bool Exec(int id) const { return Frame()->Router().Execute(id); }
    bool Enabled(int id) const { return Frame()->Router().Query(id).m_bEnabled; }
    int Checked(int id) const { return Frame()->Router().Query(id).m_nCheck; }

    // Stores a value in this test's profile while the application is not running.
    void StoreInt(const QString& section, const QString& key, int value) const;
    void StoreString(const QString& section, const QString& key, const QString& value) const;

    QString Path(const QString& name) const { return dir.filePath(name); }
    QString WriteFile(const QString& name, const QByteArray& bytes) const;
    static QByteArray ReadFile(const QString& path);
    // Opens a file holding `bytes`, dropping any changes to the text shown before.
    void Open(const QByteArray& bytes);
    CHARRANGE Sel() const;
    // Types text at the caret as keyboard input.
    void Type(const QString& text) const;

    QTemporaryDir dir;
    UiRecorder ui;
    std::unique_ptr<CLumettaApp> app;
    QString profile;                   // unique per test, so that tests do not share settings
    std::vector<QStringList> launched; // further runs of the program the application started
    std::vector<int> cascades;         // and the place of each one's window
};
