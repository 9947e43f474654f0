#include "document/insertfile.h"

#include "framework/filename.h"
#include "framework/streamfile.h"
#include "framework/uiservices.h"
#include "resources/resource.h"
#include "resources/strings.h"
#include "view/lumettaview.h"

#include <memory>

const std::vector<MessageMapEntry<CInsertFile>>& CInsertFile::GetMessageMap() {
    using T = CInsertFile;
    static const std::vector<MessageMapEntry<T>> map = {
        OnCommand<T>(ID_FILE_INSERT, &T::OnFileInsert),
    };
    return map;
}

void CInsertFile::OnFileInsert() {
    const QString open = m_view.DocumentPath();
    const QString path = Ui().GetOpenFileName(QString::fromUtf8(Str::InsertDialogTitle),
                                              open.isEmpty() ? QString() : FolderOf(open));
    if (path.isEmpty())
        return;
    try {
        // A FIFO is read without freezing the window; a folder or device is not read at all.
        const std::unique_ptr<CFile> file = OpenFileForReading(path);
        CArchive ar(file.get(), CArchive::load);
        m_view.StreamText(ar, SF_TEXT | SFF_SELECTION);
    } catch (const CFileException&) {
        // Nothing is said, and nothing was inserted.
    } catch (const CInsertRefused& e) {
        Ui().MessageBox(e.m_strMessage, MB_OK | MB_ICONEXCLAMATION);
    }
    m_view.SayIfWrapSuspended();
}
