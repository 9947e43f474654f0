// The application object as the framework knows it: the settings store and its records, the
// recent-file list, the document template, the printer, and the settings every window reads.
#pragma once

#include "framework/charformat.h"
#include "framework/cmdtarget.h"
#include "framework/document.h"
#include "framework/profilestore.h"
#include "framework/recentfilelist.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

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

class CWinApp : public CCmdTarget {
public:
    // The settings live in the store of `profileName` under `company`.
    CWinApp(const QString& company, const QString& profileName);
    ~CWinApp() override;

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
    CRecentFileList& RecentFiles() { return m_recentFiles; }
    CSingleDocTemplate* DocTemplate() const { return m_pDocTemplate.get(); }

    // The printer that Print uses: the one chosen in Page Setup, else the system's default.
    QPrinter& Printer();
    bool HasPrinter() const;
    void SelectPrinter(const QPrinter& printer);

    // Opens each file in turn, as dropping them on the window does.
    void OpenDroppedFiles(const QStringList& paths);

    int m_bPersistSettings = 0;
    int m_nHistoryItems = 0;
    // How many windows started together before this one: each opens a step further down and to
    // the right of where the last window was left, so that none hides another.
    int m_nWindowCascade = 0;

protected:
    CProfileStore m_store;
    CRecentFileList m_recentFiles;
    std::unique_ptr<CSingleDocTemplate> m_pDocTemplate;

private:
    std::unique_ptr<QPrinter> m_pPrinter;
    bool m_bPrinterChosen = false;
};

// The application object of this process.
CWinApp* AfxGetApp();
