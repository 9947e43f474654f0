#include "framework/cmdtarget.h"

#include "framework/loadguard.h"

CCmdUI CCommandRouter::Query(int id) const {
    CCmdUI ui(id);
    const std::vector<CCmdTarget*> chain = m_chain();
    for (CCmdTarget* t : chain)
        if (t && t->OnUpdateCmdMsg(ui))
            break;
    bool handled = false;
    for (CCmdTarget* t : chain)
        handled = handled || (t && t->HasHandler(id));
    ui.m_bEnabled = ui.m_bEnabled && handled;
    return ui;
}

bool CCommandRouter::Execute(int id) const {
    if (CLoadGuard::Active()) {
        // A command posted or queued while a load runs is carried out when it is over.
        CLoadGuard::WhenDone(m_pOwner, [this, id] { Execute(id); });
        return false;
    }
    if (!IsEnabled(id))
        return false;
    for (CCmdTarget* t : m_chain())
        if (t && t->OnCmdMsg(id))
            return true;
    return false;
}
