#include "Intake.h"

#include "core/FilePaths.h"
#include "library/SearchStem.h"

#include <QCollator>
#include <QSet>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvane {

namespace {

struct DirCloser {
    void operator()(DIR *dir) const { closedir(dir); }
};

bool hasVideoExtension(const char *name)
{
    const char *dot = std::strrchr(name, '.');
    if (!dot || dot == name || dot[1] == '\0')
        return false;
    const char *extension = dot + 1;
    char lower[8];
    size_t length = 0;
    for (; extension[length] != '\0'; ++length) {
        const unsigned char c = static_cast<unsigned char>(extension[length]);
        if (c >= 0x80) // not ASCII: let Unicode lowercasing decide
            return isVideoExtension(readableName(extension));
        if (length == sizeof lower - 1)
            return false; // longer than any video extension
        lower[length] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    return isVideoExtension(QLatin1String(lower, qsizetype(length)));
}

std::optional<QByteArray> canonicalPath(const QByteArray &path)
{
    std::unique_ptr<char, decltype(&std::free)> real(realpath(path.constData(), nullptr), &std::free);
    if (!real)
        return std::nullopt;
    return QByteArray(real.get());
}

/// A found file: its path as reached, and the canonical path that tells whether it was reached before.
struct Found {
    QByteArray path;
    QByteArray key;
};

/// Where the walk stands: the folder as reached and, when it differs (reached through a link),
/// the same folder's canonical path.
struct WalkDir {
    QByteArray path;
    std::optional<QByteArray> canonical;
};

// readdir with openat instead of QDirIterator: no per-entry stat or QFileInfo, which keeps a scan
// of a large library close to the cost of the directory reads themselves. The entry type from
// readdir decides; only links and file systems that give no type cost a stat.
void walk(int dirFd, const WalkDir &here, QList<Found> &found)
{
    std::unique_ptr<DIR, DirCloser> dir(fdopendir(dirFd));
    if (!dir) {
        close(dirFd);
        return;
    }
    const int fd = dirfd(dir.get());
    while (const dirent *entry = readdir(dir.get())) {
        const char *name = entry->d_name;
        if (name[0] == '.') // hidden, ".", ".."
            continue;
        unsigned char type = entry->d_type;
        struct stat info;
        if (type == DT_UNKNOWN) {
            if (fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : S_ISLNK(info.st_mode) ? DT_LNK : 0;
        }
        if (type == DT_DIR) {
            const int childFd = openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (childFd < 0)
                continue;
            WalkDir child{here.path + '/' + name, std::nullopt};
            if (here.canonical)
                child.canonical = *here.canonical + '/' + name;
            walk(childFd, child, found);
            continue;
        }
        if ((type != DT_REG && type != DT_LNK) || !hasVideoExtension(name))
            continue;
        QByteArray path = here.path + '/' + name;
        if (type == DT_LNK) {
            // A link counts when it leads to a regular file; that file is what it stands for.
            if (fstatat(fd, name, &info, 0) != 0 || !S_ISREG(info.st_mode))
                continue;
            if (std::optional<QByteArray> target = canonicalPath(path))
                found.append({path, *target});
            continue;
        }
        QByteArray key = here.canonical ? *here.canonical + '/' + name : path;
        found.append({std::move(path), std::move(key)});
    }
}

// The video files below a folder, in directory order.
QList<Found> walkFolder(const QByteArray &folderPath)
{
    const int fd = open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return {};
    WalkDir root{folderPath == "/" ? QByteArray() : folderPath, std::nullopt};
    const std::optional<QByteArray> canonical = canonicalPath(folderPath);
    if (canonical && *canonical != folderPath)
        root.canonical = *canonical == "/" ? QByteArray() : *canonical;
    QList<Found> found;
    walk(fd, root, found);
    return found;
}

} // namespace

QByteArray cleanNativePath(const QByteArray &path)
{
    const bool absolute = path.startsWith('/');
    QList<QByteArray> parts;
    for (const QByteArray &part : path.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == ".." && !parts.isEmpty() && parts.last() != "..")
            parts.removeLast();
        else if (part != ".." || !absolute)
            parts.append(part);
    }
    const QByteArray joined = parts.join('/');
    if (absolute)
        return '/' + joined;
    return joined.isEmpty() ? QByteArray(".") : joined;
}

QLocale collationLocale()
{
    // Under the C locale QCollator compares code points and ignores the case setting; English
    // rules still give the order a person expects (a.mp4 before B.mkv).
    const QLocale system;
    return system.language() == QLocale::C ? QLocale(QLocale::English) : system;
}

QList<qsizetype> nameOrder(const QStringList &names, const QLocale &locale)
{
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // Sort keys once per name instead of collating names on every comparison.
    struct Keyed {
        QCollatorSortKey key;
        qsizetype index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(names.size());
    for (qsizetype i = 0; i < names.size(); ++i)
        keyed.push_back({collator.sortKey(names[i]), i});
    std::stable_sort(
        keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) { return a.key.compare(b.key) < 0; });
    QList<qsizetype> order;
    order.reserve(names.size());
    for (const Keyed &entry : keyed)
        order.append(entry.index);
    return order;
}

IntakeResult collectIntake(const QList<QUrl> &urls)
{
    IntakeResult result;
    QSet<QByteArray> seen;
    auto collect = [&](QByteArray path, const QByteArray &key) {
        if (!seen.contains(key)) {
            seen.insert(key);
            result.paths.append(std::move(path));
        }
    };

    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            continue;
        const QByteArray path = cleanNativePath(nativePath(url));
        struct stat info;
        if (stat(path.constData(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            if (!result.folderPath)
                result.folderPath = path;
            for (Found &file : walkFolder(path))
                collect(std::move(file.path), file.key);
        } else if (S_ISREG(info.st_mode) && isVideoExtension(pathExtension(readableName(nativeFileName(path))))) {
            if (!result.folderPath)
                result.folderPath = nativeFolder(path);
            collect(path, canonicalPath(path).value_or(path));
        } else {
            ++result.skippedCount;
        }
    }
    return result;
}

} // namespace tolvane
