#include "framework/filemetadata.h"

#include <QByteArray>

#include <cerrno>
#include <sys/xattr.h>
#include <unistd.h>

namespace {
// Extended attribute names, NUL-separated as the kernel lists them; empty when there are none.
QByteArray ListAttributes(const char* path, int fd) {
    for (;;) {
        const ssize_t size = path ? listxattr(path, nullptr, 0) : flistxattr(fd, nullptr, 0);
        if (size <= 0)
            return QByteArray();
        QByteArray names(size, '\0');
        const ssize_t got = path ? listxattr(path, names.data(), names.size())
                                 : flistxattr(fd, names.data(), names.size());
        if (got >= 0) {
            names.truncate(got);
            return names;
        }
        if (errno != ERANGE) // ERANGE: an attribute was added meanwhile; ask again
            return QByteArray();
    }
}

QList<QByteArray> Names(const QByteArray& list) {
    QList<QByteArray> names = list.split('\0');
    names.removeAll(QByteArray());
    return names;
}

bool CopyAttribute(const char* from, const QByteArray& name, int fd) {
    for (;;) {
        const ssize_t size = getxattr(from, name.constData(), nullptr, 0);
        if (size < 0)
            return errno == ENODATA; // removed meanwhile: nothing to keep
        QByteArray value(size, '\0');
        const ssize_t got = getxattr(from, name.constData(), value.data(), value.size());
        if (got < 0 && errno == ERANGE)
            continue;
        if (got < 0)
            return false;
        return fsetxattr(fd, name.constData(), value.constData(), static_cast<size_t>(got), 0) == 0;
    }
}

QString Describe(const QByteArray& name) {
    if (name == "system.posix_acl_access")
        return QStringLiteral("the access ACL");
    if (name == "system.posix_acl_default")
        return QStringLiteral("the default ACL");
    return QStringLiteral("the attribute %1").arg(QString::fromUtf8(name));
}
} // namespace

bool CFileMetadata::KeepOwner(int fd, const struct stat& old) {
    struct stat now {};
    if (fstat(fd, &now) != 0)
        return false;
    if (now.st_uid == old.st_uid && now.st_gid == old.st_gid)
        return true;
    return fchown(fd, old.st_uid, old.st_gid) == 0;
}

QStringList CFileMetadata::SetMode(int fd, mode_t mode) {
    mode &= 07777;
    struct stat now {};
    // The system drops the setgid bit without a word for a user outside the file's group.
    if (fchmod(fd, mode) != 0 || fstat(fd, &now) != 0)
        return {QStringLiteral("the permissions")};
    QStringList notKept;
    if ((mode & S_ISUID) && !(now.st_mode & S_ISUID))
        notKept << QStringLiteral("the setuid bit");
    if ((mode & S_ISGID) && !(now.st_mode & S_ISGID))
        notKept << QStringLiteral("the setgid bit");
    if ((now.st_mode & 0777) != (mode & 0777))
        notKept << QStringLiteral("the permissions");
    return notKept;
}

QStringList CFileMetadata::KeepModeAndAttributes(const QByteArray& oldPath, const struct stat& old,
                                                 int fd) {
    QStringList notKept;
    const QList<QByteArray> wanted = Names(ListAttributes(oldPath.constData(), -1));
    // The new file may have been given attributes of its own, such as the folder's default
    // ACL: those the old file did not have would change who may read or write it.
    for (const QByteArray& name : Names(ListAttributes(nullptr, fd))) {
        if (!wanted.contains(name) && name.startsWith("system.posix_acl") &&
            fremovexattr(fd, name.constData()) != 0 && errno != ENODATA)
            notKept << Describe(name);
    }
    // Setting the mode also sets an ACL's mask, so the old file's ACL comes after it.
    notKept << SetMode(fd, old.st_mode);
    for (const QByteArray& name : wanted) {
        if (!CopyAttribute(oldPath.constData(), name, fd))
            notKept << Describe(name);
    }
    return notKept;
}
