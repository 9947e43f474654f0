// The Find dialog: the search string, from the history or typed, and the search options.
#pragma once

#include "framework/dialog.h"

class CLumettaView;
class QCheckBox;
class QComboBox;

class CFindTextDlg : public CDialog {
    Q_OBJECT
public:
    enum {
        IDD = 151,
        IDC_FIND_WHAT = 1014,
        IDC_MATCH_CASE = 1015,
        IDC_WHOLE_WORDS = 1016,
        IDC_SEARCH_BACKWARDS = 1017,
        IDC_CYCLIC_SEARCH = 1019,
        IDC_REGULAR_EXPRESSION = 1026,
    };
    static constexpr int kMaxChars = 120;

    CFindTextDlg(const QString& initial, CLumettaView* view);

    QString m_strFind;
    CLumettaView* m_pView;

    QComboBox* m_pFindWhat;
    QCheckBox* m_pMatchCase;
    QCheckBox* m_pWholeWords;
    QCheckBox* m_pSearchBackwards;
    QCheckBox* m_pCyclicSearch;
    QCheckBox* m_pRegularExpression;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
};

// Parts the Find and Replace dialogs share.
QComboBox* MakeHistoryCombo(QWidget* parent, int id);
// Exchanges a search or replacement string with a history combo box, control characters shown
// as symbols.
void DDX_SearchString(CDataExchange& dx, QComboBox* combo, QString& value);
QCheckBox* MakeCheck(const QString& text, QWidget* parent, int id);
// Refuses an empty search string when saving: "Search string should not be empty". Returns
// whether the exchange saves and has succeeded so far.
bool DDV_SearchString(CDataExchange& dx, QComboBox* combo, const QString& text);
// Refuses a regular expression PCRE2 cannot compile, saying PCRE2's message and where; and,
// when `withCombo` is given, a replacement naming a group the pattern lacks.
void DDV_RegularExpression(CDataExchange& dx, QComboBox* combo, const QString& pattern,
                           QComboBox* withCombo = nullptr, const QString& with = {});
// The sunken frame at the top of the dialog: an icon and the help text beside it.
QWidget* MakeHelpFrame(QWidget* parent, int standardIcon, const QString& text);
