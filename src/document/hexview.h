// The hexadecimal view: while read-only, the file's bytes on disk shown in the view as a dump,
// and back to the text.
#pragma once

#include "framework/cmdtarget.h"

class CLumettaView;

class CHexView : public CCmdTargetImpl<CHexView> {
public:
    explicit CHexView(CLumettaView& view) : m_view(view) {}

    static const std::vector<MessageMapEntry<CHexView>>& GetMessageMap();

private:
    void OnViewHex();
    void OnUpdateViewHex(CCmdUI* pCmdUI);
    CLumettaView& m_view;
};
