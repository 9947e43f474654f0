// The About box: the program's name and version, credits, terms and the maker's addresses.
#pragma once

#include "framework/dialog.h"

class QLineEdit;

class CAboutDlg : public CDialog {
    Q_OBJECT
public:
    enum { IDD = 100, IDC_ABOUT_EMAIL = 1011, IDC_ABOUT_WEB = 1013 };

    CAboutDlg();

    QLineEdit* m_pEmail;
    QLineEdit* m_pWeb;

protected:
    void DoDataExchange(CDataExchange& dx) override;
};
