// A most-recently-used list of strings, most recent first, without empty entries or duplicates.
#pragma once

#include <QString>
#include <QStringList>

class QComboBox;
class CWinApp;

class CTextHistory {
public:
    // Puts `text` at the front: moved there if present, else added, dropping the oldest entry
    // when the list then holds more than `max`. An empty text changes nothing.
    void AddString(int max, const QString& text);
    // Adds at most `max` entries to the combo box's list, most recent first, and sets its edit
    // text to `text`, or to the most recent entry when `text` is empty (or null).
    void FillComboBox(int max, QComboBox* combo, const QString& text) const;
    // The most recent entry; a null string when the list is empty.
    QString GetMostRecent() const;
    void LoadFromProfile(const CWinApp& app, int max, const QString& section);
    void SaveToProfile(CWinApp& app, int max, const QString& section) const;

    int GetCount() const { return static_cast<int>(m_entries.size()); }
    const QStringList& Entries() const { return m_entries; }
    void RemoveAll() { m_entries.clear(); }

private:
    QStringList m_entries;
};
