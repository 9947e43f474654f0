// Modal dialogs with data exchange between the controls and members, and its validation
// messages.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;

// One exchange between a dialog's controls and its members: loading the controls, or saving
// and validating what the user entered.
class CDataExchange {
public:
    explicit CDataExchange(bool save) : m_bSaveAndValidate(save) {}
    // Marks `control` as failing validation: it gets the focus and the exchange stops.
    void Fail(QWidget* control);
    bool m_bSaveAndValidate;
    bool m_bFailed = false;
};

void DDX_Text(CDataExchange& dx, QLineEdit* edit, QString& value);
void DDX_Text(CDataExchange& dx, QLineEdit* edit, long& value); // "Please enter an integer."
void DDX_CBString(CDataExchange& dx, QComboBox* combo, QString& value);
void DDX_Check(CDataExchange& dx, QCheckBox* box, int& value);
void DDV_MaxChars(CDataExchange& dx, QWidget* control, const QString& value, int maxChars);
void DDV_MinMaxLong(CDataExchange& dx, QWidget* control, long value, long minVal, long maxVal);

class CDialog : public QDialog {
    Q_OBJECT
public:
    explicit CDialog(QWidget* parent);

    // Initialises the dialog and runs it modally; returns IDOK or IDCANCEL.
    int DoModal();
    // Loads the controls from the members (false), or saves and validates them (true).
    bool UpdateData(bool saveAndValidate = true);

    void accept() override;
    void reject() override;

protected:
    virtual void DoDataExchange(CDataExchange& dx) { Q_UNUSED(dx); }
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    void EndDialog(int result);
};
