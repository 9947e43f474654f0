#include "view/componentlayout.h"

#include <Qsci/qsciscintillabase.h>

// After the widget's header: the component's own names its messages as macros.
#include <Scintilla.h>

long CComponentLayout::Format(bool draw, const QRect& render, long cpMin, long cpMax) {
    Sci_RangeToFormat fr{m_painter,
                         m_painter,
                         {render.left(), render.top(), render.right() + 1, render.bottom() + 1},
                         {m_page.left(), m_page.top(), m_page.right() + 1, m_page.bottom() + 1},
                         {cpMin, cpMax}};
    return Send(SCI_FORMATRANGE, draw, &fr);
}

long CComponentLayout::LineFromPosition(long pos) const {
    return Send(SCI_LINEFROMPOSITION, static_cast<unsigned long>(pos));
}

long CComponentLayout::LineStart(long line) const {
    return Send(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
}

long CComponentLayout::Length() const {
    return Send(SCI_GETLENGTH);
}

long CComponentLayout::Send(unsigned int msg, unsigned long w, void* p) const {
    return m_control.SendScintilla(msg, w, p);
}
