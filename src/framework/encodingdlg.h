// The choice of one encoding from a list, as Reopen with Encoding asks for it.
#pragma once

#include "framework/dialog.h"
#include "text/textencoding.h"

#include <vector>

class QListWidget;

class CEncodingDlg : public CDialog {
    Q_OBJECT
public:
    // Offers `encodings`, `current` chosen at first; the prompt is the dialog's title.
    CEncodingDlg(const QString& title, std::vector<FileEncoding> encodings, FileEncoding current);

    FileEncoding GetEncoding() const { return m_encoding; }
    // Chooses the encoding named `name` (as EncodingName gives it); false when none is.
    bool Choose(const QString& name);

    QListWidget* m_pList;

protected:
    void DoDataExchange(CDataExchange& dx) override;

private:
    std::vector<FileEncoding> m_encodings;
    FileEncoding m_encoding;
};
