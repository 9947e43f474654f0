// Every modal interaction with the user goes through this interface: message boxes, the warning
// beep, the file dialogs and modal dialogs. Tests install a recorder that answers from a script.
#pragma once

#include <QString>

#include <functional>

class QColor;
class QDialog;
class QFont;
class QPrinter;
class QWidget;
struct SaveFormat;

enum : unsigned {
    MB_OK = 0x0,
    MB_YESNOCANCEL = 0x3,
    MB_YESNO = 0x4,
    MB_YESNODISCARD = 0x7, // Yes, No and Discard

    MB_ICONQUESTION = 0x20,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_DEFBUTTON2 = 0x100, // the second button (No) is the default
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7, IDDISCARD = 100 };

class CUiServices {
public:
    virtual ~CUiServices() = default;
    // Shows a message box; returns the button pressed (IDOK, IDYES, IDNO, IDCANCEL, IDDISCARD).
    virtual int MessageBox(const QString& text, unsigned flags) = 0;
    virtual void MessageBeep(unsigned type) = 0;
    // Asks for an existing file, starting in `folder` (the working folder when empty); an empty
    // result means the user cancelled.
    virtual QString GetOpenFileName(const QString& title, const QString& folder) = 0;
    // Asks for a name to save under; an empty result means the user cancelled. With a `format`,
    // the dialog also offers the encoding and the line ends, from those given, and gives back
    // those chosen.
    virtual QString GetSaveFileName(const QString& initialPath, SaveFormat* format = nullptr) = 0;
    // Runs a dialog modally and returns its result code.
    virtual int DoModal(QDialog& dialog) = 0;
    // Lets the user choose a font and a text colour (invalid: the automatic colour), starting
    // from `font` and `color`; false when cancelled.
    virtual bool ChooseFont(QFont& font, QColor& color) = 0;
    // The page-setup dialog for `printer`, its margins included; false when cancelled.
    virtual bool PageSetup(QPrinter& printer) = 0;
    // The print dialog, to choose a printer when none is set up; false when cancelled.
    virtual bool PrintDialog(QPrinter& printer) = 0;
    // Shows the pages that `paint` draws on `printer` with zoom and page navigation; printing
    // from there asks for the printer and calls `paint` once more on it.
    virtual void PrintPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) = 0;
};

CUiServices& Ui();
// Installs `ui` (not owned) as the services for everything that follows; null restores Qt's.
void SetUi(CUiServices* ui);
// The application's name, which message boxes carry as their title.
void SetAppTitle(const QString& title);

class CQtUiServices : public CUiServices {
public:
    int MessageBox(const QString& text, unsigned flags) override;
    void MessageBeep(unsigned type) override;
    QString GetOpenFileName(const QString& title, const QString& folder) override;
    QString GetSaveFileName(const QString& initialPath, SaveFormat* format = nullptr) override;
    int DoModal(QDialog& dialog) override;
    bool ChooseFont(QFont& font, QColor& color) override;
    bool PageSetup(QPrinter& printer) override;
    bool PrintDialog(QPrinter& printer) override;
    void PrintPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) override;
};

// The window that message boxes and file dialogs belong to.
QWidget* DialogParent();
