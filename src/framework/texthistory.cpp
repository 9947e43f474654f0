#include "framework/texthistory.h"

#include "framework/fieldtext.h"
#include "framework/winapp.h"

#include <QComboBox>

void CTextHistory::AddString(int max, const QString& text) {
    if (text.isEmpty())
        return;
    const qsizetype found = m_entries.indexOf(text);
    if (found >= 0) {
        m_entries.move(found, 0);
        return;
    }
    m_entries.prepend(text);
    if (m_entries.size() > max)
        m_entries.removeLast();
}

void CTextHistory::FillComboBox(int max, QComboBox* combo, const QString& text) const {
    for (int i = 0; i < m_entries.size() && i < max; ++i)
        combo->addItem(FieldText::ToField(m_entries[i]));
    QString shown = text;
    if (shown.isEmpty() && !m_entries.isEmpty())
        shown = m_entries.first();
    if (!shown.isNull())
        combo->setEditText(FieldText::ToField(shown));
}

QString CTextHistory::GetMostRecent() const {
    return m_entries.isEmpty() ? QString() : m_entries.first();
}

void CTextHistory::LoadFromProfile(const CWinApp& app, int max, const QString& section) {
    m_entries.clear();
    for (int i = 0; i < max; ++i) {
        const QString value = app.GetProfileString(section, QString::number(i));
        if (value.isEmpty())
            break;
        m_entries.append(value);
    }
    m_entries.removeDuplicates(); // the earliest (most recent) occurrence stays
}

void CTextHistory::SaveToProfile(CWinApp& app, int max, const QString& section) const {
    for (int i = 0; i < m_entries.size() && i < max; ++i)
        app.WriteProfileString(section, QString::number(i), m_entries[i]);
}
