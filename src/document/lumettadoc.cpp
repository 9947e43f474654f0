#include "document/lumettadoc.h"

#include "framework/encodingdlg.h"
#include "framework/file.h"
#include "framework/filename.h"
#include "framework/uiservices.h"
#include "resources/resource.h"
#include "resources/strings.h"
#include "text/journal.h"
#include "text/rtfreader.h"
#include "view/lumettaview.h"

#include <QScopedValueRollback>
#include <QWidget>

#include <algorithm>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

const std::vector<MessageMapEntry<CLumettaDoc>>& CLumettaDoc::GetMessageMap() {
    using T = CLumettaDoc;
    static const std::vector<MessageMapEntry<T>> map = {
        OnCommand<T>(ID_FILE_SAVE, &T::OnFileSave),
        OnCommand<T>(ID_FILE_SAVE_AS, &T::OnFileSaveAs),
        OnCommand<T>(ID_FILE_REOPEN_ENCODING, &T::OnFileReopenEncoding),
        OnUpdate<T>(ID_FILE_REOPEN_ENCODING, &T::OnUpdateFileReopenEncoding),
    };
    return map;
}

CLumettaDoc::CLumettaDoc() {
    // Within a second of the first change not yet on the disk; typing on does not put it off.
    m_commitTimer.setSingleShot(true);
    m_commitTimer.setInterval(1000);
    QObject::connect(&m_commitTimer, &QTimer::timeout, [this] { CommitJournal(); });
}

CLumettaDoc::~CLumettaDoc() {
    if (!m_pJournal)
        return;
    if (m_bKeepJournal)
        m_pJournal->Commit();
    else
        m_pJournal->Discard();
}

void CLumettaDoc::StartJournal(const QString& path) {
    DropJournal();
    // ZORVEK_JOURNAL=0 leaves it out, to measure what it costs.
    if (!m_pView || qEnvironmentVariable("ZORVEK_JOURNAL") == QLatin1String("0"))
        return;
    JournalOrigin origin;
    bool regular = false; // a FIFO or a device has no content to copy
    if (!path.isEmpty()) {
        origin.path = FileNameToBytes(AbsoluteFileName(path));
        struct stat st {};
        if (::stat(origin.path.constData(), &st) == 0) {
            regular = S_ISREG(st.st_mode);
            origin.size = static_cast<int64_t>(st.st_size);
            origin.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 +
                             st.st_mtim.tv_nsec;
            origin.device = static_cast<uint64_t>(st.st_dev);
            origin.inode = static_cast<uint64_t>(st.st_ino);
        }
        origin.hash = m_pView->StreamHash();
        if (const std::optional<FileEncoding> readAs = m_pView->GetReadEncoding())
            origin.readAs = EncodingName(*readAs);
    }
    origin.startedSecs = static_cast<int64_t>(::time(nullptr));
    origin.pid = ::getpid();
    // No journal (a folder that cannot be written): the text is edited as before, unguarded.
    m_pJournal = CJournalWriter::Start(CJournalFolder::NewFile(), origin, m_pView->Text());
    // A copy of a file of reasonable size is kept from the first change on: should another
    // program change the file, its unsaved changes can still be recovered.
    constexpr int64_t kMaxBaseCopy = int64_t(256) << 20;
    if (m_pJournal && regular && origin.size <= kMaxBaseCopy)
        m_pJournal->KeepBase(path, origin.size, origin.hash);
    WatchJournal();
}

void CLumettaDoc::WatchJournal() {
    if (m_pJournal)
        m_pJournal->SetOnWritten([this] {
            if (!m_commitTimer.isActive())
                m_commitTimer.start();
        });
}

void CLumettaDoc::DropJournal() {
    m_commitTimer.stop();
    if (m_pJournal)
        m_pJournal->Discard();
    m_pJournal.reset();
}

void CLumettaDoc::CommitJournal() {
    m_commitTimer.stop();
    if (m_pJournal)
        m_pJournal->Commit();
}

