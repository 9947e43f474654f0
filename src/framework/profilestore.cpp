#include "framework/profilestore.h"

#include "framework/filename.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdio>
#include <sys/stat.h>

namespace {
QString& ConfigRoot() {
    static QString root;
    return root;
}
} // namespace

CProfileStore::CProfileStore(const QString& company, const QString& profileName)
    : m_company(company), m_profileName(profileName) {}

CProfileStore::~CProfileStore() {
    Flush();
}

void CProfileStore::SetProfileName(const QString& profileName) {
    Flush();
    m_profileName = profileName;
    m_bLoaded = false;
    m_bIgnored = false;
    m_file = CIniFile();
}

void CProfileStore::SetConfigRoot(const QString& dir) {
    ConfigRoot() = dir;
}

QString CProfileStore::CompanyFolder() const {
    QString root = ConfigRoot();
    if (root.isEmpty())
        root = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return root + QLatin1Char('/') + m_company;
}

QString CProfileStore::FileName() const {
    return CompanyFolder() + QLatin1Char('/') + m_profileName + QStringLiteral(".conf");
}

void CProfileStore::Load() const {
    if (m_bLoaded)
        return;
    m_bLoaded = true;
    QString why;
    if (m_file.Load(FileName(), &why) == CIniFile::LoadResult::Refused) {
        m_bIgnored = true;
        std::fprintf(stderr, "zorvek: %s is not used and is left as it is: %s; defaults apply.\n",
                     qPrintable(QDir::toNativeSeparators(FileName())), qPrintable(why));
    }
}

bool CProfileStore::IsIgnored() const {
    Load();
    return m_bIgnored;
}

int CProfileStore::GetProfileInt(const QString& section, const QString& key, int nDefault) const {
    Load();
    const std::optional<QString> v = m_file.Value(section, key);
    if (!v)
        return nDefault;
    bool ok = false;
    const long long n = v->trimmed().toLongLong(&ok, 10);
    if (!ok)
        return nDefault;
    return static_cast<int>(static_cast<unsigned int>(n)); // stored as a 32-bit value
}

QString CProfileStore::GetProfileString(const QString& section, const QString& key,
                                        const QString& strDefault) const {
    Load();
    return m_file.Value(section, key).value_or(strDefault);
}

void CProfileStore::WriteProfileInt(const QString& section, const QString& key, int nValue) {
    Set(section, key, QString::number(nValue));
}

void CProfileStore::WriteProfileString(const QString& section, const QString& key,
                                       const QString& value) {
    Set(section, key, value);
}

void CProfileStore::Set(const QString& section, const QString& key, const QString& value) {
    if (m_writeObserver)
        m_writeObserver(section, key);
    Load();
    if (m_bIgnored)
        return;
    m_file.SetValue(section, key, value);
    m_pending.push_back({section, key, value});
}

void CProfileStore::Flush() {
    if (m_pending.empty() || m_bIgnored)
        return;
    const QString file = FileName();
    if (!QDir().mkpath(CompanyFolder()))
        return;
    // Another run of the program may have written its own changes since this one read the file.
    QLockFile lock(file + QStringLiteral(".lock"));
    lock.lock();
    CIniFile current;
    QString why;
    if (current.Load(file, &why) == CIniFile::LoadResult::Refused) {
        m_bIgnored = true;
        m_pending.clear();
        return;
    }
    for (const Write& w : m_pending)
        current.SetValue(w.section, w.key, w.value);
    m_pending.clear();
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return; // failed writes of settings are passed over
    out.write(current.Text());
    out.commit();
    m_file = std::move(current);
}

void CProfileStore::RemoveProfile() {
    m_pending.clear();
    const QString file = FileName();
    struct stat st {};
    // Only the profile's own file: never a folder or a device that happens to bear its name.
    if (lstat(FileNameToBytes(file).constData(), &st) == 0 &&
        (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
        QFile::remove(file);
    QDir().rmdir(CompanyFolder()); // only when empty
    m_bLoaded = false;
    m_bIgnored = false;
    m_file = CIniFile();
}
