#include "app/lumettacommandline.h"

#include "app/lumettaapp.h"

void CLumettaCommandLineInfo::ParseParam(const QString& param, bool flag, bool last) {
    if (m_bSwitchesEnded || !param.startsWith(QLatin1String("S:"))) {
        CCommandLineInfo::ParseParam(param, flag, last);
        return;
    }
    const QString suffix = param.mid(2);
    if (!IsValidProfileSuffix(suffix)) {
        if (m_strBadProfileOption.isEmpty())
            m_strBadProfileOption = param;
    } else if (m_strBadProfileOption.isEmpty()) {
        // Every later read and write of the run goes to the profile named by the suffix.
        const QString current = m_app.GetProfileName();
        m_app.m_strProfileName = current + suffix;
        if (m_app.m_pszBaseProfileName.isNull())
            m_app.m_pszBaseProfileName = current;
        m_app.ProfileStore().SetProfileName(m_app.m_strProfileName);
    }
    if (last)
        ParseLast(last);
}

bool CLumettaCommandLineInfo::IsValidProfileSuffix(const QString& suffix) {
    if (suffix.toUtf8().size() > 64 || suffix.contains(QLatin1String("..")))
        return false;
    for (QChar c : suffix)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 ||
            c.unicode() == 0x7f)
            return false;
    return true;
}
