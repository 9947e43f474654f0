#include "search/replacetextdlg.h"

#include "framework/uiservices.h"
#include "framework/waitcursor.h"
#include "resources/strings.h"
#include "search/findtextdlg.h"
#include "text/bytefinder.h"
#include "text/replaceall.h"
#include "view/lumettaview.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <vector>

namespace {
// The characters of a text with letters folded as the search folds them; a lone surrogate (a
// byte that is no UTF-8) stays itself.
std::vector<char32_t> Folded(const QString& text) {
    std::vector<char32_t> folded;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        folded.push_back(FoldCase(c));
    }
    return folded;
}
} // namespace

CReplaceTextDlg::CReplaceTextDlg(const QString& initial, long limit, CLumettaView* view)
    : CDialog(view), m_strFind(initial), m_pView(view), m_pEdit(view), m_nRangeEnd(limit),
      m_nSearchLimit(limit) {
    setWindowTitle(QStringLiteral("Replace Text"));
    setWindowFlag(Qt::Tool);
    if (limit != -1) {
        // The lines selected when the dialog opened: replacing is confined to them, forwards.
        CHARRANGE sel;
        m_pEdit->GetSel(sel);
        m_nRangeStart = sel.cpMin;
        m_bSelectionOnly = 1;
        m_pView->m_bSearchBackwards = 0;
        m_pEdit->SetSel(m_nRangeStart, m_nRangeStart);
    }

    auto* findLabel = new QLabel(QStringLiteral("&Find what"), this);
    m_pFindWhat = MakeHistoryCombo(this, IDC_FIND_WHAT);
    findLabel->setBuddy(m_pFindWhat);
    auto* replaceLabel = new QLabel(QStringLiteral("&Replace with"), this);
    m_pReplaceWith = MakeHistoryCombo(this, IDC_REPLACE_WITH);
    replaceLabel->setBuddy(m_pReplaceWith);
    m_pMatchCase = MakeCheck(QStringLiteral("Match &case"), this, IDC_MATCH_CASE);
    m_pWholeWords = MakeCheck(QStringLiteral("&Whole words only"), this, IDC_WHOLE_WORDS);
    m_pSearchBackwards = MakeCheck(QStringLiteral("Search &backwards"), this, IDC_SEARCH_BACKWARDS);
    m_pRegularExpression =
        MakeCheck(QStringLiteral("Regular e&xpression"), this, IDC_REGULAR_EXPRESSION);
    m_pSelectionOnly =
        MakeCheck(QStringLiteral("Apply to current &selection only"), this, IDC_SELECTION_ONLY);
    m_pReplace = new QPushButton(QStringLiteral("R&eplace"), this);
    m_pReplaceAll = new QPushButton(QStringLiteral("Replace &All"), this);
    m_pFindNext = new QPushButton(QStringLiteral("Find &Next"), this);
    m_pFindNext->setDefault(true);
    auto* close = new QPushButton(QStringLiteral("Close"), this);

    QWidget* frame = MakeHelpFrame(this, QStyle::SP_BrowserReload,
                                   QStringLiteral("Specify what to look for and what to replace "
                                                  "it with. The \"Replace with\" field can be "
                                                  "empty; then \"Replace\" will be equivalent to "
                                                  "deleting."));

    auto* fields = new QGridLayout;
    fields->addWidget(findLabel, 0, 0, Qt::AlignRight);
    fields->addWidget(m_pFindWhat, 0, 1);
    fields->addWidget(replaceLabel, 1, 0, Qt::AlignRight);
    fields->addWidget(m_pReplaceWith, 1, 1);
    auto* options = new QGroupBox(QStringLiteral("Options"), this);
    auto* optionsLayout = new QVBoxLayout(options);
    for (QCheckBox* box : {m_pMatchCase, m_pWholeWords, m_pSearchBackwards, m_pRegularExpression})
        optionsLayout->addWidget(box);
    auto* actions = new QGridLayout;
    actions->addWidget(m_pSelectionOnly, 0, 0, 1, 2);
    actions->addWidget(m_pReplace, 1, 0);
    actions->addWidget(m_pFindNext, 1, 1);
    actions->addWidget(m_pReplaceAll, 2, 0);
    actions->addWidget(close, 2, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(options);
    bottom->addLayout(actions);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(fields);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    QWidget* order[] = {m_pFindWhat,
                        m_pReplaceWith,
                        m_pMatchCase,
                        m_pWholeWords,
                        m_pSearchBackwards,
                        m_pRegularExpression,
                        m_pSelectionOnly,
                        m_pReplace,
                        m_pReplaceAll,
                        m_pFindNext,
                        close};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(m_pSelectionOnly, &QCheckBox::clicked, this, &CReplaceTextDlg::OnSelectionOnly);
    connect(m_pFindWhat, &QComboBox::activated, this, [this] { EnableActionButtons(true); });
    connect(m_pFindWhat, &QComboBox::editTextChanged, this, [this] { EnableActionButtons(true); });
    connect(m_pSearchBackwards, &QCheckBox::clicked, this, [this] {
        if (!m_pView->m_bCyclicSearch)
            EnableActionButtons(true);
    });
    connect(m_pMatchCase, &QCheckBox::clicked, this, [this] {
        if (!m_pMatchCase->isChecked())
            EnableActionButtons(true);
    });
    connect(m_pWholeWords, &QCheckBox::clicked, this, [this] {
        if (!m_pWholeWords->isChecked())
            EnableActionButtons(true);
    });
    connect(m_pRegularExpression, &QCheckBox::clicked, this, [this] { EnableActionButtons(true); });
    connect(m_pFindNext, &QPushButton::clicked, this, &CReplaceTextDlg::OnFindNext);
    connect(m_pReplace, &QPushButton::clicked, this, &CReplaceTextDlg::OnReplace);
    connect(m_pReplaceAll, &QPushButton::clicked, this, &CReplaceTextDlg::OnReplaceAll);
    connect(close, &QPushButton::clicked, this, &CReplaceTextDlg::reject);
}

void CReplaceTextDlg::DoDataExchange(CDataExchange& dx) {
    DDX_SearchString(dx, m_pFindWhat, m_strFind);
    DDV_MaxChars(dx, m_pFindWhat, m_strFind, kMaxChars);
    DDX_SearchString(dx, m_pReplaceWith, m_strReplace);
    DDV_MaxChars(dx, m_pReplaceWith, m_strReplace, kMaxChars);
    DDX_Check(dx, m_pSelectionOnly, m_bSelectionOnly);
    DDX_Check(dx, m_pSearchBackwards, m_pView->m_bSearchBackwards);
    DDX_Check(dx, m_pMatchCase, m_pView->m_bMatchCase);
    DDX_Check(dx, m_pWholeWords, m_pView->m_bWordsOnly);
    DDX_Check(dx, m_pRegularExpression, m_pView->m_bRegularExpression);
    if (m_pView->m_bRegularExpression)
        DDV_RegularExpression(dx, m_pFindWhat, m_strFind, m_pReplaceWith, m_strReplace);
    if (!DDV_SearchString(dx, m_pFindWhat, m_strFind))
        return;
    const int max = AfxGetApp()->m_nHistoryItems;
    m_pView->m_findHistory.AddString(max, m_strFind);
    m_pView->m_replaceHistory.AddString(max, m_strReplace);
}

bool CReplaceTextDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const int max = AfxGetApp()->m_nHistoryItems;
    m_pView->m_findHistory.FillComboBox(max, m_pFindWhat, m_strFind);
    m_pView->m_replaceHistory.FillComboBox(max, m_pReplaceWith, m_strReplace);
    if (m_nRangeEnd == -1) {
        m_pSelectionOnly->setEnabled(false);
        if (SelectionMatches())
            MoveAwayFromSelection(true);
    } else {
        m_pSearchBackwards->setEnabled(false);
    }
    m_pFindWhat->setFocus();
    m_pFindWhat->lineEdit()->selectAll();
    return true;
}

