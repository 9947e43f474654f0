// The per-user settings store: sections of integer and text values in
// ~/.config/<company>/<profile name>.conf, kept with their names exactly as written.
#pragma once

#include <QSettings>
#include <QString>

#include <functional>
#include <memory>

class CProfileStore {
public:
    CProfileStore(const QString& company, const QString& profileName);
    ~CProfileStore();

    const QString& ProfileName() const { return m_profileName; }
    void SetProfileName(const QString& profileName);

    int GetProfileInt(const QString& section, const QString& key, int nDefault) const;
    QString GetProfileString(const QString& section, const QString& key,
                             const QString& strDefault = QString()) const;
    void WriteProfileInt(const QString& section, const QString& key, int nValue);
    void WriteProfileString(const QString& section, const QString& key, const QString& value);

    // Writes pending values to disk.
    void Flush();
    // Deletes the profile's file, and the company's folder when nothing else is left in it.
    void RemoveProfile();
    QString FileName() const;

    // Called with the section and key of every write; tests watch the order of writes with it.
    std::function<void(const QString& section, const QString& key)> m_writeObserver;

    // The folder that holds the companies' folders; tests point it at a scratch folder.
    static void SetConfigRoot(const QString& dir);

private:
    QSettings& Settings() const;

    QString m_company;
    QString m_profileName;
    mutable std::unique_ptr<QSettings> m_settings;
};
