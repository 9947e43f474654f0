// The text of one document: its bytes exactly as they are, its line index and its undo history,
// kept by the component's own document, which needs no window and which a view can show. A
// CTextDocument shares that document with whoever else holds it (the view showing it).
#pragma once

#include "text/bytetext.h"

#include <QByteArray>

#include <cstddef>
#include <memory>
#include <vector>

// One edit of a span replaced whole: at `offset` in the span's new text, `newLength` bytes stand
// where `oldLength` bytes stood; the text between edits is as it was.
struct SpanEdit {
    long offset;
    long newLength;
    long oldLength;
};

// Told of each change to a text's bytes, in order, whoever makes it (typing, a bulk replacement,
// undo, redo): `n` bytes inserted at `pos`, which `inserted` points to, or `n` bytes deleted
// from `pos`, with `inserted` null.
class CEditListener {
public:
    virtual ~CEditListener() = default;
    virtual void Edited(long pos, const char* inserted, long n) = 0;
    // The `oldLength` bytes at `start` became the `newLength` bytes of `text`, which differ from
    // them in `edits` only: a piece of a bulk replacement, megabytes long for a few changes. Told
    // as a deletion and an insertion, unless the listener keeps the edits alone.
    virtual void SpanReplaced(long start, long oldLength, const char* text, long newLength,
                              const std::vector<SpanEdit>& edits) {
        Edited(start, nullptr, oldLength);
        Edited(start, text, newLength);
    }
};

class CTextDocument {
public:
    // A new, empty text, held by this object alone.
    CTextDocument();
    // The component's document `handle` (as the view's SCI_GETDOCPOINTER gives it), held too.
    static CTextDocument Of(void* handle);
    // A new, empty text with room for `room` bytes, to be filled with Append: it records no
    // undo steps until undo collection is turned on. A `styled` text keeps a style (a font, a
    // colour) for each byte, as a rich text needs; a plain one keeps none.
    static CTextDocument WithRoom(size_t room, bool styled = false);
    CTextDocument(const CTextDocument& other);
    CTextDocument& operator=(const CTextDocument& other);
    ~CTextDocument();

    // What the view is given to show this text.
    void* Handle() const { return m_pDoc; }

    long Length() const;
    // The bytes from `pos` on, contiguous for at least `length` of them.
    const char* RangePointer(long pos, long length) const;
    QByteArray Range(long cpMin, long cpMax) const;
    char CharAt(long pos) const;

    void Insert(long pos, const QByteArray& bytes);
    // Adds bytes at the end; false when memory ran out.
    bool Append(const char* data, long n);
    // Room in the line index for about this many lines, before they are appended.
    void ReserveLines(long lines);
    // An edit at `pos` first moves every byte between there and the place of the last edit.
    // This moves at most `most` of them now, so that a long move can be spread over idle
    // moments; it returns how many are left to move.
    long PrepareEditAt(long pos, long most);
    void Delete(long pos, long length);
    // The `oldLength` bytes at `start` become `text`, which differs from them in `edits` only
    // (see CEditListener::SpanReplaced).
    void ReplaceSpan(long start, long oldLength, const QByteArray& text,
                     const std::vector<SpanEdit>& edits);
    // Every line end becomes `to`, as one step of the undo history.
    void ConvertLineEnds(LineEnd to);

    long LineCount() const;
    long LineStart(long line) const;

    // No character goes on across `pos`; a byte that is no UTF-8 is a character of its own.
    bool IsCharBoundary(long pos) const;
    // The start of the character after (before) the one at `pos`.
    long NextChar(long pos) const;
    long PrevChar(long pos) const;
    // The text from `start` to `end` is a word, or a run of punctuation, of its own.
    bool IsWord(long start, long end) const;
    // The component's own search, which folds ASCII letters only: the first match lying wholly
    // in [cpMin, cpMax], or -1. Slow; the reference the text core's search is checked against.
    long FindByComponent(const QByteArray& needle, bool matchCase, bool wholeWord, long cpMin,
                         long cpMax) const;

    // Everything between the two is one step of the undo history.
    void BeginUndoAction();
    void EndUndoAction();
    // Off, edits are not recorded at all; their undoing is the caller's.
    void SetUndoCollection(bool collect);

    // `listener` is told of every change until the returned watch goes, which must be before
    // the listener goes.
    class CWatch {
    public:
        virtual ~CWatch() = default;
    };
    std::unique_ptr<CWatch> Watch(CEditListener& listener) const;

private:
    enum Adopt { kAdopt };
    // Holds `doc` once more; or, adopting it, takes over the hold its maker has.
    explicit CTextDocument(void* doc);
    CTextDocument(void* doc, Adopt) : m_pDoc(doc) {}
    void* m_pDoc;
};
