#include "search/searchcommands.h"

#include "framework/uiservices.h"
#include "resources/resource.h"
#include "search/bracematch.h"
#include "search/findtextdlg.h"
#include "search/replacetextdlg.h"
#include "view/lumettaview.h"

const std::vector<MessageMapEntry<CSearchCommands>>& CSearchCommands::GetMessageMap() {
    using T = CSearchCommands;
    static const std::vector<MessageMapEntry<T>> map = {
        OnCommand<T>(ID_EDIT_FIND, &T::OnEditFind),
        OnCommand<T>(ID_EDIT_REPLACE, &T::OnEditReplace),
        OnCommand<T>(ID_EDIT_REPEAT, &T::OnEditRepeat),
        OnUpdate<T>(ID_EDIT_REPEAT, &T::OnUpdateEditRepeat),
        OnCommand<T>(ID_SEARCH_REPEATOTHERWAY, &T::OnRepeatOtherWay),
        OnUpdate<T>(ID_SEARCH_REPEATOTHERWAY, &T::OnUpdateEditRepeat),
        OnCommand<T>(ID_SEARCH_FINDSELECTION, &T::OnFindSelection),
        OnUpdate<T>(ID_SEARCH_FINDSELECTION, &T::OnUpdateNeedsSelection),
        OnCommand<T>(ID_SEARCH_MATCHBRACE, &T::OnMatchBrace),
        OnUpdate<T>(ID_SEARCH_MATCHBRACE, &T::OnUpdateNeedsSelection),
    };
    return map;
}

void CSearchCommands::OnEditFind() {
    CFindTextDlg dlg(m_view.GetSelectedText(), &m_view);
    if (dlg.DoModal() == IDOK)
        m_view.FindNext(dlg.m_strFind, -1, true);
}

void CSearchCommands::OnEditReplace() {
    CHARRANGE sel;
    m_view.GetSel(sel);
    QString initial;
    long limit = -1;
    if (sel.cpMin != sel.cpMax) {
        if (m_view.LineFromChar(sel.cpMin) == m_view.LineFromChar(sel.cpMax))
            initial = m_view.GetSelectedText();
        else
            limit = sel.cpMax; // the lines selected: the dialog's selection-only mode
    }
    CReplaceTextDlg dlg(initial, limit, &m_view);
    dlg.DoModal();
}

void CSearchCommands::OnEditRepeat() {
    m_view.FindNext(m_view.m_findHistory.GetMostRecent(), -1, true);
}

void CSearchCommands::OnRepeatOtherWay() {
    // The other way for this search only: the direction chosen in the dialogs stays.
    FindOptions options = m_view.UserFindOptions();
    options.backwards = !options.backwards;
    m_view.FindNext(m_view.m_findHistory.GetMostRecent(), -1, true, options);
}

void CSearchCommands::OnUpdateEditRepeat(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_view.m_findHistory.GetCount() > 0);
}

void CSearchCommands::OnFindSelection() {
    const QString text = m_view.GetSelectedText();
    m_view.m_findHistory.AddString(AfxGetApp()->m_nHistoryItems, text);
    m_view.FindNext(text, -1, true);
}

void CSearchCommands::OnUpdateNeedsSelection(CCmdUI* pCmdUI) {
    CHARRANGE sel;
    m_view.GetSel(sel);
    pCmdUI->Enable(sel.cpMin != sel.cpMax);
}

void CSearchCommands::OnMatchBrace() {
    MatchBrace(m_view);
}
