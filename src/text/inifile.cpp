#include "text/inifile.h"

#include "text/textencoding.h"

#include <QFile>

#include <algorithm>
#include <iterator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CIniFile::LoadResult CIniFile::Load(const QString& path, QString* why) {
    m_sections.clear();
    m_sectionIndex.clear();
    // Non-blocking, so that a FIFO put where the settings belong cannot hang the start.
    const int fd = ::open(BytesFromEscaped(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return LoadResult::Missing;
        if (why)
            *why = QString::fromLocal8Bit(std::strerror(errno));
        return LoadResult::Refused;
    }
    struct stat st {};
    QString reason;
    QByteArray text;
    if (fstat(fd, &st) != 0) {
        reason = QString::fromLocal8Bit(std::strerror(errno));
    } else if (!S_ISREG(st.st_mode)) {
        reason = QStringLiteral("it is not a regular file");
    } else if (st.st_size > kMaxSize) {
        reason = QStringLiteral("it is larger than %1 bytes").arg(kMaxSize);
    } else {
        text.resize(static_cast<qsizetype>(st.st_size) + 1);
        qsizetype got = 0;
        for (;;) {
            if (got == text.size()) {
                reason = QStringLiteral("it is larger than %1 bytes").arg(kMaxSize);
                break;
            }
            const ssize_t n = ::read(fd, text.data() + got, static_cast<size_t>(text.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                reason = QString::fromLocal8Bit(std::strerror(errno));
                break;
            }
            if (n == 0)
                break;
            got += n;
        }
        text.truncate(got);
    }
    ::close(fd);
    if (!reason.isEmpty()) {
        if (why)
            *why = reason;
        return LoadResult::Refused;
    }
    Parse(text);
    return LoadResult::Loaded;
}

void CIniFile::Parse(const QByteArray& bytes) {
    m_sections.clear();
    m_sectionIndex.clear();
    m_sections.emplace_back(); // the lines before the first header
    QString text = QString::fromUtf8(bytes);
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    if (text.isEmpty())
        return;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        AddLine(line);
    }
}

void CIniFile::AddLine(const QString& line) {
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
        m_sections.emplace_back();
        m_sections.back().lines.push_back({line});
        const QString name = trimmed.mid(1, trimmed.size() - 2).trimmed();
        m_sectionIndex[Fold(name)].push_back(static_cast<int>(m_sections.size() - 1));
        return;
    }
    Section& section = m_sections.back();
    section.lines.push_back({line});
    if (trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#')))
        return;
    const qsizetype eq = trimmed.indexOf(QLatin1Char('='));
    const QString key = eq > 0 ? trimmed.left(eq).trimmed() : QString();
    if (!key.isEmpty() && m_sections.size() > 1)
        section.keys[Fold(key)].push_back(static_cast<int>(section.lines.size() - 1));
}

std::optional<QString> CIniFile::Value(const QString& section, const QString& key) const {
    const auto sections = m_sectionIndex.constFind(Fold(section));
    if (sections == m_sectionIndex.constEnd())
        return std::nullopt;
    for (int s : *sections) {
        const auto lines = m_sections[s].keys.constFind(Fold(key));
        if (lines == m_sections[s].keys.constEnd())
            continue;
        for (int l : *lines) {
            const Line& line = m_sections[s].lines[l];
            if (line.removed)
                continue;
            const qsizetype eq = line.text.indexOf(QLatin1Char('='));
            return Unescape(line.text.mid(eq + 1).trimmed());
        }
    }
    return std::nullopt;
}

void CIniFile::SetValue(const QString& section, const QString& key, const QString& value) {
    const QString text = key + QLatin1Char('=') + Escape(value);
    if (m_sections.empty())
        m_sections.emplace_back();
    auto sections = m_sectionIndex.find(Fold(section));
    if (sections == m_sectionIndex.end()) {
        Section added;
        // A blank line keeps sections apart, unless the file is still empty.
        const bool empty = m_sections.size() == 1 && m_sections[0].lines.empty();
        added.lines.push_back({(empty ? QString() : QStringLiteral("\n")) + QLatin1Char('[') +
                               section + QLatin1Char(']')});
        m_sections.push_back(std::move(added));
        sections = m_sectionIndex.insert(Fold(section), {static_cast<int>(m_sections.size() - 1)});
    }
    bool done = false;
    for (int s : *sections) {
        const auto lines = m_sections[s].keys.find(Fold(key));
        if (lines == m_sections[s].keys.end())
            continue;
        for (int l : *lines) {
            Line& line = m_sections[s].lines[l];
            if (line.removed)
                continue;
            if (done) {
                line.removed = true;
            } else {
                line.text = text;
                done = true;
            }
        }
    }
    if (done)
        return;
    // After the section's last line that is not blank, so that a gap before the next header
    // stays where it is.
    Section& target = m_sections[sections->front()];
    int at = static_cast<int>(target.lines.size());
    while (at > 1 && target.lines[at - 1].text.trimmed().isEmpty())
        --at;
    target.lines.insert(target.lines.begin() + at, {text});
    for (auto& keyLines : target.keys)
        for (int& l : keyLines)
            if (l >= at)
                ++l;
    target.keys[Fold(key)].push_back(at);
}

QByteArray CIniFile::Text() const {
    QString out;
    for (const Section& section : m_sections)
        for (const Line& line : section.lines)
            if (!line.removed)
                out += line.text + QLatin1Char('\n');
    return out.toUtf8();
}

namespace {
// The characters a value holds that are written as a backslash and a letter.
struct NamedEscape {
    char16_t c;
    char letter;
};
constexpr NamedEscape kNamedEscapes[] = {
    {'\\', '\\'}, {'\n', 'n'}, {'\r', 'r'}, {'\t', 't'}, {0, '0'}};
} // namespace

QString CIniFile::Escape(const QString& value) {
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
        const auto named = std::find_if(std::begin(kNamedEscapes), std::end(kNamedEscapes),
                                        [c](const NamedEscape& e) { return e.c == c.unicode(); });
        if (named != std::end(kNamedEscapes))
            out.append(QLatin1Char('\\')).append(QLatin1Char(named->letter));
        else if (c == ' ' && (i == 0 || i == value.size() - 1))
            // Blanks around a value are the writer's layout, not the value: keep the value's own.
            out += QLatin1String("\\x20");
        else if (c.unicode() < 0x20)
            out += QString::asprintf("\\x%02x", c.unicode());
        else if (lone(i))
            out += QString::asprintf("\\u%04x", c.unicode());
        else
            out += c;
    }
    return out;
}

QString CIniFile::Unescape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar e = text[++i];
        const auto named = std::find_if(std::begin(kNamedEscapes), std::end(kNamedEscapes),
                                        [e](const NamedEscape& n) { return n.letter == e; });
        // \xHH and \uHHHH give a character by its code; an escape not understood stands for itself.
        const int digits = e == 'x' ? 2 : e == 'u' ? 4 : 0;
        bool ok = false;
        const int code = digits ? text.mid(i + 1, digits).toInt(&ok, 16) : 0;
        if (named != std::end(kNamedEscapes)) {
            out += QChar(named->c);
        } else if (ok) {
            out += QChar(static_cast<char16_t>(code));
            i += digits;
        } else {
            out += e;
        }
    }
    return out;
}
