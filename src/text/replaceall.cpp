#include "text/replaceall.h"

#include <algorithm>
#include <cstdlib>

long SwapBulk(CTextDocument& doc, BulkRecord& record, bool backwards) {
    doc.SetUndoCollection(false);
    // Each piece was applied to the text the pieces before it left: they are undone from the
    // last, and redone from the first.
    const auto swap = [&doc](BulkBatch& batch) {
        const char* now = doc.RangePointer(batch.start, batch.newLength);
        QByteArray text;
        QByteArray replaced;
        long at = 0;
        long other = 0;
        for (BulkBatch::Edit& e : batch.edits) {
            text.append(now + at, e.offset - at);
            replaced.append(now + e.offset, e.newLength);
            const long offset = static_cast<long>(text.size());
            text.append(batch.originals.constData() + other, e.oldLength);
            other += e.oldLength;
            at = e.offset + e.newLength;
            e = BulkBatch::Edit{offset, e.oldLength, e.newLength};
        }
        text.append(now + at, batch.newLength - at);
        doc.ReplaceSpan(batch.start, batch.newLength, text, batch.edits);
        batch.newLength = static_cast<long>(text.size());
        batch.originals = std::move(replaced);
    };
    if (backwards)
        std::for_each(record.rbegin(), record.rend(), swap);
    else
        std::for_each(record.begin(), record.end(), swap);
    doc.SetUndoCollection(true);
    return std::min(record.front().start, record.back().start);
}

CBulkReplace::CBulkReplace(CTextDocument doc) : m_doc(std::move(doc)) {
    m_doc.SetUndoCollection(false);
}

CBulkReplace::~CBulkReplace() {
    m_doc.SetUndoCollection(true);
}

void CBulkReplace::Replace(long pos, long length, const QByteArray& with) {
    m_queue.push_back(
        {pos, length, static_cast<long>(m_text.size()), static_cast<long>(with.size())});
    m_text += with;
    m_nShift += with.size() - length;
}

bool CBulkReplace::Full() const {
    return !m_queue.empty() &&
           (m_queue.size() >= kMaxQueuedEdits ||
            std::abs(m_queue.back().pos - m_queue.front().pos) >= kMaxQueuedSpan);
}

void CBulkReplace::Flush() {
    if (m_queue.empty())
        return;
    if (m_queue.front().pos > m_queue.back().pos)
        std::reverse(m_queue.begin(), m_queue.end());
    const long start = m_queue.front().pos;
    const long oldEnd = m_queue.back().pos + m_queue.back().oldLength;
    const char* old = m_doc.RangePointer(start, oldEnd - start);
    BulkBatch batch{start, 0, {}, {}};
    batch.edits.reserve(m_queue.size());
    QByteArray text;
    text.reserve(oldEnd - start + m_nShift);
    long at = start;
    for (const Queued& e : m_queue) {
        text.append(old + (at - start), e.pos - at);
        batch.edits.push_back({static_cast<long>(text.size()), e.withLength, e.oldLength});
        batch.originals.append(old + (e.pos - start), e.oldLength);
        text.append(m_text.constData() + e.withOffset, e.withLength);
        at = e.pos + e.oldLength;
    }
    batch.newLength = static_cast<long>(text.size());
    m_doc.ReplaceSpan(start, oldEnd - start, text, batch.edits);
    m_record.push_back(std::move(batch));
    m_queue.clear();
    m_text.clear();
    m_nShift = 0;
}

void CBulkReplace::FlushAwayFrom(long pos, long context) {
    const auto near = [pos, context](const Queued& e) {
        return e.pos + e.oldLength + context > pos && e.pos < pos + context;
    };
    const auto firstNear = std::find_if(m_queue.begin(), m_queue.end(), near);
    if (firstNear == m_queue.begin())
        return;
    std::vector<Queued> rest(firstNear, m_queue.end());
    m_queue.erase(firstNear, m_queue.end());
    QByteArray restText;
    long restShift = 0;
    if (!rest.empty()) {
        const long offset = rest.front().withOffset;
        restText = m_text.mid(offset);
        m_text.truncate(offset);
        for (Queued& e : rest) {
            e.withOffset -= offset;
            restShift += e.withLength - e.oldLength;
        }
    }
    const long start = std::min(m_queue.front().pos, m_queue.back().pos);
    const long shift = m_nShift - restShift;
    Flush();
    // What is still queued lies on one side of what was applied: after it, it has moved.
    for (Queued& e : rest) {
        if (e.pos >= start)
            e.pos += shift;
    }
    m_queue = std::move(rest);
    m_text = std::move(restText);
    m_nShift = restShift;
}

