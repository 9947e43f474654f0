// What interrupted saves leave behind: set-aside copies of old content, found again and offered
// back, and temporary files that no running save owns any longer.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class CInterruptedSaves {
public:
    struct Copy {
        QString target; // the file whose old content this is
        QString copy;   // where that content is
        QString record;
        qint64 targetSize = 0; // the file now
        qint64 copySize = 0;
        bool newContent = false; // the whole new content of a save stopped before its end
    };

    // A record of a set-aside copy: the file and where its old content is, every byte of the
    // names kept (a name may hold a line break); and, once the save has written the whole of
    // the new content, its size.
    static QByteArray RecordText(const QString& target, const QByteArray& copy, bool newContent);
    static QByteArray CompleteLine(qint64 size);

    // Where records of set-aside copies are kept, and copies that fit nowhere else.
    static QString StateFolder();
    static QString TempPrefix() { return QStringLiteral(".zorvek-save-"); }
    static QString AsidePrefix() { return QStringLiteral(".zorvek-aside-"); }
    static QString RecordSuffix() { return QStringLiteral(".record"); }

    // Copies left by saves that no running program is carrying out; for `target` only when
    // it is given. A save in place that had written the whole of its new content, or had not
    // yet touched the file, needs nothing back: its copy goes without a word; so does the new
    // content of a save stopped before it was whole.
    static QList<Copy> Pending(const QString& target = QString());
    // Puts the copy's content into its file through a safe save, then forgets the copy;
    // throws CFileException when that fails, leaving the copy where it is.
    static void Restore(const Copy& copy);
    static void Discard(const Copy& copy);
    // Keeps the content as a file of its own beside the copy's place, no longer offered;
    // returns its name, or an empty one when it could not be kept so.
    static QString Keep(const Copy& copy);
    // Removes from `folder` our temporary files and set-aside copies that no running save owns
    // and that no record needs. Files of other users and those just created are left alone.
    static void RemoveStale(const QString& folder);
};