bool CLumettaDoc::RecoverJournal(const LeftJournal& left) {
    if (!m_pView)
        return false;
    const QString path = m_strPathName.isEmpty() ? QString() : AbsoluteFileName(m_strPathName);
    const bool untitled = left.origin.path.isEmpty();
    if (untitled != path.isEmpty() || (!untitled && (FileNameToBytes(path) != left.origin.path ||
                                                    m_pView->StreamHash() != left.origin.hash)))
        return false;
    if (untitled && m_pView->GetTextLength() != 0)
        return false;
    // The changes are positions in the text as it was read then: it is read so again first.
    const std::optional<std::optional<FileEncoding>> readAs = ReadAsOf(left.origin);
    if (!readAs || (*readAs != m_pView->GetReadEncoding() && !(*readAs && ReopenIn(**readAs))))
        return false;
    if (TakeOverJournal(left.file))
        return true;
    // It did not fit after all: the text goes back to what it was.
    if (untitled)
        OnNewDocument();
    else
        ReloadFromDisk();
    return false;
}

bool CLumettaDoc::TakeOverJournal(const QString& journal) {
    // The journal of the text as loaded goes: the one left behind takes its place.
    DropJournal();
    CTextDocument text = m_pView->Text();
    if (ReplayJournal(journal, text) < 0)
        return false;
    m_pView->SetModify(true);
    m_pJournal = CJournalWriter::Resume(journal, text);
    WatchJournal();
    return true;
}

namespace {
// The first `length` bytes of a file.
class CFileStart : public CFile {
public:
    CFileStart(CFile& file, int64_t length) : m_file(file), m_nLength(length) {
        m_strPath = file.GetFilePath();
    }
    size_t Read(void* buf, size_t n) override {
        const size_t done = m_file.Read(buf, static_cast<size_t>(std::min<int64_t>(
                                                 static_cast<int64_t>(n), m_nLength - m_nRead)));
        m_nRead += static_cast<int64_t>(done);
        return done;
    }
    void Write(const void*, size_t) override {
        throw CFileException(CFileException::accessDenied, 0, m_strPath);
    }
    int64_t GetLength() const override { return m_nLength; }

private:
    CFile& m_file;
    int64_t m_nLength;
    int64_t m_nRead = 0;
};
} // namespace

QString CLumettaDoc::OriginOf(const LeftJournal& left) {
    if (left.origin.path.isEmpty() || left.origin.size < 0)
        return QString();
    const auto holdsOrigin = [&](const QString& source) {
        try {
            CReadFile file(source);
            if (file.GetLength() < left.origin.size)
                return false;
            CFileStart start(file, left.origin.size);
            CContentHash hash;
            std::vector<char> piece(1 << 20);
            for (size_t n; (n = start.Read(piece.data(), piece.size())) > 0;)
                hash.Feed(piece.data(), n);
            return hash.Value() == left.origin.hash;
        } catch (const CFileException&) {
            return false;
        }
    };
    const QString file = FileNameFromBytes(left.origin.path);
    if (holdsOrigin(file))
        return file;
    const QString copy = CJournalWriter::BaseOf(left.file);
    return holdsOrigin(copy) ? copy : QString();
}

bool CLumettaDoc::RecoverJournalFrom(const QString& source, const LeftJournal& left) {
    if (!m_pView || !m_strPathName.isEmpty() || m_pView->GetTextLength() != 0)
        return false;
    const std::optional<std::optional<FileEncoding>> readAs = ReadAsOf(left.origin);
    if (!readAs)
        return false;
    m_pView->SetReadEncoding(*readAs);
    try {
        CReadFile file(source);
        CFileStart start(file, left.origin.size);
        CArchive ar(&start, CArchive::load);
        m_pView->StreamText(ar, SF_TEXT);
    } catch (const CFileException&) {
        OnNewDocument();
        return false;
    }
    if (m_pView->StreamHash() == left.origin.hash && TakeOverJournal(left.file))
        return true;
    OnNewDocument();
    return false;
}

std::optional<std::optional<FileEncoding>> CLumettaDoc::ReadAsOf(const JournalOrigin& origin) {
    if (origin.readAs.isEmpty())
        return std::optional<FileEncoding>();
    if (const std::optional<FileEncoding> e = EncodingNamed(QString::fromUtf8(origin.readAs)))
        return e;
    return std::nullopt;
}