BulkRecord CBulkReplace::Finish() {
    Flush();
    return std::move(m_record);
}

void CBulkReplace::Cancel() {
    m_queue.clear();
    m_text.clear();
    m_nShift = 0;
    if (!m_record.empty())
        SwapBulk(m_doc, m_record, true);
    m_record.clear();
    m_doc.SetUndoCollection(false);
}

long MovedRangeEnd(long rangeStart, long rangeEnd, long end, long delta) {
    return rangeEnd != -1 && end >= rangeStart && end <= rangeEnd + delta ? rangeEnd + delta
                                                                          : rangeEnd;
}

ReplaceAllResult ReplaceAll(CTextDocument& doc, const CTextSearch& search,
                            const ReplaceAllRequest& r,
                            const std::function<bool(double)>& cancelled) {
    // `selMin`, `selMax` and `limit` are in the coordinates of the text as it is, before the
    // queued replacements; `rangeEnd` and `searchLimit` in those of the text as replaced.
    ReplaceAllResult out;
    long selMin = r.selMin, selMax = r.selMax;
    long rangeEnd = r.rangeEnd;
    long searchLimit = r.confined ? r.rangeEnd : -1;
    const bool backwards = r.backwards;
    const bool regex = r.options.regex;
    // A regular expression's matches are those of the text as it was: replacing goes on after
    // the last match (and a character further after an empty one).
    bool empty = false;
    const auto findNext = [&](long limit, long* end) {
        if (backwards) {
            if (regex && empty && selMin == 0)
                return -1L;
            const long before = regex && empty ? doc.PrevChar(selMin) : selMin;
            return search.Find(doc, r.find, r.options, 0, before, true, end);
        }
        long from = selMin + (selMin != selMax ? 1 : 0);
        if (regex)
            from = empty ? doc.NextChar(selMax) : selMax;
        if (regex && empty && selMax >= doc.Length())
            return -1L;
        return search.Find(doc, r.find, r.options, from, limit != -1 ? limit : doc.Length(), false,
                           end);
    };
    CBulkReplace bulk(doc);
    // Applying the queue moves the text after it; searching backwards, the caret is before it.
    const auto applyQueue = [&](bool all) {
        const long shift = bulk.Shift();
        if (all)
            bulk.Flush();
        else
            bulk.FlushAwayFrom(selMin, search.ContextBefore(r.find, r.options) + 4);
        if (!backwards) {
            selMin += shift - bulk.Shift();
            selMax += shift - bulk.Shift();
        }
    };
    bool selected = r.selectionMatches;
    QByteArray with = r.with;
    if (selected && regex) {
        selected = search.IsMatch(doc, r.find, r.options, selMin, selMax);
        with = search.Replacement(doc, r.with, r.options);
    }
    for (;;) {
        if (selected) {
            const long length = selMax - selMin;
            const long delta = with.size() - length;
            const long end = selMin + (backwards ? 0 : bulk.Shift()) + with.size();
            bulk.Replace(selMin, length, with);
            rangeEnd = MovedRangeEnd(r.rangeStart, rangeEnd, end, delta);
            if (r.confined)
                searchLimit = rangeEnd;
            empty = length == 0;
            if (backwards)
                selMax = selMin;
            else
                selMin = selMax;
            if (bulk.Full())
                applyQueue(!regex);
        }
        const long limit =
            searchLimit == -1 || backwards ? searchLimit : searchLimit - bulk.Shift();
        long end = -1;
        long p = findNext(limit, &end);
        if (p != -1 && r.options.wholeWord && (backwards ? end == selMin : p == selMin)) {
            // Whether this is a whole word depends on the replacement next to it: apply the
            // queue and look again.
            applyQueue(true);
            p = findNext(searchLimit, &end);
        }
        if (p == -1)
            break;
        ++out.found;
        selMin = p;
        selMax = end;
        selected = true;
        with = search.Replacement(doc, r.with, r.options);
        if ((out.found & 0xFF) == 0) {
            const double length = std::max(1L, doc.Length());
            if (cancelled((backwards ? length - p : p) / length)) {
                bulk.Cancel();
                out.cancelled = true;
                return out;
            }
        }
    }
    if (!backwards) {
        selMin += bulk.Shift();
        selMax += bulk.Shift();
    }
    out.record = bulk.Finish();
    out.selMin = selMin;
    out.selMax = selMax;
    out.rangeEnd = rangeEnd;
    return out;
}
