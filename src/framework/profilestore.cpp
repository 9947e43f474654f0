#include "framework/profilestore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
// Section names may hold "/", so a key path is split at its last "/": keys never hold one.
QString Escape(const QString& value) {
    QString out;
    out.reserve(value.size());
    // A lone surrogate, which stands for a byte of a file name, has no UTF-8 form of its own.
    const auto lone = [&value](qsizetype i) {
        const QChar c = value[i];
        return (c.isHighSurrogate() && (i + 1 == value.size() || !value[i + 1].isLowSurrogate())) ||
               (c.isLowSurrogate() && (i == 0 || !value[i - 1].isHighSurrogate()));
    };
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case 0: out += QLatin1String("\\0"); break;
        default:
            if (c.unicode() < 0x20)
                out += QString::asprintf("\\x%02x", c.unicode());
            else if (lone(i))
                out += QString::asprintf("\\u%04x", c.unicode());
            else
                out += c;
        }
    }
    return out;
}

QString Unescape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        QChar e = text[++i];
        switch (e.unicode()) {
        case 'n': out += QChar('\n'); break;
        case 'r': out += QChar('\r'); break;
        case 't': out += QChar('\t'); break;
        case '0': out += QChar(0); break;
        case 'x': {
            bool ok = false;
            int code = text.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                out += QChar(code);
                i += 2;
            } else {
                out += e;
            }
            break;
        }
        case 'u': {
            bool ok = false;
            const int code = text.mid(i + 1, 4).toInt(&ok, 16);
            if (ok) {
                out += QChar(static_cast<char16_t>(code));
                i += 4;
            } else {
                out += e;
            }
            break;
        }
        default: out += e;
        }
    }
    return out;
}

bool ReadProfile(QIODevice& device, QSettings::SettingsMap& map) {
    QString section;
    const QString content = QString::fromUtf8(device.readAll());
    for (const QString& rawLine : content.split(QLatin1Char('\n'))) {
        QString line = rawLine;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (section.isEmpty() || eq <= 0 || line.startsWith(QLatin1Char(';')))
            continue; // comments and malformed lines are passed over
        map.insert(section + QLatin1Char('/') + line.left(eq), Unescape(line.mid(eq + 1)));
    }
    return true;
}

bool WriteProfile(QIODevice& device, const QSettings::SettingsMap& map) {
    QString out;
    QString current;
    bool first = true;
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        const qsizetype slash = it.key().lastIndexOf(QLatin1Char('/'));
        if (slash <= 0)
            continue;
        const QString section = it.key().left(slash);
        if (first || section != current) {
            out += (first ? QString() : QStringLiteral("\n")) + QLatin1Char('[') + section +
                   QLatin1String("]\n");
            current = section;
            first = false;
        }
        out += it.key().mid(slash + 1) + QLatin1Char('=') + Escape(it.value().toString()) +
               QLatin1Char('\n');
    }
    return device.write(out.toUtf8()) >= 0;
}

QSettings::Format ProfileFormat() {
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("conf"), ReadProfile, WriteProfile);
    return format;
}
} // namespace

CProfileStore::CProfileStore(const QString& company, const QString& profileName)
    : m_company(company), m_profileName(profileName) {}

CProfileStore::~CProfileStore() = default;

void CProfileStore::SetProfileName(const QString& profileName) {
    if (m_settings)
        m_settings->sync();
    m_settings.reset();
    m_profileName = profileName;
}

QSettings& CProfileStore::Settings() const {
    if (!m_settings)
        m_settings = std::make_unique<QSettings>(ProfileFormat(), QSettings::UserScope, m_company,
                                                 m_profileName);
    return *m_settings;
}

int CProfileStore::GetProfileInt(const QString& section, const QString& key, int nDefault) const {
    const QVariant v = Settings().value(section + QLatin1Char('/') + key);
    if (!v.isValid())
        return nDefault;
    bool ok = false;
    const QString text = v.toString().trimmed();
    const long long n = text.toLongLong(&ok, 10);
    if (!ok)
        return nDefault;
    return static_cast<int>(static_cast<unsigned int>(n)); // stored as a 32-bit value
}

QString CProfileStore::GetProfileString(const QString& section, const QString& key,
                                        const QString& strDefault) const {
    const QVariant v = Settings().value(section + QLatin1Char('/') + key);
    return v.isValid() ? v.toString() : strDefault;
}

void CProfileStore::WriteProfileInt(const QString& section, const QString& key, int nValue) {
    if (m_writeObserver)
        m_writeObserver(section, key);
    Settings().setValue(section + QLatin1Char('/') + key, QString::number(nValue));
}

void CProfileStore::WriteProfileString(const QString& section, const QString& key,
                                       const QString& value) {
    if (m_writeObserver)
        m_writeObserver(section, key);
    Settings().setValue(section + QLatin1Char('/') + key, value);
}

void CProfileStore::Flush() {
    if (m_settings)
        m_settings->sync();
}

QString CProfileStore::FileName() const { return Settings().fileName(); }

void CProfileStore::RemoveProfile() {
    const QString file = FileName();
    m_settings.reset();
    QFile::remove(file);
    QDir folder = QFileInfo(file).dir();
    if (folder.isEmpty())
        folder.rmdir(folder.absolutePath());
}

void CProfileStore::SetConfigRoot(const QString& dir) {
    QSettings::setPath(ProfileFormat(), QSettings::UserScope, dir);
}
