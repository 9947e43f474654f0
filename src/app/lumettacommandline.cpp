#include "app/lumettacommandline.h"

#include "app/lumettaapp.h"

void CLumettaCommandLineInfo::ParseParam(const QString& param, bool flag, bool last) {
    if (!param.startsWith(QLatin1String("S:"))) {
        CCommandLineInfo::ParseParam(param, flag, last);
        return;
    }
    // Every later read and write of the run goes to the profile named by the suffix.
    const QString current = m_app.GetProfileName();
    m_app.m_strProfileName = current + param.mid(2);
    if (m_app.m_pszBaseProfileName.isNull())
        m_app.m_pszBaseProfileName = current;
    m_app.ProfileStore().SetProfileName(m_app.m_strProfileName);
    if (last)
        ParseLast(last);
}
