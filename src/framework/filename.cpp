#include "framework/filename.h"

#include <QMimeData>
#include <QUrl>

#include <dirent.h>
#include <memory>

namespace {
constexpr char16_t kFirstEscape = 0xDC80;
constexpr QChar kReplacement(0xFFFD);

bool IsEscape(QChar c) {
    return c.unicode() >= kFirstEscape && c.unicode() <= 0xDCFF;
}

// The length of the well-formed UTF-8 sequence at `p`, or 0.
int SequenceLength(const unsigned char* p, const unsigned char* end) {
    const unsigned char b = *p;
    int need;
    unsigned char lower = 0x80, upper = 0xBF;
    if (b < 0x80)
        return 1;
    if (b >= 0xC2 && b <= 0xDF) {
        need = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
        need = 2;
        lower = b == 0xE0 ? 0xA0 : 0x80;
        upper = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        need = 3;
        lower = b == 0xF0 ? 0x90 : 0x80;
        upper = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (end - p <= need)
        return 0;
    for (int i = 1; i <= need; ++i) {
        if (p[i] < lower || p[i] > upper)
            return 0;
        lower = 0x80;
        upper = 0xBF;
    }
    return need + 1;
}
} // namespace

QString FileNameFromBytes(const QByteArray& bytes) {
    QString name;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* end = p + bytes.size();
    while (p < end) {
        if (const int n = SequenceLength(p, end)) {
            name += QString::fromUtf8(reinterpret_cast<const char*>(p), n);
            p += n;
        } else {
            name += QChar(static_cast<char16_t>(0xDC00 + *p++));
        }
    }
    return name;
}

QByteArray FileNameToBytes(const QString& name) {
    QByteArray bytes;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !IsEscape(name[i]))
            continue;
        bytes += QStringView(name).mid(from, i - from).toUtf8();
        if (i < name.size())
            bytes += static_cast<char>(name[i].unicode() - 0xDC00);
        from = i + 1;
    }
    return bytes;
}

QString DisplayFileName(const QString& name) {
    QString shown = name;
    for (QChar& c : shown)
        if (IsEscape(c))
            c = kReplacement;
    return shown;
}

QString ResolveDecodedPath(const QString& path) {
    if (!path.contains(kReplacement))
        return path;
    // Each part of the path in turn: the one entry of its folder that shows as it does.
    QString resolved;
    const QStringList parts = path.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        if (i > 0)
            resolved += QLatin1Char('/');
        if (!part.contains(kReplacement)) {
            resolved += part;
            continue;
        }
        const QByteArray folder =
            FileNameToBytes(resolved.isEmpty() ? QStringLiteral("/") : resolved);
        std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.constData()), closedir);
        if (!dir)
            return path;
        QString match;
        int matches = 0;
        while (const dirent* entry = readdir(dir.get())) {
            const QString name = FileNameFromBytes(QByteArray(entry->d_name));
            if (DisplayFileName(name) == part || QString::fromUtf8(entry->d_name) == part) {
                match = name;
                ++matches;
            }
        }
        if (matches != 1)
            return path;
        resolved += match;
    }
    return resolved;
}

QStringList LocalFilesOf(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    // The list as sent, percent-encoded bytes: QUrl would turn bytes that are no UTF-8 into
    // replacement marks.
    const QList<QByteArray> lines = data->data(QStringLiteral("text/uri-list")).split('\n');
    for (QByteArray line : lines) {
        line = line.trimmed();
        if (!line.startsWith("file://"))
            continue;
        const qsizetype slash = line.indexOf('/', 7); // after the host, often empty
        if (slash >= 0)
            files << FileNameFromBytes(QByteArray::fromPercentEncoding(line.mid(slash)));
    }
    if (files.isEmpty()) // a list given as URLs only, not as bytes
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                files << url.toLocalFile();
    return files;
}