void CLumettaDoc::SetView(CLumettaView* view) {
    m_pView = view;
    if (view)
        view->SetDocument(this);
}

QString CLumettaDoc::Caption(const QString& title, const QString& path) {
    if (title == QLatin1String(Str::Untitled))
        return title;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return DisplayFileName(path.mid(slash + 1) + QStringLiteral(" @ ") + path.left(slash + 1));
}

void CLumettaDoc::SetTitle(const QString& title) {
    if (m_pView && m_pView->window())
        m_pView->window()->setWindowTitle(Caption(title, m_strPathName));
}

bool CLumettaDoc::IsModified() { return m_pView && m_pView->GetModify(); }

bool CLumettaDoc::OnNewDocument() {
    m_pView->SetReadEncoding(std::nullopt);
    m_pView->SetEmpty();
    m_pView->SetModify(false);
    if (!CDocument::OnNewDocument())
        return false;
    StartJournal(QString());
    return true;
}

bool CLumettaDoc::OnOpenDocument(const QString& path) {
    CommitJournal();
    // A file opened anew is read in the encoding its bytes look like.
    const std::optional<FileEncoding> readAs = m_pView->GetReadEncoding();
    if (!m_bRereading)
        m_pView->SetReadEncoding(std::nullopt);
    if (!CDocument::OnOpenDocument(path)) {
        m_pView->SetReadEncoding(readAs);
        return false;
    }
    StartJournal(path);
    return true;
}

bool CLumettaDoc::OnSaveDocument(const QString& path) {
    CommitJournal();
    if (!CDocument::OnSaveDocument(path))
        return false;
    // What the journal held is in the file now: it starts again from the file as saved.
    StartJournal(path);
    // Said, and the text marked saved, only once the new content is safely in place on disk.
    m_pView->SetModify(false);
    if (m_notKept.isEmpty())
        m_pView->ShowStatusMessage(QString::fromUtf8(Str::FileSavedOk), true);
    else
        m_pView->ShowStatusMessage(
            QString::fromUtf8(Str::SavedButNotKept).arg(m_notKept.join(QStringLiteral(", "))),
            true);
    return true;
}

namespace {
// The file at `path` is a regular file that starts as rich text does.
bool HoldsRichText(const QString& path) {
    try {
        CReadFile file(path);
        if (file.GetLength() <= 0)
            return false;
        char start[256];
        const size_t n = file.Read(start, sizeof start);
        return RtfSignatureOf(start, n) == RtfSignature::Rich;
    } catch (const CFileException&) {
        return false;
    }
}
} // namespace

CDocument::SaveOver CLumettaDoc::BeforeSavingOver(const QString& path) {
    if (!m_pView || !m_pView->IsRichText() || !HoldsRichText(path))
        return SaveOver::Proceed;
    const QString name = DisplayFileName(AbsoluteFileName(path));
    switch (Ui().MessageBox(QString::fromUtf8(Str::SavingRichAsPlain).arg(name),
                            MB_YESNOCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2)) {
    case IDYES:
        return SaveOver::Proceed;
    case IDNO:
        return SaveOver::ChooseAnother; // Save As
    default:
        return SaveOver::Stop;
    }
}

void CLumettaDoc::OnFileChangedOnDisk(CFileWatcher::State state) {
    const char* text = nullptr;
    if (state == CFileWatcher::deleted) {
        // Nothing on disk holds this text any more.
        m_pView->SetModify(true);
        text = Str::DeletedOnDisk;
    } else if (IsModified()) {
        text = Str::ChangedOnDiskKept; // asked about at the next save
    } else if (ReloadFromDisk()) {
        text = Str::ChangedOnDiskReloaded;
    }
    if (text)
        m_pView->ShowStatusMessage(QString::fromUtf8(text).arg(DisplayFileName(m_strPathName)),
                                   state != CFileWatcher::changed || IsModified());
}

long CLumettaDoc::s_nUndoableReload = 256L << 20;

