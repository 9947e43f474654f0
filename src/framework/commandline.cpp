#include "framework/commandline.h"

void CCommandLineInfo::ParseParam(const QString& param, bool flag, bool last) {
    if (flag)
        ParseParamFlag(param);
    else
        ParseParamNotFlag(param);
    ParseLast(last);
}

void CCommandLineInfo::ParseParamFlag(const QString& param) {
    // Shell switches are case-sensitive, the registration and hosting ones are not.
    if (param == QLatin1String("pt"))
        m_nShellCommand = FilePrintTo;
    else if (param == QLatin1String("p"))
        m_nShellCommand = FilePrint;
    else if (param.compare(QLatin1String("Unregister"), Qt::CaseInsensitive) == 0 ||
             param.compare(QLatin1String("Unregserver"), Qt::CaseInsensitive) == 0)
        m_nShellCommand = AppUnregister;
    else if (param == QLatin1String("dde"))
        m_nShellCommand = FileDDE;
    else if (param.compare(QLatin1String("Embedding"), Qt::CaseInsensitive) == 0)
        m_bRunEmbedded = true;
    else if (param.compare(QLatin1String("Automation"), Qt::CaseInsensitive) == 0)
        m_bRunAutomated = true;
}

void CCommandLineInfo::ParseParamNotFlag(const QString& param) {
    if (m_strFileName.isEmpty())
        m_strFileName = param;
    else if (m_nShellCommand == FilePrintTo && m_strPrinterName.isEmpty())
        m_strPrinterName = param;
    else if (m_nShellCommand == FilePrintTo && m_strDriverName.isEmpty())
        m_strDriverName = param;
    else if (m_nShellCommand == FilePrintTo && m_strPortName.isEmpty())
        m_strPortName = param;
    else if (m_nShellCommand != FilePrintTo)
        m_extraFiles << param;
}

void CCommandLineInfo::ParseLast(bool last) {
    if (last && m_nShellCommand == FileNew && !m_strFileName.isEmpty())
        m_nShellCommand = FileOpen;
}

bool CCommandLineInfo::IsKnownSwitch(const QString& name) {
    static const char* const known[] = {"p", "pt", "dde"};
    for (const char* k : known)
        if (name == QLatin1String(k))
            return true;
    static const char* const anyCase[] = {"Unregister", "Unregserver", "Embedding", "Automation"};
    for (const char* k : anyCase)
        if (name.compare(QLatin1String(k), Qt::CaseInsensitive) == 0)
            return true;
    return name.startsWith(QLatin1String("S:"));
}

void CCommandLineInfo::ParseCommandLine(const QStringList& args) {
    for (int i = 0; i < args.size(); ++i) {
        QString param = args[i];
        const bool switches = !m_bSwitchesEnded;
        if (switches && param == QLatin1String("--")) {
            m_bSwitchesEnded = true;
            ParseLast(i == args.size() - 1);
            continue;
        }
        bool flag = false;
        if (switches && param != QLatin1String("-") &&
            (param.startsWith(QLatin1Char('-')) ||
             (param.startsWith(QLatin1Char('/')) && IsKnownSwitch(param.mid(1))))) {
            flag = true;
            param.remove(0, 1);
        }
        ParseParam(param, flag, i == args.size() - 1);
    }
}

QString CCommandLineInfo::UsageError() const {
    if (m_nShellCommand == FilePrint && m_strFileName.isEmpty())
        return QStringLiteral("/p needs the name of the file to print");
    if (m_nShellCommand == FilePrintTo && (m_strFileName.isEmpty() || m_strPrinterName.isEmpty()))
        return QStringLiteral("/pt needs the name of the file to print and a printer");
    return QString();
}
