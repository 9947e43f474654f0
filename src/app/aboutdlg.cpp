#include "app/aboutdlg.h"

#include "framework/uiservices.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const char* const kEmail = "zorvek@example.org";
const char* const kWebScheme = "https://";
const char* const kWeb = "www.example.org/zorvek";

QLineEdit* AddressField(QWidget* parent, int id) {
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true); // selectable and copyable, not editable
    edit->setObjectName(QStringLiteral("IDC_%1").arg(id));
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QString::fromUtf8(kWeb)) + 16);
    return edit;
}
} // namespace

CAboutDlg::CAboutDlg() : CDialog(DialogParent()) {
    setWindowTitle(QStringLiteral("About Zorvek"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/zorvek.svg")).pixmap(32, 32));
    auto* name = new QLabel(QStringLiteral("Zorvek Version 1.0"), this);
    name->setTextFormat(Qt::PlainText);
    auto* rights = new QLabel(QStringLiteral("Copyright \u00A9 2026 the Zorvek developers"), this);
    auto* ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CAboutDlg::accept);
    auto* credit = new QLabel(QStringLiteral("Written by the Zorvek developers, for programmers."),
                              this);
    auto* emailLabel = new QLabel(QStringLiteral("&E-mail:"), this);
    m_pEmail = AddressField(this, IDC_ABOUT_EMAIL);
    emailLabel->setBuddy(m_pEmail);
    auto* webLabel = new QLabel(QStringLiteral("&Web ") + QString::fromUtf8(kWebScheme), this);
    m_pWeb = AddressField(this, IDC_ABOUT_WEB);
    webLabel->setBuddy(m_pWeb);
    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    auto* terms = new QLabel(QStringLiteral("Zorvek is free software: you may use, copy and share "
                                            "it, changed or not, provided this notice goes with "
                                            "it. It comes without any warranty."),
                             this);
    terms->setWordWrap(true);
    // What the terms above leave out: the licence the program is under.
    auto* licence = new QLabel(
        QStringLiteral("It is free software under the GNU General Public License, version 3, "
                       "with no warranty: see /usr/share/common-licenses/GPL-3 or "
                       "https://www.gnu.org/licenses/gpl-3.0.html for the full text."),
        this);
    licence->setWordWrap(true);
    licence->setTextInteractionFlags(Qt::TextSelectableByMouse);
    licence->setObjectName(QStringLiteral("licence"));
    auto* slogan = new QLabel(QStringLiteral("Small, fast, and kind to your files."), this);
    slogan->setAlignment(Qt::AlignHCenter);

    auto* head = new QGridLayout;
    head->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    head->addWidget(name, 0, 1);
    head->addWidget(rights, 1, 1);
    head->addWidget(ok, 0, 2, Qt::AlignTop);
    head->addWidget(credit, 2, 1, 1, 2);
    auto* addresses = new QGridLayout;
    addresses->addWidget(emailLabel, 0, 0, Qt::AlignRight);
    addresses->addWidget(m_pEmail, 0, 1, Qt::AlignLeft);
    addresses->addWidget(webLabel, 1, 0, Qt::AlignRight);
    addresses->addWidget(m_pWeb, 1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addLayout(addresses);
    layout->addWidget(rule);
    layout->addWidget(terms);
    layout->addWidget(licence);
    layout->addWidget(slogan);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    ok->setFocus();
}

void CAboutDlg::DoDataExchange(CDataExchange& dx) {
    if (!dx.m_bSaveAndValidate) {
        m_pEmail->setText(QString::fromUtf8(kEmail));
        m_pWeb->setText(QString::fromUtf8(kWeb));
    }
}
