// How far a long load has come, in the main window's status bar: once a load has taken longer
// than the delay, its window (shown at once, with the start of the text, when it is still hidden
// and is to be shown) is repainted as the load goes on, while the user's input waits until it is
// over; so waits closing the window.
#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <memory>

class CFrameWnd;
class CTextControl;

class CLoadProgress {
public:
    // `text` is the control loading; `mayShowFrame` lets a hidden frame be shown.
    CLoadProgress(CFrameWnd* frame, CTextControl* text, bool mayShowFrame);
    ~CLoadProgress(); // the progress goes, and the text is drawn again
    CLoadProgress(const CLoadProgress&) = delete;
    CLoadProgress& operator=(const CLoadProgress&) = delete;

    // The load has come this far (0 to 1).
    void Update(double done);

    // How long a load goes on before its progress shows, and then between repaints, in
    // milliseconds.
    static int s_nDelay;

private:
    CFrameWnd* m_pFrame;
    CTextControl* m_pText;
    bool m_bMayShowFrame;
    QElapsedTimer m_clock;
    QElapsedTimer m_sinceShown;
    int m_nPercent = -1; // shown; -1 while nothing is
    bool m_bTextFrozen = false;
    std::unique_ptr<QObject> m_pCloseRefuser; // on the frame while the progress shows
};
