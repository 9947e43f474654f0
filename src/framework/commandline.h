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
    // absolute paths open as files. "--" ends the switches; "-" alone is a file name, standard
    // input.
    void ParseCommandLine(const QStringList& args);
    // What makes the parsed command line unusable, for the user; empty when it is sound.
    QString UsageError() const;
    static bool IsKnownSwitch(const QString& name);

    ShellCommand m_nShellCommand = FileNew;
    QString m_strFileName;
    QString m_strPrinterName;
    QString m_strDriverName;
    QString m_strPortName;
    QStringList m_extraFiles; // files after the first, each for a run of its own
    bool m_bRunEmbedded = false;
    bool m_bRunAutomated = false;
    bool m_bSwitchesEnded = false; // "--" was seen: what follows is file names only

protected:
    void ParseParamFlag(const QString& param);
    void ParseParamNotFlag(const QString& param);
    void ParseLast(bool last);
};
