#include "framework/winapp.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace {
CWinApp* g_app = nullptr;
}

CWinApp* AfxGetApp() {
    return g_app;
}

CWinApp::CWinApp(const QString& company, const QString& profileName)
    : m_store(company, profileName),
      m_recentFiles(4, QStringLiteral("Recent File List"), QStringLiteral("File%1"), 30) {
    g_app = this;
    // Kept on disk at once, so that a crash or a killed run does not lose it.
    m_recentFiles.m_onChanged = [this] {
        m_recentFiles.WriteList(m_store);
        m_store.Flush();
    };
}

CWinApp::~CWinApp() {
    if (g_app == this)
        g_app = nullptr;
}

int CWinApp::GetProfileInt(const QString& section, const QString& key, int nDefault) const {
    return m_store.GetProfileInt(section, key, nDefault);
}

QString CWinApp::GetProfileString(const QString& section, const QString& key,
                                  const QString& strDefault) const {
    return m_store.GetProfileString(section, key, strDefault);
}

void CWinApp::WriteProfileInt(const QString& section, const QString& key, int nValue) {
    m_store.WriteProfileInt(section, key, nValue);
}

void CWinApp::WriteProfileString(const QString& section, const QString& key,
                                 const QString& value) {
    m_store.WriteProfileString(section, key, value);
}

QPrinter& CWinApp::Printer() {
    if (!m_pPrinter)
        m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_pPrinter;
}

bool CWinApp::HasPrinter() const {
    return m_bPrinterChosen || !QPrinterInfo::availablePrinterNames().isEmpty();
}

void CWinApp::SelectPrinter(const QPrinter& chosen) {
    QPrinter& printer = Printer();
    printer.setOutputFormat(chosen.outputFormat());
    printer.setOutputFileName(chosen.outputFileName());
    if (chosen.outputFormat() == QPrinter::NativeFormat)
        printer.setPrinterName(chosen.printerName());
    printer.setPageLayout(chosen.pageLayout());
    m_bPrinterChosen = true;
}

void CWinApp::OpenDroppedFiles(const QStringList& paths) {
    for (const QString& path : paths)
        m_pDocTemplate->OpenDocumentFile(path);
}
