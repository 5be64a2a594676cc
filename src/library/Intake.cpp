#include "Intake.h"

#include "library/SearchStem.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QSet>

#include <algorithm>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvane {

namespace {

struct DirCloser {
    void operator()(DIR *dir) const { closedir(dir); }
};

bool isDirectoryEntry(int parentFd, const dirent *entry)
{
    if (entry->d_type != DT_UNKNOWN)
        return entry->d_type == DT_DIR;
    struct stat info;
    return fstatat(parentFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode);
}

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
            return isVideoExtension(QString::fromUtf8(extension));
        if (length == sizeof lower - 1)
            return false; // longer than any video extension
        lower[length] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    return isVideoExtension(QLatin1String(lower, qsizetype(length)));
}

// readdir with openat instead of QDirIterator: no per-entry stat or QFileInfo, which keeps a scan
// of a large library close to the cost of the directory reads themselves.
void walk(int dirFd, const QByteArray &dirPath, QList<QByteArray> &found)
{
    std::unique_ptr<DIR, DirCloser> dir(fdopendir(dirFd));
    if (!dir) {
        close(dirFd);
        return;
    }
    while (const dirent *entry = readdir(dir.get())) {
        const char *name = entry->d_name;
        if (name[0] == '.') // hidden, ".", ".."
            continue;
        if (isDirectoryEntry(dirfd(dir.get()), entry)) {
            const int childFd = openat(dirfd(dir.get()), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (childFd >= 0)
                walk(childFd, dirPath + '/' + name, found);
        } else if (hasVideoExtension(name)) {
            found.append(dirPath + '/' + name);
        }
    }
}

QString fileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// The video files below a folder, in directory order.
QStringList walkFolder(const QString &folderPath)
{
    const QByteArray root = QFile::encodeName(QDir::cleanPath(folderPath));
    const int fd = open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QList<QByteArray> found;
    walk(fd, root == "/" ? QByteArray() : root, found);

    QStringList paths;
    paths.reserve(found.size());
    for (const QByteArray &path : found)
        paths.append(QFile::decodeName(path));
    return paths;
}

} // namespace

QLocale collationLocale()
{
    // Under the C locale QCollator compares code points and ignores the case setting; English
    // rules still give the order a person expects (a.mp4 before B.mkv).
    const QLocale system;
    return system.language() == QLocale::C ? QLocale(QLocale::English) : system;
}

void sortByFileName(QStringList &paths, const QLocale &locale)
{
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // Sort keys once per path instead of collating names on every comparison.
    struct Keyed {
        QCollatorSortKey key;
        QString path;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(paths.size());
    for (QString &path : paths) {
        QCollatorSortKey key = collator.sortKey(fileNameOf(path));
        keyed.push_back({std::move(key), std::move(path)});
    }
    std::stable_sort(
        keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) { return a.key.compare(b.key) < 0; });
    paths.clear();
    for (Keyed &entry : keyed)
        paths.append(std::move(entry.path));
}

QStringList scanFolder(const QString &folderPath)
{
    QStringList paths = walkFolder(folderPath);
    sortByFileName(paths, collationLocale());
    return paths;
}

IntakeResult collectIntake(const QList<QUrl> &urls)
{
    IntakeResult result;
    QSet<QString> seen;
    auto collect = [&](const QString &path) {
        if (!seen.contains(path)) {
            seen.insert(path);
            result.paths.append(path);
        }
    };

    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            continue;
        const QString path = QDir::cleanPath(url.toLocalFile());
        struct stat info;
        if (stat(QFile::encodeName(path).constData(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            if (!result.folderPath)
                result.folderPath = path;
            // The final sort below orders everything; sorting each folder first would not change
            // the result, as both sorts are stable.
            const QStringList found = walkFolder(path);
            for (const QString &file : found)
                collect(file);
        } else if (isVideoExtension(pathExtension(fileNameOf(path)))) {
            if (!result.folderPath)
                result.folderPath = QDir::cleanPath(path + QStringLiteral("/.."));
            collect(path);
        } else {
            ++result.skippedCount;
        }
    }
    sortByFileName(result.paths, collationLocale());
    return result;
}

} // namespace tolvane
