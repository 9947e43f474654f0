#include "framework/filename.h"

#include "text/textencoding.h"

#include <QMimeData>
#include <QUrl>

#include <dirent.h>
#include <memory>

namespace {
constexpr QChar kReplacement(0xFFFD);
} // namespace

QString FileNameFromBytes(const QByteArray& bytes) {
    return EscapedFromBytes(bytes);
}

QByteArray FileNameToBytes(const QString& name) {
    return BytesFromEscaped(name);
}

QString DisplayFileName(const QString& name) {
    QString shown = name;
    for (qsizetype i = 0; i < shown.size(); ++i)
        if (IsEscapedByteAt(name, i))
            shown[i] = kReplacement;
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
