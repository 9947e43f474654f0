// What interrupted saves leave behind: set-aside copies of old content, found again and offered
// back, and temporary files that no running save owns any longer.
#pragma once

#include <QList>
#include <QString>

class CInterruptedSaves {
public:
    struct Copy {
        QString target; // the file whose old content this is
        QString copy;   // where that content is
        QString record;
    };

    // Where records of set-aside copies are kept, and copies that fit nowhere else.
    static QString StateFolder();
    static QString TempPrefix() { return QStringLiteral(".zorvek-save-"); }
    static QString AsidePrefix() { return QStringLiteral(".zorvek-aside-"); }
    static QString RecordSuffix() { return QStringLiteral(".record"); }

    // Copies left by saves that no running program is carrying out; for `target` only when
    // it is given.
    static QList<Copy> Pending(const QString& target = QString());
    // Puts the copy's content back into its file through a safe save, then forgets the copy;
    // throws CFileException when that fails, leaving the copy where it is.
    static void Restore(const Copy& copy);
    static void Discard(const Copy& copy);
    // Removes from `folder` our temporary files and set-aside copies that no running save owns
    // and that no record needs. Files of other users and those just created are left alone.
    static void RemoveStale(const QString& folder);
};
