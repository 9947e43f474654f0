#include "view/loadprogress.h"

#include "framework/framewnd.h"
#include "view/textcontrol.h"

#include <QApplication>

int CLoadProgress::s_nDelay = 100;

namespace {
// Closing the window in the middle of a load would ask about saving the text that the load is
// replacing, or take the window away under it: the close is refused until the load is over.
class CCloseRefuser : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::Close)
            return false;
        e->ignore();
        return true;
    }
};
} // namespace

CLoadProgress::CLoadProgress(CFrameWnd* frame, CTextControl* text, bool mayShowFrame)
    : m_pFrame(frame), m_pText(text), m_bMayShowFrame(mayShowFrame) {
    m_clock.start();
}

CLoadProgress::~CLoadProgress() {
    if (m_nPercent < 0)
        return;
    m_pFrame->SetProgress(-1);
    m_pFrame->removeEventFilter(m_pCloseRefuser.get());
    if (m_bTextFrozen)
        m_pText->setUpdatesEnabled(true);
}

void CLoadProgress::Update(double done) {
    if (!m_pFrame || m_clock.elapsed() < s_nDelay)
        return;
    // The bar never goes back (reading can turn out to be only half the work), and repainting
    // takes time from the load: once per delay is enough to see it move.
    const int percent = static_cast<int>(done * 100);
    if (percent <= m_nPercent || (m_nPercent >= 0 && m_sinceShown.elapsed() < s_nDelay))
        return;
    m_sinceShown.start();
    if (m_nPercent < 0) {
        if (!m_pFrame->isVisible()) {
            if (!m_bMayShowFrame)
                return;
            // A file opened at start-up: its window shows now, with the start of its text.
            m_pText->ShowLoadHead();
            m_pFrame->show();
        } else if (m_pText->updatesEnabled()) {
            // Until the new text is attached, the component would draw the old one wrongly.
            m_pText->setUpdatesEnabled(false);
            m_bTextFrozen = true;
        }
    }
    if (!m_pCloseRefuser) {
        m_pCloseRefuser = std::make_unique<CCloseRefuser>();
        m_pFrame->installEventFilter(m_pCloseRefuser.get());
    }
    m_nPercent = percent;
    m_pFrame->SetProgress(percent);
    // Repaints only: no input, and no timers, so that the editor's idle work waits too.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::X11ExcludeTimers);
}
