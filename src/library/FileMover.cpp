#include "FileMover.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvane {

QString systemErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray fileIdentity(const QByteArray &path)
{
    struct stat info;
    if (::lstat(path.constData(), &info) != 0)
        return {};
    const char type = S_ISREG(info.st_mode) ? 'f' : S_ISLNK(info.st_mode) ? 'l' : S_ISDIR(info.st_mode) ? 'd' : 'o';
    return QByteArray(1, type) + ' ' + QByteArray::number(quint64(info.st_dev)) + ' '
        + QByteArray::number(quint64(info.st_ino)) + ' ' + QByteArray::number(qint64(info.st_size)) + ' '
        + QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.'
        + QByteArray::number(qint64(info.st_mtim.tv_nsec)).rightJustified(9, '0');
}

namespace {

MoveResult failure(int error)
{
    return {MoveResult::Kind::failed, systemErrorText(error)};
}

bool flagUnsupported(int error)
{
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

} // namespace

MoveResult moveWithoutReplacing(const QByteArray &source, const QByteArray &target)
{
    if (renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return {MoveResult::Kind::moved, {}};
    const int error = errno;
    if (error == EEXIST)
        return {MoveResult::Kind::targetExists, {}};
    if (flagUnsupported(error))
        return moveByLinking(source, target);
    return failure(error);
}

MoveResult moveByLinking(const QByteArray &source, const QByteArray &target)
{
    if (link(source.constData(), target.constData()) != 0) {
        const int error = errno;
        if (error == EEXIST)
            return {MoveResult::Kind::targetExists, {}};
        if (error == EPERM || flagUnsupported(error))
            return {MoveResult::Kind::failed,
                QCoreApplication::translate(
                    "Rename", "This file system cannot rename without risking an existing file (%1)")
                    .arg(systemErrorText(error))};
        return failure(error);
    }
    if (unlink(source.constData()) != 0) {
        const int error = errno;
        unlink(target.constData()); // leave things as they were: one name, the old one
        return failure(error);
    }
    return {MoveResult::Kind::moved, {}};
}

} // namespace tolvane
