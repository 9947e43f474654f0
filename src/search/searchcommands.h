// The Search menu's commands on the view: Find, Replace, Repeat Find, Find selection and Match
// Brace. The view holds the options and the histories they use.
#pragma once

#include "framework/cmdtarget.h"

class CLumettaView;

class CSearchCommands : public CCmdTargetImpl<CSearchCommands> {
public:
    explicit CSearchCommands(CLumettaView& view) : m_view(view) {}

    static const std::vector<MessageMapEntry<CSearchCommands>>& GetMessageMap();

private:
    void OnEditFind();
    void OnEditReplace();
    void OnEditRepeat();
    void OnRepeatOtherWay();
    void OnUpdateEditRepeat(CCmdUI* pCmdUI);
    void OnFindSelection();
    void OnUpdateNeedsSelection(CCmdUI* pCmdUI);
    void OnMatchBrace();

    CLumettaView& m_view;
};
