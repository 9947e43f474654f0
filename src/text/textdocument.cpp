#include "text/textdocument.h"

#include <algorithm>
#include <cstdlib>
#include <forward_list>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// The component's own headers, in the order they build on each other.
// clang-format off
#include <Platform.h>
#include <ILoader.h>
#include <ILexer.h>
#include <Scintilla.h>
#include <CharacterCategory.h>
#include <Position.h>
#include <SplitVector.h>
#include <Partitioning.h>
#include <RunStyles.h>
#include <CellBuffer.h>
#include <PerLine.h>
#include <CharClassify.h>
#include <Decoration.h>
#include <CaseFolder.h>
#include <Document.h>
// clang-format on

using Scintilla::Document;

namespace {
Document* Doc(void* p) {
    return static_cast<Document*>(p);
}

class CEditForwarder;

// The listeners of each document; and the document a span of which is being replaced, whose
// deletion and insertion its listeners are told as one replacement once both are done.
std::multimap<Document*, CEditForwarder*> g_forwarders;
Document* g_replacingSpan = nullptr;

// Hands the document's changes of text to a listener, for as long as it lives.
class CEditForwarder : public CTextDocument::CWatch, public Scintilla::DocWatcher {
public:
    CEditForwarder(Document* doc, CEditListener& listener) : m_pDoc(doc), m_listener(listener) {
        m_pDoc->AddRef();
        m_pDoc->AddWatcher(this, nullptr);
        g_forwarders.emplace(doc, this);
    }
    ~CEditForwarder() override {
        const auto [first, last] = g_forwarders.equal_range(m_pDoc);
        g_forwarders.erase(std::find_if(first, last, [this](auto& f) { return f.second == this; }));
        m_pDoc->RemoveWatcher(this, nullptr);
        m_pDoc->Release();
    }
    CEditListener& Listener() const { return m_listener; }

    void NotifyModified(Document* doc, Scintilla::DocModification mh, void*) override {
        if (doc == g_replacingSpan)
            return;
        if (mh.modificationType & SC_MOD_INSERTTEXT)
            m_listener.Edited(static_cast<long>(mh.position), mh.text,
                              static_cast<long>(mh.length));
        else if (mh.modificationType & SC_MOD_DELETETEXT)
            m_listener.Edited(static_cast<long>(mh.position), nullptr,
                              static_cast<long>(mh.length));
    }
    void NotifyModifyAttempt(Document*, void*) override {}
    void NotifySavePoint(Document*, void*, bool) override {}
    void NotifyDeleted(Document*, void*) override {}
    void NotifyStyleNeeded(Document*, void*, Sci::Position) override {}
    void NotifyLexerChanged(Document*, void*) override {}
    void NotifyErrorOccurred(Document*, void*, int) override {}

private:
    Document* m_pDoc;
    CEditListener& m_listener;
};
} // namespace

namespace {
// A new document of UTF-8 text, held once.
void* NewDocument(bool styled) {
    // Positions and line starts of 64 bits: a text may pass 2 GiB.
    auto* doc = new Document(SC_DOCUMENTOPTION_TEXT_LARGE |
                             (styled ? SC_DOCUMENTOPTION_DEFAULT : SC_DOCUMENTOPTION_STYLES_NONE));
    doc->AddRef();
    doc->SetDBCSCodePage(SC_CP_UTF8);
    return doc;
}
} // namespace

CTextDocument::CTextDocument() : m_pDoc(NewDocument(false)) {}

CTextDocument::CTextDocument(void* doc) : m_pDoc(doc) {
    Doc(m_pDoc)->AddRef();
}

CTextDocument CTextDocument::Of(void* handle) {
    return CTextDocument(handle);
}

CTextDocument CTextDocument::WithRoom(size_t room, bool styled) {
    CTextDocument text(NewDocument(styled), kAdopt);
    Doc(text.m_pDoc)->Allocate(static_cast<Sci::Position>(room));
    Doc(text.m_pDoc)->SetUndoCollection(false);
    return text;
}

CTextDocument::CTextDocument(const CTextDocument& other) : CTextDocument(other.m_pDoc) {}

CTextDocument& CTextDocument::operator=(const CTextDocument& other) {
    Doc(other.m_pDoc)->AddRef();
    Doc(m_pDoc)->Release();
    m_pDoc = other.m_pDoc;
    return *this;
}

CTextDocument::~CTextDocument() {
    Doc(m_pDoc)->Release();
}

long CTextDocument::Length() const {
    return Doc(m_pDoc)->Length();
}

