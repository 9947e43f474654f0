#include "view/numberinputdlg.h"

#include "framework/uiservices.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpacerItem>
#include <QStyle>

CNumberInputDlg::CNumberInputDlg(const QString& prompt, long value, long minValue, long maxValue)
    : CDialog(DialogParent()), m_nValue(value), m_strPrompt(prompt), m_nMin(minValue),
      m_nMax(maxValue) {
    // A small tool window of fixed size: a close button, and no minimise or maximise buttons
    // to take room from the title.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    m_pEdit = new QLineEdit(this);
    m_pEdit->setObjectName(QStringLiteral("IDC_%1").arg(IDC_NUMBER));
    m_pEdit->setMinimumWidth(m_pEdit->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")));
    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(ok, &QPushButton::clicked, this, &CNumberInputDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CNumberInputDlg::reject);
    // The prompt also stands above the field: a title bar may be too narrow for it, and the
    // field takes its accessible name from it.
    auto* label = new QLabel(m_strPrompt, this);
    label->setTextFormat(Qt::PlainText);
    label->setBuddy(m_pEdit);
    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_pEdit, 1, 0, Qt::AlignTop);
    layout->addWidget(ok, 0, 1);
    layout->addWidget(cancel, 1, 1, Qt::AlignTop);
    // Room for the title as well, which window managers set in a bold font beside an icon and
    // a close button.
    QFont titleFont = font();
    titleFont.setBold(true);
    const int titleBar = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    const QMargins margins = layout->contentsMargins();
    const int titleWidth =
        QFontMetrics(titleFont).horizontalAdvance(m_strPrompt) * 6 / 5 + 4 * titleBar;
    layout->addItem(new QSpacerItem(titleWidth - margins.left() - margins.right(), 0), 2, 0, 1, 2);
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
        DDV_MinMaxLong(dx, m_pEdit, m_nValue, m_nMin, m_nMax);
}
