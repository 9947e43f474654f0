// File names are bytes on Linux, not always UTF-8. These keep every byte of a name through a
// QString: a byte that is no UTF-8 becomes one of the lone surrogates U+DC80 to U+DCFF, which no
// valid name decodes to, and becomes the same byte again on the way back.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QMimeData;

QString FileNameFromBytes(const QByteArray& bytes);
QByteArray FileNameToBytes(const QString& name);

// The absolute, clean form of a name, and the absolute folder it is in, kept to the byte (Qt's
// own go through its native encoding, which turns the bytes that are no UTF-8 into marks).
QString AbsoluteFileName(const QString& name);
QString FolderOf(const QString& name);
// The name with every symbolic link on its way resolved; empty when that cannot be done.
QString CanonicalFileName(const QString& name);

// The name as shown to the user: bytes that are no UTF-8 show as replacement marks.
QString DisplayFileName(const QString& name);

// A path that Qt decoded itself (file dialogs do), with replacement marks where the name had
// bytes that are no UTF-8, made into the path of the one file it can stand for; unchanged
// when it has no marks or the file cannot be told.
QString ResolveDecodedPath(const QString& path);

// The local files that a drop or a paste carries, their names kept to the byte.
QStringList LocalFilesOf(const QMimeData* data);
