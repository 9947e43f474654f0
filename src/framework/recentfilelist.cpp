#include "framework/recentfilelist.h"

#include "framework/filename.h"
#include "framework/profilestore.h"

#include <QFileInfo>

CRecentFileList::CRecentFileList(int size, QString section, QString entryFormat,
                                 int maxDisplayLength)
    : m_nSize(size), m_strSection(std::move(section)), m_strEntryFormat(std::move(entryFormat)),
      m_nMaxDisplayLength(maxDisplayLength) {}

void CRecentFileList::Add(const QString& path) {
    const QString full = AbsoluteFileName(path);
    m_files.removeAll(full);
    m_files.prepend(full);
    while (m_files.size() > m_nSize)
        m_files.removeLast();
    if (m_onChanged)
        m_onChanged();
}

void CRecentFileList::Remove(int index) {
    if (index < 0 || index >= m_files.size())
        return;
    m_files.removeAt(index);
    if (m_onChanged)
        m_onChanged();
}

QString CRecentFileList::GetMenuText(int index) const {
    QString name = DisplayFileName(AbbreviateName(m_files[index], m_nMaxDisplayLength));
    name.replace(QLatin1Char('&'), QLatin1String("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(name);
}

void CRecentFileList::ReadList(const CProfileStore& store) {
    m_files.clear();
    for (int i = 1; i <= m_nSize; ++i) {
        const QString path = store.GetProfileString(m_strSection, m_strEntryFormat.arg(i));
        if (!path.isEmpty() && !m_files.contains(path))
            m_files.append(path);
    }
}

void CRecentFileList::WriteList(CProfileStore& store) const {
    for (int i = 0; i < m_nSize; ++i)
        store.WriteProfileString(m_strSection, m_strEntryFormat.arg(i + 1),
                                 i < m_files.size() ? m_files[i] : QString());
}

QString CRecentFileList::AbbreviateName(const QString& path, int maxLength) {
    if (path.size() <= maxLength)
        return path;
    const QString base = QFileInfo(path).fileName();
    if (base.size() + 5 > maxLength)
        return base;
    // "/..." followed by as many of the last folders as fit, then the file name.
    QString rest = path;
    while (rest.size() + 4 > maxLength) {
        const qsizetype next = rest.indexOf(QLatin1Char('/'), 1);
        if (next < 0)
            return base;
        rest = rest.mid(next);
    }
    return QStringLiteral("/...") + rest;
}
