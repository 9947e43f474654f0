// A small prompt for one whole number within a range; the prompt is the dialog's title.
#pragma once

#include "framework/dialog.h"

class QLineEdit;

class CNumberInputDlg : public CDialog {
    Q_OBJECT
public:
    enum { IDD = 159, IDC_NUMBER = 1026 };

    CNumberInputDlg(const QString& prompt, int value, int minValue, int maxValue);

    int m_nValue;
    QString m_strPrompt;
    int m_nMin;
    int m_nMax;
    QLineEdit* m_pEdit;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
};
