#include "app/lumettaapp.h"

#include "app/aboutdlg.h"
#include "app/lumettacommandline.h"
#include "document/lumettadoc.h"
#include "frame/mainframe.h"
#include "framework/filename.h"
#include "framework/printing.h"
#include "framework/streamfile.h"
#include "framework/uiservices.h"
#include "framework/waitcursor.h"
#include "resources/resource.h"
#include "resources/strings.h"
#include "text/journal.h"
#include "view/lumettaview.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScopeGuard>
#include <QSessionManager>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <utility>

namespace {
const QString kSettings = QStringLiteral("Editor/Viewer Settings");
// Tells a run started with others where its window goes among theirs.
constexpr const char* kCascadeVariable = "ZORVEK_WINDOW_CASCADE";
} // namespace

CLumettaApp::CLumettaApp()
    : CCmdTargetImpl(QStringLiteral("Vantreth Plc"), QString::fromUtf8(Str::AppTitle)) {
    SetAppTitle(QString::fromUtf8(Str::AppTitle));
    m_launchInstance = [](const QStringList& args, int cascade) {
        QProcess run;
        run.setProgram(QCoreApplication::applicationFilePath());
        run.setArguments(args);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kCascadeVariable), QString::number(cascade));
        run.setProcessEnvironment(environment);
        run.startDetached();
    };
}

CLumettaApp::~CLumettaApp() {
    QObject::disconnect(m_sessionEnd);
    m_pMainWnd.reset();
    m_pDocument.reset();
}

const std::vector<MessageMapEntry<CLumettaApp>>& CLumettaApp::GetMessageMap() {
    using T = CLumettaApp;
    static const std::vector<MessageMapEntry<T>> map = {
        OnCommand<T>(ID_APP_ABOUT, &T::OnAppAbout),
        OnCommand<T>(ID_SETTINGS_PERSIST, &T::OnSaveSettings),
        OnUpdate<T>(ID_SETTINGS_PERSIST, &T::OnUpdateSaveSettings),
        OnCommand<T>(ID_FILE_NEW, &T::OnFileNew),
        OnCommand<T>(ID_FILE_OPEN, &T::OnFileOpen),
        OnCommand<T>(ID_APP_EXIT, &T::OnAppExit),
        OnCommandRange<T>(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE4, &T::OnOpenRecentFile),
        OnUpdateRange<T>(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE4, &T::OnUpdateRecentFile),
    };
    return map;
}

