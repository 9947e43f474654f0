#include "framework/dialog.h"

#include "framework/uiservices.h"
#include "framework/messages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

void CDataExchange::Fail(QWidget* control) {
    if (control)
        control->setFocus();
    m_bFailed = true;
}

void DDX_Text(CDataExchange& dx, QLineEdit* edit, QString& value) {
    if (dx.m_bFailed)
        return;
    if (dx.m_bSaveAndValidate)
        value = edit->text();
    else
        edit->setText(value);
}

void DDX_Text(CDataExchange& dx, QLineEdit* edit, long& value) {
    if (dx.m_bFailed)
        return;
    if (!dx.m_bSaveAndValidate) {
        edit->setText(QString::number(value));
        return;
    }
    bool ok = false;
    const long n = edit->text().trimmed().toLong(&ok);
    if (!ok) {
        Ui().MessageBox(QString::fromUtf8(Str::EnterInteger), MB_OK | MB_ICONEXCLAMATION);
        dx.Fail(edit);
        return;
    }
    value = n;
}

void DDX_CBString(CDataExchange& dx, QComboBox* combo, QString& value) {
    if (dx.m_bFailed)
        return;
    if (dx.m_bSaveAndValidate)
        value = combo->currentText();
    else
        combo->setEditText(value);
}

void DDX_Check(CDataExchange& dx, QCheckBox* box, int& value) {
    if (dx.m_bFailed)
        return;
    if (dx.m_bSaveAndValidate)
        value = box->isChecked() ? 1 : 0;
    else
        box->setChecked(value != 0);
}

void DDV_MaxChars(CDataExchange& dx, QWidget* control, const QString& value, int maxChars) {
    if (dx.m_bFailed || !dx.m_bSaveAndValidate || value.size() <= maxChars)
        return;
    Ui().MessageBox(QString::fromUtf8(Str::MaxChars).arg(maxChars), MB_OK | MB_ICONEXCLAMATION);
    dx.Fail(control);
}

void DDV_MinMaxLong(CDataExchange& dx, QWidget* control, long value, long minVal, long maxVal) {
    if (dx.m_bFailed || !dx.m_bSaveAndValidate || (value >= minVal && value <= maxVal))
        return;
    Ui().MessageBox(QString::fromUtf8(Str::EnterIntegerBetween).arg(minVal).arg(maxVal),
                    MB_OK | MB_ICONEXCLAMATION);
    dx.Fail(control);
}

CDialog::CDialog(QWidget* parent) : QDialog(parent) {}

int CDialog::DoModal() {
    // Placed where it will show, so that OnInitDialog sees and may change its final position.
    adjustSize();
    adjustPosition(parentWidget());
    if (!OnInitDialog())
        return IDCANCEL;
    return Ui().DoModal(*this) == QDialog::Accepted ? IDOK : IDCANCEL;
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange dx(saveAndValidate);
    DoDataExchange(dx);
    return !dx.m_bFailed;
}

bool CDialog::OnInitDialog() { return UpdateData(false); }

void CDialog::OnOK() {
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::EndDialog(int result) {
    if (result == IDOK)
        QDialog::accept();
    else
        QDialog::reject();
}

void CDialog::accept() { OnOK(); }
void CDialog::reject() { OnCancel(); }
