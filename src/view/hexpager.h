// The hexadecimal dump of a big file, shown a window at a time (see CHexWindow): the view holds
// the dump of the lines around those in view, made from the file's bytes as the view moves, and
// a scroll bar of the pager's own spans the whole dump. Positions the pager takes and gives
// outside the view are those of the whole dump.
#pragma once

#include "text/hexwindow.h"
#include "text/textsearch.h"

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class CReadFile;
class CTextControl;
class QScrollBar;

class CHexPager : public QObject {
public:
    // Shows the start of the dump of `file` in `view`.
    CHexPager(CTextControl& view, std::unique_ptr<CReadFile> file);
    // The view's text stays; the component's scroll bar comes back.
    ~CHexPager() override;

    long TotalLines() const { return m_window.TotalLines(); }
    // The line of the whole dump that the view's line 0 is.
    long FirstLine() const { return m_window.First(); }
    // The caret to the start of `line`, in the middle of the view.
    void GoToLine(long line);
    // The first match (with `backwards`, the last) lying wholly inside [cpMin, cpMax) of the
    // whole dump (a negative cpMax: its end), looked for a piece of the dump at a time; -1 when
    // there is none, -2 when `cancelled`, asked before each piece, said to stop.
    long Find(const QByteArray& needle, SearchOptions options, bool backwards, long cpMin,
              long cpMax, long* matchEnd, const std::function<bool(double)>& cancelled) const;
    // Why the last search of a regular expression gave up, as CTextSearch::Failure.
    QString Failure() const { return m_search.Failure(); }
    // Shows the dump from `anchor` to `caret` selected.
    void Select(long anchor, long caret);
    // The length of the whole dump, and the view's positions in it.
    long Length() const;
    long Global(long viewPos) const;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // The dump of the window, shown with the selection and top line given in the whole dump.
    void Show(long anchor, long caret, long top);
    // Moves the window when the view comes near one of its ends.
    void Follow();
    void PlaceBar();
    void UpdateBar();
    void OnBarMoved(int value);
    // The dump of lines [first, end) of the whole dump, in place of what `into` held; false
    // when the file could not be read.
    bool Dump(long first, long end, CTextDocument& into) const;

    CTextControl& m_view;
    std::unique_ptr<CReadFile> m_pFile;
    CHexWindow m_window;
    void* m_pShown = nullptr; // the document that holds the window
    QScrollBar* m_pBar;       // owned by the view
    long m_nScale;            // dump lines a step of the scroll bar stands for
    bool m_bShowing = false;
    mutable CTextSearch m_search;
    mutable std::vector<uint8_t> m_bytes; // what Dump reads and makes
    mutable std::vector<char> m_text;
};
