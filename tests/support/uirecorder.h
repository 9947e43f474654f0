// UI services for tests: records every message box, beep and dialog, and answers from a script.
#pragma once

#include "framework/saveasdialog.h"
#include "framework/uiservices.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QStringList>

#include <deque>
#include <functional>

class QPrinter;

class UiRecorder : public CUiServices {
public:
    struct Box {
        QString text;
        unsigned flags;
    };

    UiRecorder() { SetUi(this); }
    ~UiRecorder() override { SetUi(nullptr); }

    int MessageBox(const QString& text, unsigned flags) override {
        boxes.push_back({text, flags});
        if (boxReplies.empty())
            return (flags & 0xF) == MB_YESNOCANCEL ? IDCANCEL : IDOK;
        const int reply = boxReplies.front();
        boxReplies.pop_front();
        return reply;
    }
    void MessageBeep(unsigned type) override { beeps.push_back(type); }
    QString GetOpenFileName(const QString& title, const QString& folder) override {
        openTitles << title;
        openFolders << folder;
        return PopName();
    }
    QString GetSaveFileName(const QString& initialPath, SaveFormat* format = nullptr) override {
        saveInitials << initialPath;
        if (format) {
            formatsOffered.push_back(*format);
            if (!formatReplies.empty()) {
                formatReplies.front()(*format);
                formatReplies.pop_front();
            }
        }
        return PopName();
    }
    int DoModal(QDialog& dialog) override {
        dialogs << dialog.windowTitle();
        if (dialogReplies.empty())
            return IDCANCEL;
        auto reply = dialogReplies.front();
        dialogReplies.pop_front();
        return reply(dialog);
    }

    bool ChooseFont(QFont& font, QColor& color) override {
        fontsOffered.push_back({font, color});
        if (fontReplies.empty())
            return false;
        font = fontReplies.front().font;
        color = fontReplies.front().color;
        fontReplies.pop_front();
        return true;
    }

    bool PageSetup(QPrinter& printer) override {
        ++pageSetups;
        return pageSetupReply ? pageSetupReply(printer) : false;
    }
    bool PrintDialog(QPrinter& printer) override {
        ++printDialogs;
        return printDialogReply ? printDialogReply(printer) : false;
    }
    void PrintPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) override {
        ++printPreviews;
        if (printPreviewReply)
            printPreviewReply(printer, paint);
    }

    QStringList BoxTexts() const {
        QStringList texts;
        for (const Box& b : boxes)
            texts << b.text;
        return texts;
    }

    std::vector<Box> boxes;
    std::vector<unsigned> beeps;
    QStringList openTitles;
    QStringList openFolders;
    QStringList saveInitials;
    QStringList dialogs;
    std::deque<int> boxReplies;
    std::deque<QString> fileNames; // an empty name cancels the dialog
    std::vector<SaveFormat> formatsOffered; // by each Save As dialog that offered one
    // Stand in for the user's choices of encoding and line ends in Save As; none: kept as offered.
    std::deque<std::function<void(SaveFormat&)>> formatReplies;
    std::deque<std::function<int(QDialog&)>> dialogReplies;
    struct FontChoice {
        QFont font;
        QColor color; // invalid: the automatic colour
    };
    std::vector<FontChoice> fontsOffered;
    std::deque<FontChoice> fontReplies; // none left: the font dialog is cancelled
    int pageSetups = 0;
    int printDialogs = 0;
    std::function<bool(QPrinter&)> pageSetupReply; // none: cancelled
    std::function<bool(QPrinter&)> printDialogReply;
    int printPreviews = 0;
    // Stands in for the user in the preview; none: closed at once.
    std::function<void(QPrinter&, const std::function<void(QPrinter&)>&)> printPreviewReply;

private:
    QString PopName() {
        if (fileNames.empty())
            return QString();
        QString name = fileNames.front();
        fileNames.pop_front();
        return name;
    }
};