bool CLumettaDoc::ReloadFromDisk() {
    const long line = m_pView->LineFromChar(-1);
    // The text as it was comes back with Undo.
    const bool undoable = !m_pView->m_bHexView && !m_pView->IsRichText() &&
                          m_pView->GetTextLength() <= s_nUndoableReload;
    const QByteArray before = undoable ? m_pView->GetText() : QByteArray();
    const QScopedValueRollback<bool> rereading(m_bRereading, true);
    if (!OnOpenDocument(m_strPathName)) {
        // Whatever the control holds now, it is not what the file holds.
        m_pView->SetModify(true);
        return false;
    }
    m_pView->OnInitialUpdate();
    if (undoable && !m_pView->IsRichText()) { // (the file may have become rich text)
        DropJournal(); // the journal starts from the text as the file has it, after the step
        m_pView->MakeUndoableFrom(before);
        StartJournal(m_strPathName);
    }
    const long start = m_pView->LineIndex(std::min(line, m_pView->GetLineCount() - 1));
    m_pView->SetSel(start, start);
    return true;
}

void CLumettaDoc::Serialize(CArchive& ar) { m_pView->Serialize(ar); }

void CLumettaDoc::OnFileSave() { DoFileSave(); }

void CLumettaDoc::OnFileSaveAs() { DoSave(QString()); }

std::optional<SaveFormat> CLumettaDoc::GetSaveFormat() const {
    if (!m_pView)
        return std::nullopt;
    return SaveFormat{m_pView->GetEncoding(), std::nullopt};
}

bool CLumettaDoc::SetSaveFormat(const QString& path, const SaveFormat& format,
                                std::function<void()>& undo) {
    const FileEncoding encoding = m_pView->GetEncoding();
    const std::optional<FileEncoding> readAs = m_pView->GetReadEncoding();
    if (format.encoding != encoding) {
        // Refused before anything changes or is written.
        char32_t bad = 0;
        if (!m_pView->CanWriteIn(format.encoding, &bad)) {
            const QString name = DisplayFileName(AbsoluteFileName(path));
            const QString why =
                bad ? m_pView->CannotSaveText(name, bad, format.encoding)
                    : QString::fromUtf8(Str::CannotSave)
                          .arg(name, QString::fromUtf8(EncodingName(format.encoding)));
            Ui().MessageBox(why, MB_OK | MB_ICONEXCLAMATION);
            return false;
        }
        m_pView->SetEncoding(format.encoding);
        // Read again (when another program changes it), the file is read as it was written.
        m_pView->SetReadEncoding(IsDecoded(format.encoding)
                                     ? std::optional<FileEncoding>(WithoutMark(format.encoding))
                                     : std::nullopt);
    }
    if (format.lineEnd)
        m_pView->ConvertLineEnds(*format.lineEnd);
    undo = [this, encoding, readAs] {
        m_pView->SetEncoding(encoding);
        m_pView->SetReadEncoding(readAs);
    };
    return true;
}

void CLumettaDoc::OnUpdateFileReopenEncoding(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_pView && !m_strPathName.isEmpty() && !m_pView->m_bHexView);
}

void CLumettaDoc::OnFileReopenEncoding() {
    CEncodingDlg dlg(QString::fromUtf8(Str::ReopenWithEncoding), ReadableEncodings(),
                     WithoutMark(m_pView->GetEncoding()));
    if (dlg.DoModal() != IDOK || !SaveModified())
        return;
    ReopenIn(dlg.GetEncoding());
}

bool CLumettaDoc::ReopenIn(FileEncoding encoding) {
    const std::optional<FileEncoding> readAs = m_pView->GetReadEncoding();
    const long line = m_pView->LineFromChar(-1);
    m_pView->SetReadEncoding(encoding);
    const QScopedValueRollback<bool> rereading(m_bRereading, true);
    if (!OnOpenDocument(m_strPathName)) {
        m_pView->SetReadEncoding(readAs);
        return false;
    }
    m_pView->OnInitialUpdate();
    // The same place in the file, read another way.
    const long start = m_pView->LineIndex(std::min(line, m_pView->GetLineCount() - 1));
    m_pView->SetSel(start, start);
    return true;
}
