// The standard command line: a file to open, print switches, unregistering, and the switches of
// hosting modes the program does not offer.
#pragma once

#include <QString>
#include <QStringList>

class CCommandLineInfo {
public:
    enum ShellCommand { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppUnregister };

    virtual ~CCommandLineInfo() = default;

    // Called once per parameter, with one leading "-" or "/" removed when `flag` is set.
    virtual void ParseParam(const QString& param, bool flag, bool last);

    // Feeds every parameter (after the program name) to ParseParam. A parameter starting with
    // "-" is a switch; one starting with "/" is a switch only when it names a known one, so that
    // absolute paths open as files.
    void ParseCommandLine(const QStringList& args);
    static bool IsKnownSwitch(const QString& name);

    ShellCommand m_nShellCommand = FileNew;
    QString m_strFileName;
    QString m_strPrinterName;
    QString m_strDriverName;
    QString m_strPortName;
    bool m_bRunEmbedded = false;
    bool m_bRunAutomated = false;

protected:
    void ParseParamFlag(const QString& param);
    void ParseParamNotFlag(const QString& param);
    void ParseLast(bool last);
};
