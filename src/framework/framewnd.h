// The main window as the windows inside it know it: where they report, and what they hand up to
// it.
#pragma once

#include <QMainWindow>
#include <QStringList>

class CCommandRouter;

class CFrameWnd : public QMainWindow {
    Q_OBJECT
public:
    using QMainWindow::QMainWindow;

    // A transient message in the status bar, with the warning beep when `bBeep`.
    virtual void ShowStatusMessage(const QString& text, bool bBeep) = 0;
    // How far a long operation has come, in percent, in the status bar; -1 takes it away.
    virtual void SetProgress(int percent) = 0;
    // Files dropped on a window inside: opened once the drop and any load under way are over.
    virtual void OnDropFiles(const QStringList& files) = 0;
    // The Edit menu as a context menu at `globalPos`.
    virtual void ShowEditMenu(const QPoint& globalPos) = 0;
    virtual const CCommandRouter& Router() const = 0;
};

// The frame that `widget` is in, or null.
CFrameWnd* GetParentFrame(const QWidget* widget);
