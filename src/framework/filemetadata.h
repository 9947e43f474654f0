// Carries a file's owner, mode, ACLs and extended attributes over to the new file that replaces
// it, so that a save changes the content and nothing else.
#pragma once

#include <QStringList>

#include <sys/stat.h>

class CFileMetadata {
public:
    // Gives `fd` the owner and group of `old`; false when that is not permitted.
    static bool KeepOwner(int fd, const struct stat& old);
    // Gives the file open as `fd` the permission bits of `mode`; returns what could not be set
    // ("the setgid bit" for a user outside the file's group, ...).
    static QStringList SetMode(int fd, mode_t mode);
    // Gives `fd` the mode (setuid, setgid and sticky included) of `old`, then the ACLs and
    // extended attributes of the file at `oldPath`. Run after KeepOwner: changing the owner
    // clears setuid and setgid, and setting the mode resets an ACL's mask. Returns what could
    // not be kept, in words for the user.
    static QStringList KeepModeAndAttributes(const QByteArray& oldPath, const struct stat& old,
                                             int fd);
};