bool CLumettaApp::InitInstance(const QStringList& args) {
    m_nWindowCascade = std::clamp(qEnvironmentVariableIntValue(kCascadeVariable), 0, 100);
    qunsetenv(kCascadeVariable); // not handed on to what this run starts
    // The editing component is linked into the program, so there is no library to load; the
    // settings store is per user under the company's name (set in the constructor).
    m_pDocTemplate = std::make_unique<CSingleDocTemplate>(
        CSingleDocTemplate::Hooks{[this] { return CreateMainFrame(); },
                                  [this] { DestroyMainFrame(); },
                                  [this](bool makeVisible) {
                                      View()->OnInitialUpdate();
                                      if (makeVisible)
                                          m_pMainWnd->show();
                                      OfferJournalFor(m_pDocument->GetPathName());
                                  }},
        &m_recentFiles);

    CLumettaCommandLineInfo cmdInfo(*this);
    cmdInfo.ParseCommandLine(args);
    if (!cmdInfo.m_strBadProfileOption.isEmpty()) {
        // A suffix that reaches outside the settings folder: no profile is read, written or
        // deleted.
        m_bSkipExitWrites = true;
        m_bCommandLineRefused = true;
        Ui().MessageBox(QString::fromUtf8(Str::BadProfileSuffix).arg(cmdInfo.m_strBadProfileOption),
                        MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    const QString usage = cmdInfo.UsageError();
    if (!usage.isEmpty()) {
        m_bSkipExitWrites = true;
        m_bCommandLineRefused = true;
        std::fprintf(stderr, "zorvek: %s\nTry 'zorvek --help' for more information.\n",
                     qPrintable(usage));
        return false;
    }

    m_recentFiles.ReadList(m_store);
    m_bPersistSettings = GetProfileInt(kSettings, QStringLiteral("bPesistSettings"), 1) != 0;
    m_nHistoryItems = GetProfileInt(kSettings, QStringLiteral("nHistoryItems"), 15);
    if (m_nHistoryItems < 2 || m_nHistoryItems > 50)
        m_nHistoryItems = 15;

    // Logging out asks about unsaved changes as Exit does; Cancel cancels the logout.
    const auto sessionEnding = [this](QSessionManager& manager) {
        if (!manager.allowsInteraction())
            return;
        const bool ends = OnSessionEnding();
        manager.release();
        if (!ends)
            manager.cancel();
    };
    m_sessionEnd = QObject::connect(qApp, &QGuiApplication::commitDataRequest, sessionEnding);

    m_pDocTemplate->RecoverInterruptedSaves();
    const bool started = ProcessShellCommand(cmdInfo);
    if (cmdInfo.m_nShellCommand == CCommandLineInfo::FileOpen)
        LaunchFurtherFiles(cmdInfo.m_extraFiles);
    if (!started)
        return false;
    if (m_pMainWnd) {
        m_pMainWnd->show();
        m_pMainWnd->DragAcceptFiles(true);
        OfferLeftJournals();
    }
    return true;
}

bool CLumettaApp::OfferJournal(const LeftJournal& left) {
    // Once a run: what the user declined, or what could not be applied, is not asked again.
    if (m_offeredJournals.contains(left.file))
        return false;
    m_offeredJournals << left.file;
    const QString name = left.origin.path.isEmpty() ? QString::fromUtf8(Str::Untitled)
                                                    : FileNameFromBytes(left.origin.path);
    const QString date = QDateTime::fromSecsSinceEpoch(left.modifiedSecs)
                             .toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    switch (Ui().MessageBox(QString::fromUtf8(Str::RecoverPrompt).arg(DisplayFileName(name), date),
                            MB_YESNODISCARD | MB_ICONQUESTION)) {
    case IDYES:
        break;
    case IDDISCARD:
        ::unlink(FileNameToBytes(left.file).constData());
        ::unlink(FileNameToBytes(CJournalWriter::BaseOf(left.file)).constData());
        return false;
    default:
        return false; // kept, to be offered again
    }
    // Opening the file for it asks nothing more about journals.
    const bool wasOffering = std::exchange(m_bOfferingJournals, true);
    const auto restore = qScopeGuard([&] { m_bOfferingJournals = wasOffering; });
    const QString open = left.origin.path.isEmpty() ? QString() : name;
    const bool shown =
        m_pDocument && m_pDocument->GetPathName() == open && !m_pDocument->IsModified();
    // Opening asks about the text shown first; Cancel keeps it, and the journal stays.
    if (!shown && !m_pDocTemplate->OpenDocumentFile(open))
        return false;
    bool recovered = m_pDocument->RecoverJournal(left);
    const QString origin = recovered || open.isEmpty() ? QString() : CLumettaDoc::OriginOf(left);
    if (!origin.isEmpty() && m_pDocTemplate->OpenDocumentFile(QString())) {
        // Another program changed the file: the changes go onto the file as it was.
        recovered = m_pDocument->RecoverJournalFrom(origin, left);
        if (recovered)
            Ui().MessageBox(
                QString::fromUtf8(Str::RecoverUntitled).arg(DisplayFileName(name), date),
                MB_OK | MB_ICONINFORMATION);
    }
    if (!recovered)
        Ui().MessageBox(QString::fromUtf8(Str::RecoverChanged)
                            .arg(DisplayFileName(name), date, DisplayFileName(left.file)),
                        MB_OK | MB_ICONEXCLAMATION);
    return recovered;
}

void CLumettaApp::OfferLeftJournals() {
    for (const LeftJournal& left : CJournalFolder::Left())
        if (OfferJournal(left))
            return; // one document at a time: the others are offered at the next start
}

void CLumettaApp::OfferJournalFor(const QString& path) {
    if (m_bOfferingJournals || path.isEmpty())
        return;
    const QByteArray bytes = FileNameToBytes(AbsoluteFileName(path));
    for (const LeftJournal& left : CJournalFolder::Left())
        if (left.origin.path == bytes) {
            OfferJournal(left);
            return;
        }
}

bool CLumettaApp::OnSessionEnding() {
    // Unsaved changes that the user keeps stay in their journal as well.
    if (m_pDocument)
        m_pDocument->CommitJournal();
    return !m_pDocument || m_pDocument->SaveModified();
}

void CLumettaApp::OnTerminationSignal(int signal) {
    m_nSignal = signal;
    if (m_pDocument) {
        m_pDocument->CommitJournal();
        m_pDocument->KeepJournal();
    }
    QCoreApplication::exit(128 + signal);
}

bool CLumettaApp::ProcessShellCommand(CLumettaCommandLineInfo& info) {
    switch (info.m_nShellCommand) {
    case CCommandLineInfo::AppUnregister:
        m_store.RemoveProfile();
        m_bSkipExitWrites = true;
        Ui().MessageBox(QString::fromUtf8(Str::Unregistered), MB_OK | MB_ICONINFORMATION);
        return false;
    case CCommandLineInfo::FilePrint:
    case CCommandLineInfo::FilePrintTo:
        // Print the file with the window hidden, then end.
        m_bShellCommandFailed = !PrintFromCommandLine(info);
        return false;
    case CCommandLineInfo::FileOpen:
        if (info.m_strFileName == QLatin1String("-"))
            return OpenStandardInput();
        if (!m_pDocTemplate->OpenDocumentFile(info.m_strFileName)) {
            m_bShellCommandFailed = true;
            return false;
        }
        return true;
    default: // a new document; the hosting switches start the editor as usual
        if (!m_pDocTemplate->OpenDocumentFile(QString())) {
            m_bShellCommandFailed = true;
            return false;
        }
        return true;
    }
}

bool CLumettaApp::OpenStandardInput() {
    if (!m_pDocTemplate->OpenDocumentFile(QString())) {
        m_bShellCommandFailed = true;
        return false;
    }
    const QString name = QString::fromUtf8(Str::StandardInput);
    try {
        CWaitCursor wait;
        CStreamFile input(STDIN_FILENO, name, false);
        CArchive ar(&input, CArchive::load);
        View()->Serialize(ar);
        // The text is nowhere else: it counts as unsaved, so that quitting asks first.
        if (View()->GetTextLength() > 0)
            View()->SetModify(true);
    } catch (const CFileException& e) {
        // The window stays, with what the text held before: nothing was read into it.
        Ui().MessageBox(e.GetErrorMessage(name), MB_OK | MB_ICONEXCLAMATION);
    }
    return true;
}

void CLumettaApp::LaunchFurtherFiles(const QStringList& files) {
    // A single-document editor opens each further file in a run of its own, with the same
    // profile.
    QStringList common;
    if (!m_pszBaseProfileName.isNull())
        common << QStringLiteral("S:") + m_strProfileName.mid(m_pszBaseProfileName.size());
    common << QStringLiteral("--");
    int cascade = m_nWindowCascade;
    for (const QString& file : files)
        m_launchInstance(common + QStringList{file}, ++cascade);
}

bool CLumettaApp::PrintFromCommandLine(const CLumettaCommandLineInfo& info) {
    if (info.m_strFileName.isEmpty() ||
        !m_pDocTemplate->OpenDocumentFile(info.m_strFileName, false))
        return false;
    QPrinter& printer = Printer();
    if (info.m_nShellCommand == CCommandLineInfo::FilePrintTo) {
        const QString name = info.m_strPrinterName;
        if (name.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(name);
        } else if (QPrinterInfo::printerInfo(name).isNull()) {
            Ui().MessageBox(QString::fromUtf8(Str::NoSuchPrinter).arg(name),
                            MB_OK | MB_ICONEXCLAMATION);
            return false;
        } else {
            printer.setPrinterName(name);
        }
    } else if (!HasPrinter()) {
        Ui().MessageBox(QString::fromUtf8(Str::NoPrinter).arg(info.m_strFileName),
                        MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    const int printed = PrintDocument(*View(), printer, false);
    if (printed == kPrinterFailed)
        Ui().MessageBox(QString::fromUtf8(Str::PrinterFailed).arg(info.m_strPrinterName),
                        MB_OK | MB_ICONEXCLAMATION);
    return printed >= 0;
}

bool CLumettaApp::CreateMainFrame() {
    m_pDocument = std::make_unique<CLumettaDoc>();
    m_pDocTemplate->SetDocument(m_pDocument.get());
    m_pMainWnd = std::make_unique<CMainFrame>(m_pDocument.get(), this);
    return true;
}

void CLumettaApp::DestroyMainFrame() {
    m_pMainWnd.reset();
    if (m_pDocTemplate)
        m_pDocTemplate->SetDocument(nullptr);
    m_pDocument.reset();
}

CLumettaView* CLumettaApp::View() const {
    return m_pMainWnd ? m_pMainWnd->View() : nullptr;
}

bool CLumettaApp::CloseMainFrame() {
    return m_pMainWnd && m_pMainWnd->close();
}

int CLumettaApp::ExitInstance() {
    DestroyMainFrame();
    if (!m_bSkipExitWrites) {
        WriteProfileInt(kSettings, QStringLiteral("bPesistSettings"), m_bPersistSettings);
        if (m_bPersistSettings)
            WriteProfileInt(kSettings, QStringLiteral("nHistoryItems"), m_nHistoryItems);
        m_recentFiles.WriteList(m_store);
    }
    m_store.Flush();
    if (!m_pszBaseProfileName.isNull())
        m_store.SetProfileName(m_pszBaseProfileName);
    if (m_bCommandLineRefused)
        return 2;
    if (m_nSignal)
        return 128 + m_nSignal;
    return m_bShellCommandFailed ? 1 : 0;
}

void CLumettaApp::OnAppAbout() {
    CAboutDlg dlg;
    dlg.DoModal();
}

void CLumettaApp::OnSaveSettings() {
    m_bPersistSettings = m_bPersistSettings ? 0 : 1;
}

void CLumettaApp::OnUpdateSaveSettings(CCmdUI* pCmdUI) {
    pCmdUI->SetCheck(m_bPersistSettings != 0);
}

void CLumettaApp::OnFileNew() {
    m_pDocTemplate->OpenDocumentFile(QString());
}

void CLumettaApp::OnFileOpen() {
    // Next to the file open now, where the next one most often is.
    const QString open = m_pDocument ? m_pDocument->GetPathName() : QString();
    const QString path =
        Ui().GetOpenFileName(QString(), open.isEmpty() ? QString() : FolderOf(open));
    if (!path.isEmpty())
        m_pDocTemplate->OpenDocumentFile(path);
}

void CLumettaApp::OnAppExit() {
    CloseMainFrame();
}

void CLumettaApp::OnOpenRecentFile(int id) {
    m_pDocTemplate->OpenRecentFile(id - ID_FILE_MRU_FILE1);
}

void CLumettaApp::OnUpdateRecentFile(CCmdUI* pCmdUI) {
    pCmdUI->Enable(pCmdUI->m_nID - ID_FILE_MRU_FILE1 < m_recentFiles.GetCount());
}
