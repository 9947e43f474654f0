#include "view/caretroom.h"

#include "view/textcontrol.h"

#include <Qsci/qsciscintillabase.h>

CCaretRoom::CCaretRoom(CTextControl& control) : QObject(&control), m_control(control) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CCaretRoom::Step);
    connect(&control, &QsciScintillaBase::SCN_UPDATEUI, this, &CCaretRoom::Wake);
    // Edits come by the million in a bulk replacement: each only marks the moment as not idle.
    connect(&control, &QsciScintillaBase::SCN_MODIFIED, this, [this] { m_bEdited = true; });
}

void CCaretRoom::Step() {
    if (m_bEdited) {
        m_bEdited = false;
        m_timer.start(kRestMs);
        return;
    }
    if (m_control.SendScintilla(QsciScintillaBase::SCI_GETREADONLY))
        return; // nothing is typed into it
    if (m_control.Text().PrepareEditAt(m_control.GetCaret(), kSlice) > 0)
        m_timer.start(0);
}
