// The hexadecimal view: while read-only, the file's bytes on disk shown in the view as a dump,
// and back to the text.
#pragma once

#include "framework/cmdtarget.h"

class CLumettaDoc;
class CLumettaView;

class CHexView : public CCmdTargetImpl<CHexView> {
public:
    // A longer dump (of a file of more than about 73 MiB) is not made whole: the view shows it
    // a window at a time.
    static constexpr long kWholeDumpMost = 320L << 20;

    CHexView(CLumettaView& view, CLumettaDoc& doc) : m_view(view), m_doc(doc) {}

    static const std::vector<MessageMapEntry<CHexView>>& GetMessageMap();

private:
    void OnViewHex();
    void OnUpdateViewHex(CCmdUI* pCmdUI);
    CLumettaView& m_view;
    CLumettaDoc& m_doc; // its journal follows the text shown again
};
