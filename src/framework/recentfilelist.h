// The list of recently opened files shown in the File menu, most recent first.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class CProfileStore;

class CRecentFileList {
public:
    CRecentFileList(int size, QString section, QString entryFormat, int maxDisplayLength);

    void Add(const QString& path);
    void Remove(int index);
    int GetSize() const { return m_nSize; }
    int GetCount() const { return static_cast<int>(m_files.size()); }
    const QString& operator[](int index) const { return m_files[index]; }
    // The menu text of entry `index`: its number and its name shortened to fit.
    QString GetMenuText(int index) const;

    // Called after every change to the list.
    std::function<void()> m_onChanged;

    void ReadList(const CProfileStore& store);
    void WriteList(CProfileStore& store) const;

    // Shortens a path to at most maxLength characters, keeping its file name whole.
    static QString AbbreviateName(const QString& path, int maxLength);

private:
    int m_nSize;
    QString m_strSection;
    QString m_strEntryFormat;
    int m_nMaxDisplayLength;
    QStringList m_files;
};
