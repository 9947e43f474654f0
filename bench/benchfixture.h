// A running editor for benchmarks, answering every question with the default.
#pragma once

#include "app/lumettaapp.h"
#include "framework/uiservices.h"

#include <QDialog>

#include <cstdlib>
#include <functional>
#include <memory>

class SilentUi : public CUiServices {
public:
    int MessageBox(const QString&, unsigned flags) override {
        return (flags & 0xF) == MB_YESNOCANCEL ? IDNO : IDOK;
    }
    void MessageBeep(unsigned) override {}
    QString GetOpenFileName(const QString&, const QString&) override { return QString(); }
    QString GetSaveFileName(const QString&, SaveFormat*) override { return saveName; }
    int DoModal(QDialog& dialog) override { return modal ? modal(dialog) : IDCANCEL; }
    bool ChooseFont(QFont&, QColor&) override { return false; }
    bool PageSetup(QPrinter&) override { return false; }
    bool PrintDialog(QPrinter&) override { return false; }
    void PrintPreview(QPrinter&, const std::function<void(QPrinter&)>&) override {}
    QString saveName;
    std::function<int(QDialog&)> modal; // stands in for the user in a dialog; none: cancelled
};

// The file a benchmark works on, named by ZORVEK_BENCH_FILE.
inline QString BenchFile() { return QString::fromLocal8Bit(std::getenv("ZORVEK_BENCH_FILE")); }

struct BenchEditor {
    BenchEditor() {
        SetUi(&ui);
        app.InitInstance({QStringLiteral("S:bench")});
        app.m_bPersistSettings = 0; // each run starts from the same settings
    }
    ~BenchEditor() {
        app.ExitInstance();
        SetUi(nullptr);
    }
    SilentUi ui;
    CLumettaApp app;
};
