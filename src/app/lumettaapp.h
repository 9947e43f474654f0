// The application object: start-up and shutdown, the command line, the settings store and the
// application-wide commands.
#pragma once

#include "framework/cmdtarget.h"
#include "framework/document.h"
#include "framework/profilestore.h"
#include "framework/recentfilelist.h"
#include "view/charformat.h"

#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class CMainFrame;
class CLumettaDoc;
class CLumettaView;
class CLumettaCommandLineInfo;
class QPrinter;

// A rectangle of four 32-bit signed values, as the settings records store it.
struct RECT {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool operator==(const RECT& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};
constexpr int32_t CW_USEDEFAULT = static_cast<int32_t>(0x80000000u);
constexpr RECT rectDefault{CW_USEDEFAULT, CW_USEDEFAULT, 0, 0};

class CLumettaApp : public CCmdTargetImpl<CLumettaApp> {
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

    int GetProfileInt(const QString& section, const QString& key, int nDefault) const;
    QString GetProfileString(const QString& section, const QString& key,
                             const QString& strDefault = QString()) const;
    void WriteProfileInt(const QString& section, const QString& key, int nValue);
    void WriteProfileString(const QString& section, const QString& key, const QString& value);
    void GetProfileRect(const QString& section, RECT& rect) const;
    void WriteProfileRect(const QString& section, const RECT& rect);
    void GetProfileCharFormat(const QString& section, CHARFORMAT& cf) const;
    void WriteProfileCharFormat(const QString& section, const CHARFORMAT& cf);

    const QString& GetProfileName() const { return m_store.ProfileName(); }
    CProfileStore& ProfileStore() { return m_store; }
    CSingleDocTemplate* DocTemplate() const { return m_pDocTemplate.get(); }
    CRecentFileList& RecentFiles() { return m_recentFiles; }
    CMainFrame* MainFrame() const { return m_pMainWnd.get(); }
    CLumettaDoc* Document() const { return m_pDocument.get(); }
    CLumettaView* View() const;

    // The printer that Print uses: the one chosen in Page Setup, else the system's default.
    QPrinter& Printer();
    bool HasPrinter() const;
    void SelectPrinter(const QPrinter& printer);

    // Opens each file in turn, as dropping them on the window does.
    void OpenDroppedFiles(const QStringList& paths);

    static const std::vector<MessageMapEntry<CLumettaApp>>& GetMessageMap();

    // Starts another run of the program with these parameters; tests record them instead.
    std::function<void(const QStringList& args)> m_launchInstance;

    QString m_strProfileName;
    QString m_pszBaseProfileName; // null: no S: option was given
    int m_bPersistSettings = 0;
    int m_nHistoryItems = 0;

private:
    friend class CLumettaCommandLineInfo;

    bool ProcessShellCommand(CLumettaCommandLineInfo& info);
    bool PrintFromCommandLine(const CLumettaCommandLineInfo& info);
    bool OpenStandardInput();
    void LaunchFurtherFiles(const QStringList& files);
    bool CreateMainFrame();

    void OnAppAbout();
    void OnSaveSettings();
    void OnUpdateSaveSettings(CCmdUI* pCmdUI);
    void OnFileNew();
    void OnFileOpen();
    void OnAppExit();
    void OnOpenRecentFile(int id);
    void OnUpdateRecentFile(CCmdUI* pCmdUI);

    CProfileStore m_store;
    CRecentFileList m_recentFiles;
    std::unique_ptr<CSingleDocTemplate> m_pDocTemplate;
    std::unique_ptr<CLumettaDoc> m_pDocument;
    std::unique_ptr<CMainFrame> m_pMainWnd;
    std::unique_ptr<QPrinter> m_pPrinter;
    bool m_bPrinterChosen = false;
    bool m_bSkipExitWrites = false;
    bool m_bShellCommandFailed = false;
    bool m_bCommandLineRefused = false;
};

// The application object of this process.
CLumettaApp* AfxGetApp();