const char* CTextDocument::RangePointer(long pos, long length) const {
    return Doc(m_pDoc)->RangePointer(pos, length);
}

QByteArray CTextDocument::Range(long cpMin, long cpMax) const {
    return cpMax > cpMin ? QByteArray(RangePointer(cpMin, cpMax - cpMin), cpMax - cpMin)
                         : QByteArray();
}

long CTextDocument::PrepareEditAt(long pos, long most) {
    Document* doc = Doc(m_pDoc);
    doc->GapTowards(pos, most);
    return std::abs(std::clamp(pos, 0L, Length()) - doc->GapPosition());
}

char CTextDocument::CharAt(long pos) const {
    return Doc(m_pDoc)->CharAt(pos);
}

void CTextDocument::Insert(long pos, const QByteArray& bytes) {
    Doc(m_pDoc)->InsertString(pos, bytes.constData(), bytes.size());
}

bool CTextDocument::Append(const char* data, long n) {
    return Doc(m_pDoc)->AddData(data, n) == 0;
}

void CTextDocument::Delete(long pos, long length) {
    Doc(m_pDoc)->DeleteChars(pos, length);
}

void CTextDocument::ReplaceSpan(long start, long oldLength, const QByteArray& text,
                                const std::vector<SpanEdit>& edits) {
    Document* doc = Doc(m_pDoc);
    const auto [first, last] = g_forwarders.equal_range(doc);
    const long before = Length();
    g_replacingSpan = doc;
    try {
        doc->DeleteChars(start, oldLength);
        doc->InsertString(start, text.constData(), text.size());
    } catch (...) {
        // Out of memory with the span deleted: that much is told.
        g_replacingSpan = nullptr;
        if (Length() == before - oldLength)
            for (auto it = first; it != last; ++it)
                it->second->Listener().Edited(start, nullptr, oldLength);
        throw;
    }
    g_replacingSpan = nullptr;
    for (auto it = first; it != last; ++it)
        it->second->Listener().SpanReplaced(start, oldLength, text.constData(), text.size(), edits);
}

void CTextDocument::ConvertLineEnds(LineEnd to) {
    Doc(m_pDoc)->ConvertLineEnds(static_cast<int>(to)); // one undo step of its own
}

long CTextDocument::LineCount() const {
    return Doc(m_pDoc)->LinesTotal();
}

long CTextDocument::LineStart(long line) const {
    return Doc(m_pDoc)->LineStart(line);
}

bool CTextDocument::IsCharBoundary(long pos) const {
    if (pos <= 0 || pos >= Length() || (static_cast<unsigned char>(CharAt(pos)) & 0xC0) != 0x80)
        return true;
    // A continuation byte that no lead byte before it takes in is a character of its own.
    const Document* doc = Doc(m_pDoc);
    return doc->NextPosition(doc->NextPosition(pos, -1), 1) == pos;
}

void CTextDocument::ReserveLines(long lines) {
    Doc(m_pDoc)->AllocateLines(static_cast<Sci::Line>(lines));
}

long CTextDocument::NextChar(long pos) const {
    return Doc(m_pDoc)->NextPosition(pos, 1);
}

long CTextDocument::PrevChar(long pos) const {
    return Doc(m_pDoc)->NextPosition(pos, -1);
}

bool CTextDocument::IsWord(long start, long end) const {
    return Doc(m_pDoc)->IsWordAt(start, end);
}

long CTextDocument::FindByComponent(const QByteArray& needle, bool matchCase, bool wholeWord,
                                    long cpMin, long cpMax) const {
    const int flags = (matchCase ? SCFIND_MATCHCASE : 0) | (wholeWord ? SCFIND_WHOLEWORD : 0);
    Document* doc = Doc(m_pDoc);
    if (!doc->HasCaseFolder()) {
        // What the widget gives it: ASCII letters folded, nothing else.
        auto* ascii = new Scintilla::CaseFolderTable();
        ascii->StandardASCII();
        doc->SetCaseFolder(ascii);
    }
    Sci::Position length = needle.size();
    return doc->FindText(cpMin, cpMax, needle.constData(), flags, &length);
}

void CTextDocument::BeginUndoAction() {
    Doc(m_pDoc)->BeginUndoAction();
}
void CTextDocument::EndUndoAction() {
    Doc(m_pDoc)->EndUndoAction();
}
void CTextDocument::SetUndoCollection(bool collect) {
    Doc(m_pDoc)->SetUndoCollection(collect);
}

std::unique_ptr<CTextDocument::CWatch> CTextDocument::Watch(CEditListener& listener) const {
    return std::make_unique<CEditForwarder>(Doc(m_pDoc), listener);
}
