// The Replace dialog: finds and replaces while it is open, optionally only within the lines that
// were selected when it opened, and moves out of the way of the text it finds.
#pragma once

#include "framework/dialog.h"

class CLumettaView;
class QCheckBox;
class QComboBox;
class QPushButton;

class CReplaceTextDlg : public CDialog {
    Q_OBJECT
public:
    enum {
        IDD = 153,
        IDC_FIND_WHAT = 1014,
        IDC_MATCH_CASE = 1015,
        IDC_WHOLE_WORDS = 1016,
        IDC_SEARCH_BACKWARDS = 1017,
        IDC_REPLACE = 1020,
        IDC_FIND_NEXT = 1022,
        IDC_REPLACE_ALL = 1023,
        IDC_REPLACE_WITH = 1024,
        IDC_SELECTION_ONLY = 1025,
        IDC_REGULAR_EXPRESSION = 1026,
    };
    static constexpr int kMaxChars = 120;

    CReplaceTextDlg(const QString& initial, long limit, CLumettaView* view);

    void OnFindNext();
    void OnReplace();
    void OnReplaceAll();
    void OnSelectionOnly();
    // Moves the dialog up or down, off the selection's first character; only when it covers
    // it unless `force`.
    void MoveAwayFromSelection(bool force);
    bool SelectionMatches() const;
    // False, after telling the user, when the file cannot hold the replacement text.
    bool ReplacementFits() const;

    QString m_strFind;
    QString m_strReplace;
    int m_bSelectionOnly = 0;
    CLumettaView* m_pView;
    CLumettaView* m_pEdit;
    long m_nRangeEnd;
    long m_nRangeStart = 0;
    long m_nSearchLimit;

    QComboBox* m_pFindWhat;
    QComboBox* m_pReplaceWith;
    QCheckBox* m_pMatchCase;
    QCheckBox* m_pWholeWords;
    QCheckBox* m_pSearchBackwards;
    QCheckBox* m_pSelectionOnly;
    QCheckBox* m_pRegularExpression;
    QPushButton* m_pReplace;
    QPushButton* m_pReplaceAll;
    QPushButton* m_pFindNext;

protected:
    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnCancel() override;

private:
    bool FindNextMatch(bool interactive);
    bool ReplaceCurrent(bool interactive);
    void EnableActionButtons(bool enable);
    // Replace All's loop, done without selecting, scrolling or repainting for each match.
    // Returns the number of replacements, or -1 when the user cancelled them all.
    long ReplaceAllMatches();
    // Moves the range's end by `delta` when the text just replaced, ending at `end`, lay inside.
    void TrackRange(long end, long delta);
};
