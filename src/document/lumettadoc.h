// The document: the one file the editor has open. The text itself lives in the view's control.
#pragma once

#include "framework/cmdtarget.h"
#include "framework/document.h"

class CLumettaView;

class CLumettaDoc : public CDocument, public CCmdTargetImpl<CLumettaDoc> {
public:
    void SetView(CLumettaView* view);
    CLumettaView* GetView() const { return m_pView; }

    void SetTitle(const QString& title) override;
    bool IsModified() override;
    bool OnNewDocument() override;
    bool OnSaveDocument(const QString& path) override;
    void Serialize(CArchive& ar) override;

    // The caption for a document titled `title` whose file is `path`.
    static QString Caption(const QString& title, const QString& path);

    static const std::vector<MessageMapEntry<CLumettaDoc>>& GetMessageMap();

protected:
    // A text shown formatted is saved as plain text: over a file that holds rich text, only
    // when the user says so.
    SaveOver BeforeSavingOver(const QString& path) override;
    void OnFileChangedOnDisk(CFileWatcher::State state) override;
    bool ReloadFromDisk() override;

private:
    void OnFileSave();
    void OnFileSaveAs();

    CLumettaView* m_pView = nullptr;
};
