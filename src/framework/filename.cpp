#include "framework/filename.h"

#include "text/textencoding.h"

#include <QDir>
#include <QMimeData>
#include <QUrl>

#include <dirent.h>
#include <memory>
#include <stdlib.h>
#include <unistd.h>

namespace {
constexpr QChar kReplacement(0xFFFD);
} // namespace

QString FileNameFromBytes(const QByteArray& bytes) {
    return EscapedFromBytes(bytes);
}

QByteArray FileNameToBytes(const QString& name) {
    return BytesFromEscaped(name);
}

QString AbsoluteFileName(const QString& name) {
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(name); // works on the text alone
    std::unique_ptr<char, void (*)(void*)> here(::getcwd(nullptr, 0), ::free);
    const QString folder = here ? FileNameFromBytes(here.get()) : QDir::currentPath();
    return QDir::cleanPath(folder + QLatin1Char('/') + name);
}

QString FolderOf(const QString& name) {
    const QString full = AbsoluteFileName(name);
    const qsizetype slash = full.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : full.left(slash);
}

QString CanonicalFileName(const QString& name) {
    std::unique_ptr<char, void (*)(void*)> real(
        ::realpath(FileNameToBytes(name).constData(), nullptr), ::free);
    return real ? FileNameFromBytes(real.get()) : QString();
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
