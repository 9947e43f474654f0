#include "view/hexpager.h"

#include "framework/file.h"
#include "text/hexdump.h"
#include "view/textcontrol.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>
#include <climits>
#include <vector>

namespace {
using HexDump::kBytesPerLine;
using HexDump::kLineLength;
// A search looks at a small piece of the dump first, as what is looked for is often near, then
// at pieces twice as long each time, up to 16 MiB of the file. A piece also holds the first lines
// of the next, so that a match across the two is found.
constexpr long kFirstPiece = 1L << 14;
constexpr long kMostPiece = 1L << 20;
constexpr long kOverlap = 1024;
} // namespace

CHexPager::CHexPager(CTextControl& view, std::unique_ptr<CReadFile> file)
    : m_view(view), m_pFile(std::move(file)), m_window(m_pFile->GetLength()),
      m_pBar(new QScrollBar(Qt::Vertical, &view)),
      m_nScale(std::max(1L, m_window.TotalLines() / INT_MAX + 1)) {
    m_view.SetPaged(m_pBar->sizeHint().width());
    PlaceBar();
    m_pBar->show();
    connect(m_pBar, &QScrollBar::valueChanged, this, &CHexPager::OnBarMoved);
    connect(&m_view, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int) { Follow(); });
    m_view.installEventFilter(this);
    Show(0, 0, 0);
}

CHexPager::~CHexPager() {
    m_view.removeEventFilter(this);
    delete m_pBar;
    m_view.SetPaged(0);
}

long CHexPager::Length() const {
    return HexDump::DumpLength(m_pFile->GetLength());
}

long CHexPager::Global(long viewPos) const {
    return m_window.First() * kLineLength + viewPos;
}

void CHexPager::GoToLine(long line) {
    const long pos = std::clamp(line, 0L, TotalLines() - 1) * kLineLength;
    Select(pos, pos);
}

void CHexPager::Select(long anchor, long caret) {
    const long line = caret / kLineLength;
    m_window.CentreOn(line);
    Show(anchor, caret, line - m_view.LinesOnScreen() / 2);
}

bool CHexPager::Dump(long first, long end, CTextDocument& into) const {
    // 1 MiB of the file at a time, into buffers kept from one piece to the next: a search
    // through gigabytes then touches no fresh memory but the piece's.
    constexpr long kStep = 1L << 16;
    m_bytes.resize(static_cast<size_t>(kStep * kBytesPerLine));
    m_text.resize(static_cast<size_t>(kStep * kLineLength));
    into.Delete(0, into.Length());
    end = std::min(end, TotalLines());
    for (long line = first; line < end; line += kStep) {
        const int64_t from = int64_t{line} * kBytesPerLine;
        const size_t want = static_cast<size_t>(
            std::min(m_pFile->GetLength(), int64_t{std::min(end, line + kStep)} * kBytesPerLine) -
            from);
        size_t got = 0;
        try {
            got = m_pFile->ReadAt(from, m_bytes.data(), want);
        } catch (const CFileException&) {
            return false;
        }
        const size_t length = HexDump::FormatLines(m_bytes.data(), got, m_text.data());
        if (!into.Append(m_text.data(), static_cast<long>(length)))
            return false;
        if (got < want)
            break; // the file has shrunk: the dump ends with what there is
    }
    return true;
}

void CHexPager::Show(long anchor, long caret, long top) {
    CTextDocument part =
        CTextDocument::WithRoom(static_cast<size_t>(m_window.Count() * kLineLength));
    if (!Dump(m_window.First(), m_window.First() + m_window.Count(), part))
        return; // the file cannot be read there: the view keeps what it shows
    const long base = m_window.First() * kLineLength;
    const auto local = [&](long pos) { return std::clamp(pos - base, 0L, part.Length()); };
    m_bShowing = true;
    m_view.ShowDumpPart(part, local(anchor), local(caret),
                        std::clamp(top - m_window.First(), 0L, m_window.Count()));
    m_pShown = m_view.DocumentShown();
    m_bShowing = false;
    UpdateBar();
}

void CHexPager::Follow() {
    if (m_bShowing || m_view.DocumentShown() != m_pShown)
        return; // not the dump's window: a load is under way
    const long top = m_window.First() + m_view.FirstVisibleLine();
    const long anchor = Global(m_view.GetAnchor());
    const long caret = Global(m_view.GetCaret());
    if (m_window.Follow(top, m_view.LinesOnScreen()))
        Show(anchor, caret, top);
    else
        UpdateBar();
}

