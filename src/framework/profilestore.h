// The per-user settings store: sections of integer and text values in
// ~/.config/<company>/<profile name>.conf, an INI file that people may edit by hand.
#pragma once

#include "text/inifile.h"

#include <QString>

#include <functional>
#include <vector>

class CProfileStore {
public:
    CProfileStore(const QString& company, const QString& profileName);
    ~CProfileStore(); // writes what is pending

    const QString& ProfileName() const { return m_profileName; }
    void SetProfileName(const QString& profileName);

    int GetProfileInt(const QString& section, const QString& key, int nDefault) const;
    QString GetProfileString(const QString& section, const QString& key,
                             const QString& strDefault = QString()) const;
    void WriteProfileInt(const QString& section, const QString& key, int nValue);
    void WriteProfileString(const QString& section, const QString& key, const QString& value);

    // Writes pending values to disk, over whatever another run of the program wrote meanwhile.
    void Flush();
    // Deletes the profile's own file, and the company's folder when it is left empty.
    void RemoveProfile();
    QString FileName() const;
    // True when the file is there but is not a settings file (a FIFO, a device, or far too
    // large): its values are not read and it is never written.
    bool IsIgnored() const;

    // Called with the section and key of every write; tests watch the order of writes with it.
    std::function<void(const QString& section, const QString& key)> m_writeObserver;

    // The folder that holds the companies' folders; tests point it at a scratch folder.
    static void SetConfigRoot(const QString& dir);

private:
    struct Write {
        QString section;
        QString key;
        QString value;
    };

    void Load() const;
    void Set(const QString& section, const QString& key, const QString& value);
    QString CompanyFolder() const;

    QString m_company;
    QString m_profileName;
    mutable bool m_bLoaded = false;
    mutable bool m_bIgnored = false;
    mutable CIniFile m_file;
    std::vector<Write> m_pending;
};
