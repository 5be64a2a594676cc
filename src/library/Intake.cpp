#include "Intake.h"

#include "core/FilePaths.h"
#include "library/SearchStem.h"

#include <QCollator>
#include <QSet>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <numeric>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvane {

namespace {

struct FdCloser {
    int fd;
    ~FdCloser() { close(fd); }
};

bool isVideoExtensionBytes(const char *extension)
{
    char16_t wide[8];
    size_t length = 0;
    for (; extension[length] != '\0'; ++length) {
        const unsigned char c = static_cast<unsigned char>(extension[length]);
        if (c >= 0x80) // not ASCII: decode it as the row would, and let Unicode lowercasing decide
            return isVideoExtension(readableName(extension));
        if (length == std::size(wide))
            return false; // longer than any video extension
        wide[length] = c;
    }
    return isVideoExtension(QStringView(wide, qsizetype(length)));
}

/// The answers for the extensions met last, by their exact bytes: a folder's files share a few
/// extensions, and asking the table again for each of 100 000 files cost more than reading them.
struct ExtensionCache {
    struct Answer {
        quint64 bytes = 0; // an extension of up to eight bytes, zero-padded; never 0 for one byte or more
        bool video = false;
    };
    std::array<Answer, 4> answers{};
    size_t next = 0;
};

bool hasVideoExtension(const char *name, ExtensionCache &cache)
{
    const size_t length = std::strlen(name);
    const auto *dot = static_cast<const char *>(memrchr(name, '.', length));
    if (!dot || dot == name || dot == name + length - 1)
        return false;
    const char *extension = dot + 1;
    const size_t extensionLength = size_t(name + length - extension);
    quint64 bytes = 0;
    if (extensionLength > sizeof bytes)
        return isVideoExtensionBytes(extension);
    std::memcpy(&bytes, extension, extensionLength);
    for (const ExtensionCache::Answer &answer : cache.answers) {
        if (answer.bytes == bytes)
            return answer.video;
    }
    const bool video = isVideoExtensionBytes(extension);
    cache.answers[cache.next++ % cache.answers.size()] = {bytes, video};
    return video;
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

// A folder's path and a name in it, made in one allocation.
QByteArray joined(const QByteArray &folder, const char *name)
{
    const size_t length = std::strlen(name);
    QByteArray path(folder.size() + 1 + qsizetype(length), Qt::Uninitialized);
    char *out = path.data();
    std::memcpy(out, folder.constData(), size_t(folder.size()));
    out[folder.size()] = '/';
    std::memcpy(out + folder.size() + 1, name, length);
    return path;
}

// getdents64 with openat instead of QDirIterator: no per-entry stat or QFileInfo, which keeps a
// scan of a large library close to the cost of the directory reads themselves (readdir would add
// a stat, two fcntl calls and a buffer to every folder). The entry type decides; only links and
// file systems that give no type cost a stat. Each depth reads into a buffer of its own, kept for
// the whole walk, as a folder's entries are read on after its subfolders are walked.
constexpr size_t entryBufferSize = 32 * 1024;

/// What the whole walk shares: the files found, a buffer per depth, the extensions' answers.
struct Walk {
    QList<Found> found;
    std::vector<std::unique_ptr<char[]>> buffers;
    ExtensionCache extensions;
    bool linked = false; // a file was found through a link
};

void walk(int fd, const WalkDir &here, Walk &state, size_t depth)
{
    const FdCloser closer{fd};
    if (state.buffers.size() <= depth)
        state.buffers.emplace_back(new char[entryBufferSize]);
    char *buffer = state.buffers[depth].get();
    while (true) {
        const ssize_t length = getdents64(fd, buffer, entryBufferSize);
        if (length <= 0) // the end, or an unreadable folder passed over
            return;
        for (ssize_t offset = 0; offset < length;) {
            const auto *entry = reinterpret_cast<const dirent64 *>(buffer + offset);
            offset += entry->d_reclen;
            const char *name = entry->d_name;
            if (name[0] == '.') // hidden, ".", ".."
                continue;
            unsigned char type = entry->d_type;
            struct stat info;
            if (type == DT_UNKNOWN) {
                if (fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                type = S_ISDIR(info.st_mode) ? DT_DIR
                    : S_ISREG(info.st_mode)  ? DT_REG
                    : S_ISLNK(info.st_mode)  ? DT_LNK
                                             : 0;
            }
            if (type == DT_DIR) {
                const int childFd = openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (childFd < 0)
                    continue;
                WalkDir child{joined(here.path, name), std::nullopt};
                if (here.canonical)
                    child.canonical = joined(*here.canonical, name);
                walk(childFd, child, state, depth + 1);
                continue;
            }
            if ((type != DT_REG && type != DT_LNK) || !hasVideoExtension(name, state.extensions))
                continue;
            QByteArray path = joined(here.path, name);
            if (type == DT_LNK) {
                // A link counts when it leads to a regular file; that file is what it stands for.
                if (fstatat(fd, name, &info, 0) != 0 || !S_ISREG(info.st_mode))
                    continue;
                if (std::optional<QByteArray> target = canonicalPath(path)) {
                    state.found.append({path, *target});
                    state.linked = true;
                }
                continue;
            }
            QByteArray key = here.canonical ? joined(*here.canonical, name) : path;
            state.found.append({std::move(path), std::move(key)});
        }
    }
}

// The video files below a folder, in directory order; `linked` tells whether any was found
// through a link.
QList<Found> walkFolder(const QByteArray &folderPath, bool *linked)
{
    const int fd = open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return {};
    WalkDir root{folderPath == "/" ? QByteArray() : folderPath, std::nullopt};
    const std::optional<QByteArray> canonical = canonicalPath(folderPath);
    if (canonical && *canonical != folderPath)
        root.canonical = *canonical == "/" ? QByteArray() : *canonical;
    Walk state;
    walk(fd, root, state, 0);
    *linked = state.linked;
    return std::move(state.found);
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

namespace {

/// Ranks of the printable ASCII characters (space to "~") in a collator's order, a letter and its
/// capital sharing one rank, when comparing names made of them rank by rank is provably what the
/// collator does: none when the locale may join or expand letters (as Danish "aa" or Czech "ch"),
/// or when the collator weighs these characters in any way but one level-one weight each.
using AsciiRanks = std::array<quint8, 128>;

constexpr char16_t firstPlain = u' ', lastPlain = u'~';

std::optional<AsciiRanks> plainAsciiRanks(const QCollator &collator, const QLocale &locale)
{
    // Languages whose collation leaves these characters as the root collation orders them.
    if (locale.language() != QLocale::English && locale.language() != QLocale::Russian)
        return std::nullopt;
    std::vector<char16_t> characters;
    for (char16_t c = firstPlain; c <= lastPlain; ++c)
        characters.push_back(c);
    const auto compare = [&](const char16_t *a, const char16_t *b, qsizetype size) {
        return collator.compare(QStringView(a, size), QStringView(b, size));
    };
    std::stable_sort(characters.begin(), characters.end(),
        [&](const char16_t &a, const char16_t &b) { return compare(&a, &b, 1) < 0; });
    const char16_t low = characters.front(), high = characters.back();
    AsciiRanks ranks{};
    quint8 rank = 0;
    for (size_t i = 1; i < characters.size(); ++i) {
        const char16_t x = characters[i - 1], y = characters[i];
        if (compare(&x, &y, 1) != 0) {
            // Adjacent ranks must differ at the first level: were they told apart only by accents
            // or case, the characters after them would decide, and x followed by the last
            // character would come after y followed by the first.
            const char16_t xHigh[] = {x, high}, yLow[] = {y, low};
            if (compare(xHigh, yLow, 2) >= 0)
                return std::nullopt;
            ++rank;
        }
        ranks[y] = rank;
    }
    // Only a letter and its capital may share a rank.
    for (char16_t c = firstPlain; c <= lastPlain; ++c) {
        for (char16_t d = c + 1; d <= lastPlain; ++d) {
            const bool casePair = c >= u'A' && c <= u'Z' && d == c + (u'a' - u'A');
            if ((ranks[c] == ranks[d]) != casePair)
                return std::nullopt;
        }
    }
    return ranks;
}

} // namespace

QList<qsizetype> nameOrder(const QStringList &names, const QLocale &locale)
{
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // Compared directly rather than through sort keys: ICU compares text on a fast path that
    // stops at the first difference, twice as fast here as making a key for every name, and it
    // orders exactly as the keys would. Names of plain ASCII skip even that: under the collator
    // their order is that of their characters' ranks, taken from the collator itself. Each is
    // written once as its ranks into one buffer, so comparing two is a memcmp, the shorter first
    // where one begins the other.
    struct Ranked {
        qsizetype start = -1; // none: the name holds other characters
        qsizetype size = 0;
    };
    std::vector<Ranked> ranked(size_t(names.size()));
    std::vector<quint8> rankText;
    // Reading the ranks takes some 700 compares: worth it from about a hundred names.
    constexpr qsizetype rankedFrom = 100;
    const std::optional<AsciiRanks> ranks
        = names.size() >= rankedFrom ? plainAsciiRanks(collator, locale) : std::nullopt;
    if (ranks) {
        rankText.reserve(size_t(std::accumulate(
            names.cbegin(), names.cend(), qsizetype(0), [](qsizetype sum, const QString &name) { return sum + name.size(); })));
        for (qsizetype i = 0; i < names.size(); ++i) {
            const QString &name = names[i];
            if (!std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c >= firstPlain && c <= lastPlain; }))
                continue;
            ranked[size_t(i)] = {qsizetype(rankText.size()), name.size()};
            for (const QChar c : name)
                rankText.push_back((*ranks)[c.unicode()]);
        }
    }
    std::vector<qsizetype> order(size_t(names.size()));
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const Ranked &x = ranked[size_t(a)], &y = ranked[size_t(b)];
        if (x.start < 0 || y.start < 0)
            return collator.compare(names[a], names[b]) < 0;
        const size_t common = size_t(std::min(x.size, y.size));
        const int byRank = common == 0 ? 0 : std::memcmp(rankText.data() + x.start, rankText.data() + y.start, common);
        return byRank != 0 ? byRank < 0 : x.size < y.size;
    });
    return QList<qsizetype>(order.begin(), order.end());
}

IntakeResult collectIntake(const QList<QUrl> &urls)
{
    IntakeResult result;
    QSet<QByteArray> seen;
    auto collect = [&](QByteArray path, const QByteArray &key) {
        const qsizetype before = seen.size();
        seen.insert(key); // one hash of the path instead of two: a drop is mostly new files
        if (seen.size() != before)
            result.paths.append(std::move(path));
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
            bool linked = false;
            QList<Found> found = walkFolder(path, &linked);
            if (urls.size() == 1 && !linked) {
                // One folder walked without links reaches each file once: none to tell apart.
                result.paths.reserve(found.size());
                for (Found &file : found)
                    result.paths.append(std::move(file.path));
                continue;
            }
            seen.reserve(seen.size() + found.size());
            for (Found &file : found)
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
