#include "view/numberinputdlg.h"

#include "framework/uiservices.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

CNumberInputDlg::CNumberInputDlg(const QString& prompt, int value, int minValue, int maxValue)
    : CDialog(DialogParent()), m_nValue(value), m_strPrompt(prompt), m_nMin(minValue),
      m_nMax(maxValue) {
    setWindowFlag(Qt::Tool);
    m_pEdit = new QLineEdit(this);
    m_pEdit->setObjectName(QStringLiteral("IDC_%1").arg(IDC_NUMBER));
    m_pEdit->setMinimumWidth(m_pEdit->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(ok, &QPushButton::clicked, this, &CNumberInputDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CNumberInputDlg::reject);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_pEdit, 0, Qt::AlignVCenter);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool CNumberInputDlg::OnInitDialog() {
    setWindowTitle(m_strPrompt);
    // Digits only, as typed; an empty field is still refused when OK is pressed.
    m_pEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_pEdit));
    const bool ok = CDialog::OnInitDialog();
    m_pEdit->selectAll();
    m_pEdit->setFocus();
    return ok;
}

void CNumberInputDlg::DoDataExchange(CDataExchange& dx) {
    DDX_Text(dx, m_pEdit, m_nValue);
    if (m_nMin != m_nMax)
        DDV_MinMaxInt(dx, m_pEdit, m_nValue, m_nMin, m_nMax);
}
