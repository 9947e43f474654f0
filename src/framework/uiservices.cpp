#include "framework/uiservices.h"

#include "framework/filename.h"
#include "framework/fontdialog.h"
#include "framework/messages.h"
#include "framework/saveasdialog.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace {
CUiServices* g_ui = nullptr;
QString g_appTitle;

QString FileFilter() { return QString::fromUtf8(Str::AllFilesFilter); }
} // namespace

CUiServices& Ui() {
    static CQtUiServices qt;
    return g_ui ? *g_ui : qt;
}

void SetUi(CUiServices* ui) { g_ui = ui; }

void SetAppTitle(const QString& title) { g_appTitle = title; }

QWidget* DialogParent() {
    if (QWidget* w = QApplication::activeWindow())
        return w;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->inherits("QMainWindow"))
            return w;
    return nullptr;
}

int CQtUiServices::MessageBox(const QString& text, unsigned flags) {
    QMessageBox box(DialogParent());
    box.setWindowTitle(g_appTitle);
    box.setText(text);
    if ((flags & 0xF0) == MB_ICONEXCLAMATION)
        box.setIcon(QMessageBox::Warning);
    else if ((flags & 0xF0) == MB_ICONINFORMATION)
        box.setIcon(QMessageBox::Information);
    else if ((flags & 0xF0) == MB_ICONQUESTION)
        box.setIcon(QMessageBox::Question);
    if ((flags & 0xF) == MB_YESNOCANCEL) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton((flags & MB_DEFBUTTON2) ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
    } else if ((flags & 0xF) == MB_YESNODISCARD) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Discard);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else if ((flags & 0xF) == MB_YESNO) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton((flags & MB_DEFBUTTON2) ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Cancel: return IDCANCEL;
    case QMessageBox::Discard: return IDDISCARD;
    default: return IDOK;
    }
}

void CQtUiServices::MessageBeep(unsigned) { QApplication::beep(); }

QString CQtUiServices::GetOpenFileName(const QString& title, const QString& folder) {
    return ResolveDecodedPath(
        QFileDialog::getOpenFileName(DialogParent(), title, folder, FileFilter()));
}

QString CQtUiServices::GetSaveFileName(const QString& initialPath, SaveFormat* format) {
    if (!format)
        return ResolveDecodedPath(
            QFileDialog::getSaveFileName(DialogParent(), QString(), initialPath, FileFilter()));
    CSaveAsDialog dialog(DialogParent(), initialPath, FileFilter(), *format);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    *format = dialog.GetFormat();
    return ResolveDecodedPath(dialog.selectedFiles().front());
}

int CQtUiServices::DoModal(QDialog& dialog) { return dialog.exec(); }

bool CQtUiServices::PageSetup(QPrinter& printer) {
    QPageSetupDialog dialog(&printer, DialogParent());
    return dialog.exec() == QDialog::Accepted;
}

bool CQtUiServices::PrintDialog(QPrinter& printer) {
    QPrintDialog dialog(&printer, DialogParent());
    return dialog.exec() == QDialog::Accepted;
}

void CQtUiServices::PrintPreview(QPrinter& printer, const std::function<void(QPrinter&)>& paint) {
    QPrintPreviewDialog dialog(&printer, DialogParent());
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested,
                     [&paint](QPrinter* target) { paint(*target); });
    dialog.exec();
}

bool CQtUiServices::ChooseFont(QFont& font, QColor& color) {
    CFontDialog dialog(font, color, DialogParent());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    font = dialog.GetFont();
    color = dialog.GetColor();
    return true;
}
