#include "search/findtextdlg.h"

#include "framework/fieldtext.h"
#include "framework/uiservices.h"
#include "resources/strings.h"
#include "text/textencoding.h"
#include "text/textsearch.h"
#include "view/lumettaview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

QComboBox* MakeHistoryCombo(QWidget* parent, int id) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    // What the user typed is what is used: no completion from the history, which would swap
    // the text for an entry that differs in case or goes on further.
    combo->setCompleter(nullptr);
    combo->setInsertPolicy(QComboBox::NoInsert);
    FieldText::Attach(combo);
    combo->setMinimumContentsLength(24);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setObjectName(QStringLiteral("IDC_%1").arg(id));
    return combo;
}

QCheckBox* MakeCheck(const QString& text, QWidget* parent, int id) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QStringLiteral("IDC_%1").arg(id));
    return box;
}

void DDX_SearchString(CDataExchange& dx, QComboBox* combo, QString& value) {
    if (dx.m_bFailed)
        return;
    if (dx.m_bSaveAndValidate)
        value = FieldText::FromField(combo->currentText());
    else
        combo->setEditText(FieldText::ToField(value));
}

bool DDV_SearchString(CDataExchange& dx, QComboBox* combo, const QString& text) {
    if (!dx.m_bSaveAndValidate || dx.m_bFailed)
        return false;
    if (text.isEmpty()) {
        Ui().MessageBox(QString::fromUtf8(Str::SearchStringEmpty), MB_OK | MB_ICONEXCLAMATION);
        dx.Fail(combo);
        return false;
    }
    return true;
}

void DDV_RegularExpression(CDataExchange& dx, QComboBox* combo, const QString& pattern,
                           QComboBox* withCombo, const QString& with) {
    if (!dx.m_bSaveAndValidate || dx.m_bFailed)
        return;
    const QByteArray bytes = BytesFromEscaped(pattern);
    int groups = 0;
    if (const std::optional<RegexError> error = CTextSearch::PatternError(bytes, &groups)) {
        // PCRE2 counts bytes; the user counts characters.
        const qsizetype at = EscapedFromBytes(bytes.left(error->offset)).size() + 1;
        Ui().MessageBox(QString::fromUtf8(Str::InvalidRegex).arg(error->message).arg(at),
                        MB_OK | MB_ICONEXCLAMATION);
        dx.Fail(combo);
        return;
    }
    const int named = withCombo ? HighestGroupIn(BytesFromEscaped(with)) : 0;
    if (named > groups) {
        Ui().MessageBox(QString::fromUtf8(Str::MissingGroup).arg(named).arg(groups),
                        MB_OK | MB_ICONEXCLAMATION);
        dx.Fail(withCombo);
    }
}

QWidget* MakeHelpFrame(QWidget* parent, int standardIcon, const QString& text) {
    auto* frame = new QFrame(parent);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    auto* icon = new QLabel(frame);
    icon->setPixmap(parent->style()
                        ->standardIcon(static_cast<QStyle::StandardPixmap>(standardIcon))
                        .pixmap(32, 32));
    auto* help = new QLabel(text, frame);
    help->setWordWrap(true);
    auto* layout = new QHBoxLayout(frame);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addWidget(help, 1);
    return frame;
}

CFindTextDlg::CFindTextDlg(const QString& initial, CLumettaView* view)
    : CDialog(view), m_strFind(initial), m_pView(view) {
    setWindowTitle(QStringLiteral("Find Text"));
    setWindowFlag(Qt::Tool);
    auto* label = new QLabel(QStringLiteral("&Find what"), this);
    m_pFindWhat = MakeHistoryCombo(this, IDC_FIND_WHAT);
    label->setBuddy(m_pFindWhat);
    auto* ok = new QPushButton(QStringLiteral("Find Next"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(ok, &QPushButton::clicked, this, &CFindTextDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CFindTextDlg::reject);

    QWidget* frame = MakeHelpFrame(this, QStyle::SP_FileDialogContentsView,
                                   QStringLiteral("Specify what to search for by entering the "
                                                  "text or selecting a history item. Spaces and "
                                                  "tabs are significant."));

    m_pMatchCase = MakeCheck(QStringLiteral("Match &case"), this, IDC_MATCH_CASE);
    m_pWholeWords = MakeCheck(QStringLiteral("&Whole words only"), this, IDC_WHOLE_WORDS);
    m_pSearchBackwards = MakeCheck(QStringLiteral("Search &backwards"), this, IDC_SEARCH_BACKWARDS);
    m_pCyclicSearch = MakeCheck(QStringLiteral("Cyclic &search"), this, IDC_CYCLIC_SEARCH);
    m_pRegularExpression =
        MakeCheck(QStringLiteral("Regular e&xpression"), this, IDC_REGULAR_EXPRESSION);
    auto* options = new QGroupBox(QStringLiteral("Options"), this);
    auto* optionsLayout = new QVBoxLayout(options);
    for (QCheckBox* box :
         {m_pMatchCase, m_pWholeWords, m_pSearchBackwards, m_pCyclicSearch, m_pRegularExpression})
        optionsLayout->addWidget(box);

    auto* findRow = new QHBoxLayout;
    findRow->addWidget(label);
    findRow->addWidget(m_pFindWhat, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(options);
    bottom->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(findRow);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Tab order as in the template: the search string, the buttons, then the options.
    setTabOrder(m_pFindWhat, ok);
    setTabOrder(ok, cancel);
    setTabOrder(cancel, m_pMatchCase);
    setTabOrder(m_pMatchCase, m_pWholeWords);
    setTabOrder(m_pWholeWords, m_pSearchBackwards);
    setTabOrder(m_pSearchBackwards, m_pCyclicSearch);
    setTabOrder(m_pCyclicSearch, m_pRegularExpression);
}

bool CFindTextDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_pView->m_findHistory.FillComboBox(AfxGetApp()->m_nHistoryItems, m_pFindWhat, m_strFind);
    m_pFindWhat->setFocus();
    m_pFindWhat->lineEdit()->selectAll();
    return true;
}

void CFindTextDlg::DoDataExchange(CDataExchange& dx) {
    DDX_SearchString(dx, m_pFindWhat, m_strFind);
    DDV_MaxChars(dx, m_pFindWhat, m_strFind, kMaxChars);
    DDX_Check(dx, m_pSearchBackwards, m_pView->m_bSearchBackwards);
    DDX_Check(dx, m_pCyclicSearch, m_pView->m_bCyclicSearch);
    DDX_Check(dx, m_pMatchCase, m_pView->m_bMatchCase);
    DDX_Check(dx, m_pWholeWords, m_pView->m_bWordsOnly);
    DDX_Check(dx, m_pRegularExpression, m_pView->m_bRegularExpression);
    if (m_pView->m_bRegularExpression)
        DDV_RegularExpression(dx, m_pFindWhat, m_strFind);
    if (DDV_SearchString(dx, m_pFindWhat, m_strFind))
        m_pView->m_findHistory.AddString(AfxGetApp()->m_nHistoryItems, m_strFind);
}
