#include "framework/encodingdlg.h"

#include "framework/uiservices.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include <algorithm>

CEncodingDlg::CEncodingDlg(const QString& title, std::vector<FileEncoding> encodings,
                           FileEncoding current)
    : CDialog(DialogParent()), m_encodings(std::move(encodings)), m_encoding(current) {
    setWindowTitle(title);
    m_pList = new QListWidget(this);
    for (const FileEncoding& e : m_encodings)
        m_pList->addItem(QString::fromUtf8(EncodingName(e)));
    // Tall enough to choose from without much scrolling, wide enough for every name.
    m_pList->setMinimumHeight(m_pList->sizeHintForRow(0) * 14);
    m_pList->setMinimumWidth(m_pList->sizeHintForColumn(0) + 48);
    auto* label = new QLabel(QStringLiteral("&Encoding of the file:"), this);
    label->setBuddy(m_pList);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CEncodingDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CEncodingDlg::reject);
    connect(m_pList, &QListWidget::itemDoubleClicked, this, &CEncodingDlg::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_pList);
    layout->addWidget(buttons);
}

bool CEncodingDlg::Choose(const QString& name) {
    const QList<QListWidgetItem*> found = m_pList->findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    m_pList->setCurrentItem(found.front());
    return true;
}

void CEncodingDlg::DoDataExchange(CDataExchange& dx) {
    if (!dx.m_bSaveAndValidate) {
        const auto it = std::find(m_encodings.begin(), m_encodings.end(), m_encoding);
        m_pList->setCurrentRow(
            it == m_encodings.end() ? 0 : static_cast<int>(it - m_encodings.begin()));
        m_pList->setFocus();
        return;
    }
    const int row = m_pList->currentRow();
    if (row >= 0)
        m_encoding = m_encodings[static_cast<size_t>(row)];
}