void CReplaceTextDlg::OnCancel() {
    if (m_nRangeEnd != -1 && m_pSelectionOnly->isChecked())
        m_pEdit->SetSel(m_nRangeStart, m_nRangeEnd);
    CDialog::OnCancel();
}

bool CReplaceTextDlg::SelectionMatches() const {
    if (m_pView->m_bRegularExpression)
        return m_pView->SelectionMatches(m_strFind);
    const QString selected = m_pView->GetSelectedText();
    if (m_pView->m_bMatchCase)
        return selected == m_strFind;
    return Folded(selected) == Folded(m_strFind);
}

bool CReplaceTextDlg::ReplacementFits() const {
    const char32_t bad = m_pView->Unholdable(m_strReplace);
    if (bad)
        Ui().MessageBox(m_pView->CannotHoldText(bad), MB_OK | MB_ICONEXCLAMATION);
    return !bad;
}

void CReplaceTextDlg::EnableActionButtons(bool enable) {
    for (QPushButton* b : {m_pReplace, m_pReplaceAll, m_pFindNext})
        b->setEnabled(enable);
}

void CReplaceTextDlg::OnSelectionOnly() {
    if (m_pSelectionOnly->isChecked()) {
        m_pEdit->SetSel(m_nRangeStart, m_nRangeStart);
        m_pSearchBackwards->setChecked(false);
        m_pSearchBackwards->setEnabled(false);
        m_nSearchLimit = m_nRangeEnd;
    } else {
        m_pSearchBackwards->setEnabled(true);
        m_nSearchLimit = -1;
    }
    EnableActionButtons(true);
}

void CReplaceTextDlg::OnFindNext() {
    if (UpdateData(true))
        FindNextMatch(true);
}

void CReplaceTextDlg::OnReplace() {
    if (UpdateData(true) && ReplacementFits())
        ReplaceCurrent(true);
}

