// The application object: start-up and shutdown, the command line, the main window's life and the
// application-wide commands.
#pragma once

#include "framework/winapp.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class CMainFrame;
class CLumettaDoc;
class CLumettaView;
class CLumettaCommandLineInfo;
struct LeftJournal;

class CLumettaApp : public CCmdTargetImpl<CLumettaApp, CWinApp> {
public:
    CLumettaApp();
    ~CLumettaApp() override;

    // Start-up; false ends the program (ExitInstance still runs).
    bool InitInstance(const QStringList& args);
    // Shutdown after the main window has gone; returns the process exit code.
    int ExitInstance();
    // Closes the main frame as the close box would; false when the user cancelled.
    bool CloseMainFrame();
    // Destroys the main frame, the view (which writes its settings) and the document.
    void DestroyMainFrame();

    CMainFrame* MainFrame() const { return m_pMainWnd.get(); }
    CLumettaDoc* Document() const { return m_pDocument.get(); }
    CLumettaView* View() const;

    static const std::vector<MessageMapEntry<CLumettaApp>>& GetMessageMap();

    // The desktop session is ending (logging out): unsaved changes are asked about as at Exit;
    // false when the user cancelled, which cancels the logout.
    bool OnSessionEnding();
    // SIGTERM, SIGHUP or SIGINT arrived (handed on from the event loop, never in the middle of
    // a save): the unsaved changes stay in their journal, and the program ends without asking.
    void OnTerminationSignal(int signal);

    // Starts another run of the program with these parameters, the `cascade`th of the runs
    // started together (its window is placed a step further each); tests record them instead.
    std::function<void(const QStringList& args, int cascade)> m_launchInstance;

    QString m_strProfileName;
    QString m_pszBaseProfileName; // null: no S: option was given

private:
    friend class CLumettaCommandLineInfo;

    bool ProcessShellCommand(CLumettaCommandLineInfo& info);
    bool PrintFromCommandLine(const CLumettaCommandLineInfo& info);
    bool OpenStandardInput();
    void LaunchFurtherFiles(const QStringList& files);
    bool CreateMainFrame();
    // Offers back the unsaved changes that ended runs left: at start-up all of them, one after
    // another until one is taken; when a file is opened, those to that file.
    void OfferLeftJournals();
    void OfferJournalFor(const QString& path);
    // Asks about one journal and recovers it into the document when the user says so; true when
    // it was recovered.
    bool OfferJournal(const LeftJournal& left);

    void OnAppAbout();
    void OnSaveSettings();
    void OnUpdateSaveSettings(CCmdUI* pCmdUI);
    void OnFileNew();
    void OnFileOpen();
    void OnAppExit();
    void OnOpenRecentFile(int id);
    void OnUpdateRecentFile(CCmdUI* pCmdUI);

    std::unique_ptr<CLumettaDoc> m_pDocument;
    std::unique_ptr<CMainFrame> m_pMainWnd;
    bool m_bSkipExitWrites = false;
    bool m_bShellCommandFailed = false;
    bool m_bCommandLineRefused = false;
    bool m_bOfferingJournals = false; // a journal is being recovered: opening asks nothing more
    QStringList m_offeredJournals;    // the journals offered in this run
    int m_nSignal = 0;                // the signal that ended the program
    QMetaObject::Connection m_sessionEnd;
};
