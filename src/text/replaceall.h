// Replace All: the result of replacing one match at a time, from the selection on (or back), done
// inside the text without selecting each match, and undone as one step. The replacements are
// queued and applied a large piece at a time; a record keeps what each piece replaced.
#pragma once

#include "text/textdocument.h"
#include "text/textsearch.h"

#include <QByteArray>

#include <cstddef>
#include <functional>
#include <vector>

// What one piece applied replaced: enough to put it back.
struct BulkBatch {
    using Edit = SpanEdit; // its offset is in the piece's new text
    long start;
    long newLength;
    std::vector<Edit> edits;
    QByteArray originals;
};
using BulkRecord = std::vector<BulkBatch>;

// Puts back what each edit of the record replaced, and makes the record the one that reverses
// this: swapping twice redoes it. Undo collection is off meanwhile. Returns where the first
// piece starts.
long SwapBulk(CTextDocument& doc, BulkRecord& record, bool backwards);

// Replacements queued in the coordinates of the text as it is, before anything queued is
// applied; successive replacements move in one direction. Flush applies the queue, which moves
// the text after it by Shift(): the caller flushes, and moves its own positions, once Full() says
// the queue holds enough for one piece. Undo collection is off while this lives.
class CBulkReplace {
public:
    // The most a queue holds: each piece applied copies its span, and the record keeps what it
    // replaced.
    static constexpr size_t kMaxQueuedEdits = 1 << 16;
    static constexpr long kMaxQueuedSpan = 4 << 20;

    explicit CBulkReplace(CTextDocument doc);
    ~CBulkReplace();
    CBulkReplace(const CBulkReplace&) = delete;
    CBulkReplace& operator=(const CBulkReplace&) = delete;

    void Replace(long pos, long length, const QByteArray& with);
    bool Full() const;
    long Shift() const { return m_nShift; }
    void Flush();
    // Applies only the queued replacements lying more than `context` bytes away from `pos`
    // (before it replacing forwards, after it backwards), so that the text near `pos` stays as
    // it was.
    void FlushAwayFrom(long pos, long context);
    // Applies the queue and hands over the record of everything applied.
    BulkRecord Finish();
    // Puts back everything applied so far.
    void Cancel();

private:
    struct Queued {
        long pos;
        long oldLength;
        long withOffset;
        long withLength;
    };
    CTextDocument m_doc;
    BulkRecord m_record;
    std::vector<Queued> m_queue;
    QByteArray m_text;
    long m_nShift = 0;
};

struct ReplaceAllRequest {
    QByteArray find;
    QByteArray with;
    SearchOptions options;
    bool backwards = false;
    // The selection when Replace All starts; when it is an occurrence, it is replaced first.
    long selMin = 0;
    long selMax = 0;
    bool selectionMatches = false;
    // The lines the Replace dialog was opened on, whose end moves with the replacements inside
    // them (-1: none); `confined`: replacing stops at that end.
    long rangeStart = 0;
    long rangeEnd = -1;
    bool confined = false;
};

struct ReplaceAllResult {
    bool cancelled = false;
    long found = 0; // the matches found and replaced after the selection
    // The last match found, as it stands after the replacements (the caret, when none was).
    long selMin = 0;
    long selMax = 0;
    long rangeEnd = -1; // as moved
    BulkRecord record;
};

// The end of the range [rangeStart, rangeEnd] (-1: none) once a replacement ending at `end`
// has changed the text's length by `delta`: moved by it when the replacement lies inside.
long MovedRangeEnd(long rangeStart, long rangeEnd, long end, long delta);

// `cancelled` is asked every 256 matches with how far the work has come (0 to 1); when it says
// so, the text is put back as it was and the result says `cancelled`.
ReplaceAllResult ReplaceAll(CTextDocument& doc, const CTextSearch& search,
                            const ReplaceAllRequest& request,
                            const std::function<bool(double)>& cancelled);