bool CReplaceTextDlg::FindNextMatch(bool interactive) {
    if (m_pView->FindNext(m_strFind, m_nSearchLimit, interactive) != -1) {
        if (interactive)
            MoveAwayFromSelection(false);
        return true;
    }
    EnableActionButtons(false);
    if (m_pSelectionOnly->isChecked())
        m_pEdit->SetSel(m_nRangeStart, m_nRangeStart);
    return false;
}

void CReplaceTextDlg::TrackRange(long end, long delta) {
    m_nRangeEnd = MovedRangeEnd(m_nRangeStart, m_nRangeEnd, end, delta);
    if (m_pSelectionOnly->isChecked())
        m_nSearchLimit = m_nRangeEnd;
}

bool CReplaceTextDlg::ReplaceCurrent(bool interactive) {
    if (SelectionMatches()) {
        const QByteArray with = m_pView->ReplacementFor(m_strReplace);
        CHARRANGE sel;
        m_pEdit->GetSel(sel);
        const long delta = with.size() - (sel.cpMax - sel.cpMin);
        m_pEdit->ReplaceSel(with);
        TrackRange(sel.cpMin + with.size(), delta);
        // Searching backwards goes on before the new text, never into it.
        if (m_pView->m_bSearchBackwards)
            m_pEdit->SetSel(sel.cpMin, sel.cpMin);
    }
    return FindNextMatch(interactive);
}

void CReplaceTextDlg::OnReplaceAll() {
    if (!UpdateData(true) || !ReplacementFits())
        return;
    long count = SelectionMatches() ? 1 : 0;
    const long found = ReplaceAllMatches();
    if (found < 0)
        return; // cancelled: nothing was replaced
    count += found;
    // Replacing stops where the pattern gave up: what came before is replaced, and that is said.
    if (m_pView->m_bRegularExpression && !m_pEdit->SearchFailure().isEmpty())
        Ui().MessageBox(QString::fromUtf8(Str::RegexGaveUp).arg(m_pEdit->SearchFailure()),
                        MB_OK | MB_ICONEXCLAMATION);
    if (count > 0)
        Ui().MessageBox(QString::asprintf(Str::OccurrencesReplaced, count, count > 1 ? "s" : ""),
                        MB_OK | MB_ICONINFORMATION);
}

long CReplaceTextDlg::ReplaceAllMatches() {
    // The same steps as pressing Replace until nothing more is found, done inside the text
    // without selecting, scrolling or repainting each match, and undone as one step.
    ReplaceAllRequest request;
    if (!m_pView->ToDocumentBytes(m_strFind, request.find))
        request.find.clear(); // the text cannot hold it: nothing is found
    m_pView->ToDocumentBytes(m_strReplace, request.with);
    request.options = m_pView->UserFindOptions().match;
    request.backwards = m_pView->m_bSearchBackwards;
    CHARRANGE sel;
    m_pEdit->GetSel(sel);
    request.selMin = sel.cpMin;
    request.selMax = sel.cpMax;
    request.selectionMatches = SelectionMatches();
    request.rangeStart = m_nRangeStart;
    request.rangeEnd = m_nRangeEnd;
    request.confined = m_nSearchLimit != -1;
    CWaitCursor wait;
    QProgressDialog progress(QStringLiteral("Replacing..."), QStringLiteral("Cancel"), 0, 1000,
                             this);
    progress.setMinimumDuration(500);
    progress.setWindowModality(Qt::WindowModal);
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer shown;
    shown.start();
    const ReplaceAllResult result = m_pEdit->ReplaceAll(request, [&](double done) {
        // Asking the dialog processes events: not more often than the eye can follow.
        if (clock.elapsed() <= 200 || shown.elapsed() < 50)
            return false;
        shown.restart();
        progress.setValue(static_cast<int>(1000 * done));
        return progress.wasCanceled();
    });
    if (result.cancelled) {
        // The text is as it was, and leaves nothing to undo or redo.
        m_pEdit->SetSel(sel);
        return -1;
    }
    m_nRangeEnd = result.rangeEnd;
    if (m_nSearchLimit != -1)
        m_nSearchLimit = m_nRangeEnd;
    m_pEdit->SetSel(result.selMin, result.selMax);
    EnableActionButtons(false);
    if (m_pSelectionOnly->isChecked())
        m_pEdit->SetSel(m_nRangeStart, m_nRangeStart);
    return result.found;
}

void CReplaceTextDlg::MoveAwayFromSelection(bool force) {
    CHARRANGE sel;
    m_pEdit->GetSel(sel);
    const QPoint p = m_pEdit->viewport()->mapToGlobal(m_pEdit->PosFromChar(sel.cpMin));
    QRect r = frameGeometry();
    const int h = r.height();
    if (!force && !r.contains(p))
        return;
    if (p.y() > h) {
        r.translate(0, p.y() - (r.top() + h) - 20);
    } else {
        const QScreen* screen = this->screen() ? this->screen() : QApplication::primaryScreen();
        if (p.y() + h < screen->geometry().height())
            r.translate(0, p.y() - r.top() + 40);
    }
    move(r.topLeft());
}
