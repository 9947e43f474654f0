// Insert file: a file's text put in place of the selection, in the open file's encoding.
#pragma once

#include "framework/cmdtarget.h"

class CLumettaView;

class CInsertFile : public CCmdTargetImpl<CInsertFile> {
public:
    explicit CInsertFile(CLumettaView& view) : m_view(view) {}

    static const std::vector<MessageMapEntry<CInsertFile>>& GetMessageMap();

private:
    void OnFileInsert();

    CLumettaView& m_view;
};
