// A small prompt for one whole number within a range; the prompt is the dialog's title.
#pragma once

#include "framework/dialog.h"

class QLineEdit;

class CNumberInputDlg : public CDialog {
    Q_OBJECT
public:
    enum { IDD = 159, IDC_NUMBER = 1026 };

    CNumberInputDlg(const QString& prompt, long value, long minValue, long maxValue);

    long m_nValue;
    QString m_strPrompt;
    long m_nMin;
    long m_nMax;
    QLineEdit* m_pEdit;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
};