void CHexPager::PlaceBar() {
    const QRect area = m_view.viewport()->geometry();
    m_pBar->setGeometry(area.right() + 1, area.top(), m_pBar->sizeHint().width(), area.height());
}

void CHexPager::UpdateBar() {
    const QSignalBlocker quiet(m_pBar);
    const long screen = std::max(1L, m_view.LinesOnScreen());
    m_pBar->setRange(0, static_cast<int>(std::max(0L, TotalLines() - screen) / m_nScale));
    m_pBar->setPageStep(static_cast<int>(std::max(1L, screen / m_nScale)));
    m_pBar->setValue(static_cast<int>((m_window.First() + m_view.FirstVisibleLine()) / m_nScale));
}

void CHexPager::OnBarMoved(int value) {
    const long top = long{value} * m_nScale;
    const long screen = m_view.LinesOnScreen();
    const long anchor = Global(m_view.GetAnchor());
    const long caret = Global(m_view.GetCaret());
    if (top < m_window.First() || top + screen > m_window.First() + m_window.Count())
        m_window.CentreOn(top + screen / 2);
    else if (!m_window.Follow(top, screen)) {
        m_view.SetFirstVisibleLine(top - m_window.First());
        return;
    }
    Show(anchor, caret, top);
}

bool CHexPager::eventFilter(QObject* watched, QEvent* e) {
    if (watched != &m_view)
        return false;
    if (e->type() == QEvent::Resize) {
        // The view lays its parts out after this: the bar follows once it has.
        QMetaObject::invokeMethod(
            this,
            [this] {
                PlaceBar();
                Follow();
            },
            Qt::QueuedConnection);
    } else if (e->type() == QEvent::KeyPress) {
        // Ctrl+Home and Ctrl+End go to the ends of the whole dump: the window moves there
        // first, and the key does the rest.
        const auto* key = static_cast<QKeyEvent*>(e);
        if ((key->modifiers() & Qt::ControlModifier) &&
            (key->key() == Qt::Key_Home || key->key() == Qt::Key_End)) {
            const long anchor = Global(m_view.GetAnchor());
            const long caret = Global(m_view.GetCaret());
            const long top = m_window.First() + m_view.FirstVisibleLine();
            const long before = m_window.First();
            m_window.CentreOn(key->key() == Qt::Key_Home ? 0 : TotalLines() - 1);
            if (m_window.First() != before)
                Show(anchor, caret, top);
        }
    }
    return false;
}

long CHexPager::Find(const QByteArray& needle, SearchOptions options, bool backwards, long cpMin,
                     long cpMax, long* matchEnd,
                     const std::function<bool(double)>& cancelled) const {
    cpMax = cpMax < 0 ? Length() : std::min(cpMax, Length());
    cpMin = std::max(0L, cpMin);
    const long first = cpMin / kLineLength;
    const long end = (cpMax + kLineLength - 1) / kLineLength;
    const long overlap = std::max(kOverlap, static_cast<long>(needle.size()) / kLineLength + 2);
    const double lines = std::max(1L, end - first);
    CTextDocument piece = CTextDocument::WithRoom(
        static_cast<size_t>(std::min(end - first, kMostPiece + overlap) * kLineLength));
    long size = kFirstPiece;
    for (long done = 0; done < end - first; done += size, size = std::min(2 * size, kMostPiece)) {
        if (cancelled(done / lines))
            return -2;
        // Forwards, a piece starts where the last one did not reach; backwards, it ends there.
        const long from = backwards ? std::max(first, end - done - size) : first + done;
        const long to = backwards ? end - done : std::min(end, from + size);
        const long pieceFirst = backwards ? std::max(0L, from - overlap) : from;
        const long pieceEnd = backwards ? to : std::min(end, to + overlap);
        if (!Dump(pieceFirst, pieceEnd, piece))
            return -1;
        const long base = pieceFirst * kLineLength;
        long pieceMatchEnd = -1;
        const long p =
            m_search.Find(piece, needle, options, std::max(0L, cpMin - base),
                          std::min(cpMax - base, piece.Length()), backwards, &pieceMatchEnd);
        if (p >= 0) {
            if (matchEnd)
                *matchEnd = base + pieceMatchEnd;
            return base + p;
        }
        if (!m_search.Failure().isEmpty())
            return -1;
    }
    return -1;
}
