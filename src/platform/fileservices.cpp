#include "platform/fileservices.h"

#include "platform/hugepages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTextBoundaryFinder>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fileservices {

namespace {

// A note larger than this is shown read-only rather than read into memory whole.
constexpr qint64 maxReadBytes = qint64(1) << 30;

QString systemReason(int errorNumber)
{
    const QString reason = qt_error_string(errorNumber);
    return reason.isEmpty() ? QObject::tr("Unknown error %1").arg(errorNumber) : reason;
}

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

bool isUtf8(const char *bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    [[maybe_unused]] const QString decoded = decoder.decode(QByteArrayView(bytes));
    return !decoder.hasError();
}

// Why a thing that is not a regular file cannot be a note's text.
QString notAFileReason(mode_t mode)
{
    if (S_ISDIR(mode))
        return QObject::tr("It is a folder, not a file");
    if (S_ISFIFO(mode))
        return QObject::tr("It is a named pipe, not a file");
    if (S_ISSOCK(mode))
        return QObject::tr("It is a socket, not a file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QObject::tr("It is a device, not a file");
    return QObject::tr("It is not a regular file");
}

// The mode is looked at before the file is opened, and opening never waits: a named pipe with
// no writer would otherwise block the program for good.
FileRead readRegularFile(const QByteArray &path, const PieceTaker &take)
{
    struct stat status;
    if (::stat(path.constData(), &status) != 0) {
        const int reason = errno;
        struct stat link;
        if (reason == ENOENT && ::lstat(path.constData(), &link) != 0)
            return {ReadStatus::Missing, {}, {}};
        return {ReadStatus::Unreadable, {}, systemReason(reason)};
    }
    if (!S_ISREG(status.st_mode))
        return {ReadStatus::Unreadable, {}, notAFileReason(status.st_mode)};
    if (status.st_size > maxReadBytes)
        return {ReadStatus::Unreadable, {}, QObject::tr("The file is too large to open")};

    const int descriptor = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0)
        return {ReadStatus::Unreadable, {}, systemReason(errno)};
    FileRead result {ReadStatus::Ok, {}, {}};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        result = {ReadStatus::Unreadable, {}, QObject::tr("The file changed while it was read")};
    } else {
        qsizetype total = 0;
        char chunk[65536];
        for (;;) {
            const ssize_t count = ::read(descriptor, chunk, sizeof chunk);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0) {
                result = {ReadStatus::Unreadable, {}, systemReason(errno)};
                break;
            }
            if (count == 0)
                break;
            if (total + count > maxReadBytes) {
                result = {ReadStatus::Unreadable, {}, QObject::tr("The file is too large to open")};
                break;
            }
            total += count;
            take(QByteArrayView(chunk, count), qsizetype(status.st_size));
        }
    }
    ::close(descriptor);
    return result;
}

// A digest is taken a piece of fixed size at a time, however the bytes arrive, so that a long file
// need not be held whole for it.
class Digester
{
public:
    void add(QByteArrayView bytes)
    {
        m_size += bytes.size();
        if (!m_piece.isEmpty()) {
            const qsizetype taken = std::min(bytes.size(), pieceSize - m_piece.size());
            m_piece.append(bytes.first(taken));
            bytes = bytes.sliced(taken);
            if (m_piece.size() < pieceSize)
                return;
            takePiece(m_piece);
            m_piece.clear();
        }
        for (; bytes.size() >= pieceSize; bytes = bytes.sliced(pieceSize))
            takePiece(bytes.first(pieceSize));
        m_piece.append(bytes);
    }
    size_t result() const { return qHash(QByteArrayView(m_piece), m_state) ^ size_t(m_size); }

private:
    static constexpr qsizetype pieceSize = 64 * 1024;
    void takePiece(QByteArrayView piece) { m_state = qHash(piece, m_state); }

    size_t m_state = 0;
    qsizetype m_size = 0;
    QByteArray m_piece; // the bytes after the last whole piece
};

FileRead readRegularFile(const QByteArray &path)
{
    QByteArray bytes;
    FileRead result = readRegularFile(path, [&bytes](QByteArrayView piece, qsizetype size) {
        // A long note's bytes fill fresh memory; huge pages take far fewer faults.
        if (bytes.isEmpty()) {
            bytes.reserve(size);
            platform::adviseHugePages(bytes.data(), size);
        }
        bytes.append(piece);
    });
    if (result.status == ReadStatus::Ok)
        result.bytes = std::move(bytes);
    return result;
}

QDateTime dateOf(const timespec &time)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(time.tv_sec) * 1000 + time.tv_nsec / 1000000,
                                          Qt::UTC);
}

bool fail(QString *error, const QString &reason)
{
    *error = reason;
    return false;
}

// Every byte, or the reason why not: write() may take only part of the buffer, and on a full
// disk it takes a part and fails on the rest.
bool writeAll(int descriptor, const QByteArray &bytes, QString *error)
{
    const char *next = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t count = ::write(descriptor, next, size_t(left));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return fail(error, systemReason(errno));
        if (count == 0)
            return fail(error, systemReason(ENOSPC));
        next += count;
        left -= count;
    }
    return true;
}

bool syncFolder(const QByteArray &folder, QString *error)
{
    const int descriptor = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return fail(error, systemReason(errno));
    const bool synced = ::fsync(descriptor) == 0 || errno == EINVAL; // some file systems can't
    const int reason = errno;
    ::close(descriptor);
    return synced || fail(error, systemReason(reason));
}

// The temporary name is short and hidden, and does not end in ".md": it fits beside a note whose
// name takes all 255 bytes, and nothing takes it for a note while it exists.
int createTemporaryFile(const QByteArray &folder, mode_t mode, QByteArray *path, QString *error)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *path = folder + "/.penwick-"
            + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        const int descriptor =
            ::open(path->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (descriptor >= 0 || errno != EEXIST) {
            if (descriptor < 0)
                *error = systemReason(errno);
            return descriptor;
        }
    }
    *error = systemReason(EEXIST);
    return -1;
}

// A note that is a link to a file elsewhere keeps being that link: the file it points to is the
// one replaced.
QByteArray writeTarget(const QByteArray &path)
{
    struct stat link;
    if (::lstat(path.constData(), &link) != 0 || !S_ISLNK(link.st_mode))
        return path;
    char resolved[PATH_MAX];
    return ::realpath(path.constData(), resolved) ? QByteArray(resolved) : path;
}

// Puts the temporary file at the target in one step. With a file already there, the two trade
// places and *displaced names the temporary path, which then holds what the target held at that
// instant; otherwise nothing that appears meanwhile is replaced. A file system that cannot trade
// places gets a link to the old file and a plain rename, which leaves a short window.
bool placeTemporary(const QByteArray &temporary, const QByteArray &target, QByteArray *displaced,
                    QString *error)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(),
                        RENAME_EXCHANGE)
            == 0) {
            *displaced = temporary;
            return true;
        }
        if (errno == ENOENT) {
            if (::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD, target.constData(),
                            RENAME_NOREPLACE)
                == 0)
                return true;
            if (errno == EEXIST)
                continue; // a file appeared meanwhile: trade places with it
        }
        if (errno != EINVAL && errno != ENOSYS)
            return fail(error, systemReason(errno));
        const QByteArray old = temporary + ".old";
        const bool hadFile = ::link(target.constData(), old.constData()) == 0;
        if (::rename(temporary.constData(), target.constData()) != 0) {
            const int reason = errno;
            if (hadFile)
                ::unlink(old.constData());
            return fail(error, systemReason(reason));
        }
        if (hadFile && ::rename(old.constData(), temporary.constData()) == 0)
            *displaced = temporary;
        return true;
    }
    return fail(error, systemReason(EEXIST));
}

// With displaced null, the temporary file is renamed over the target; otherwise see
// placeTemporary.
bool replaceFile(const QByteArray &target, const QByteArray &bytes, QByteArray *displaced,
                 QString *error)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? target.first(slash) : QByteArray("/");
    struct stat existing;
    // A new file gets the usual permissions (less the umask); a replaced one keeps its own.
    const bool replaces = ::stat(target.constData(), &existing) == 0;
    QByteArray temporary;
    const int descriptor = createTemporaryFile(folder, 0666, &temporary, error);
    if (descriptor < 0)
        return false;
    bool written = writeAll(descriptor, bytes, error);
    if (written && replaces)
        ::fchmod(descriptor, existing.st_mode & 07777);
    if (written && ::fsync(descriptor) != 0)
        written = fail(error, systemReason(errno));
    if (::close(descriptor) != 0 && written)
        written = fail(error, systemReason(errno));
    if (written && displaced)
        written = placeTemporary(temporary, target, displaced, error);
    else if (written && ::rename(temporary.constData(), target.constData()) != 0)
        written = fail(error, systemReason(errno));
    if (!written) {
        ::unlink(temporary.constData());
        return false;
    }
    return syncFolder(folder, error);
}

ReadResult decodeRead(const FileRead &raw)
{
    if (raw.status != ReadStatus::Ok)
        return {raw.status, {}, raw.error};
    // QString::fromUtf8 would drop a leading byte-order mark, and saving would then lose it.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    // Decoded into fresh memory given huge pages, as a long note's text is large. UTF-8 never
    // takes fewer bytes than UTF-16 takes code units.
    QString text(raw.bytes.size(), Qt::Uninitialized);
    platform::adviseHugePages(text.data(), text.size() * qsizetype(sizeof(QChar)));
    text.truncate(decoder.appendToBuffer(text.data(), raw.bytes) - text.constData());
    if (decoder.hasError())
        return {ReadStatus::Unreadable, text, QObject::tr("The file is not valid UTF-8 text")};
    return {ReadStatus::Ok, text, {}, digest(raw.bytes)};
}

} // namespace

QString documentsDirectory()
{
    const QString location = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return location.isEmpty() ? QDir::homePath() + QStringLiteral("/Documents") : location;
}

bool makeFolder(const QString &path, QString *error)
{
    const QByteArray nativePath = native(path);
    struct stat status;
    if (::stat(nativePath.constData(), &status) == 0) {
        return S_ISDIR(status.st_mode)
            || fail(error, QObject::tr("“%1” is a file, not a folder").arg(path));
    }
    const QString parent = QFileInfo(path).path();
    if (parent != path && !makeFolder(parent, error))
        return false;
    if (::mkdir(nativePath.constData(), 0777) == 0)
        return true;
    const int reason = errno;
    if (reason == EEXIST && ::stat(nativePath.constData(), &status) == 0 && S_ISDIR(status.st_mode))
        return true;
    return fail(error, systemReason(reason));
}

// One pass of readdir, and a stat relative to the open folder for the wanted names only: a
// folder of ten thousand notes is listed without walking ten thousand paths.
QList<Entry> listFolder(const QString &path, const std::function<bool(const QString &)> &wanted)
{
    QList<Entry> entries;
    const QByteArray nativeFolder = native(path);
    DIR *folder = ::opendir(nativeFolder.constData());
    if (!folder)
        return entries;
    const int folderDescriptor = ::dirfd(folder);
    while (const dirent *entry = ::readdir(folder)) {
        const QString fileName = QFile::decodeName(entry->d_name);
        if (fileName == u"." || fileName == u".." || !wanted(fileName))
            continue;
        struct stat status;
        QDateTime modified;
        if (::fstatat(folderDescriptor, entry->d_name, &status, 0) == 0)
            modified = dateOf(status.st_mtim);
        entries.append({path + u'/' + fileName, fileName, modified,
                        nativeFolder + '/' + entry->d_name, isUtf8(entry->d_name)});
    }
    ::closedir(folder);
    return entries;
}

QDateTime modificationTime(const QString &path)
{
    struct stat status;
    return ::stat(native(path).constData(), &status) == 0 ? dateOf(status.st_mtim) : QDateTime();
}

std::optional<qint64> modificationStamp(const QString &folder)
{
    struct stat status;
    if (::stat(native(folder).constData(), &status) != 0)
        return std::nullopt;
    return qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
}

std::optional<std::pair<quint64, quint64>> identity(const QString &path)
{
    struct stat status;
    if (::stat(native(path).constData(), &status) != 0)
        return std::nullopt;
    return std::pair<quint64, quint64>(status.st_dev, status.st_ino);
}

std::optional<FileStamp> fileStamp(const QString &path)
{
    struct stat status;
    if (::stat(native(path).constData(), &status) != 0)
        return std::nullopt;
    const auto nanoseconds = [](const timespec &time) {
        return qint64(time.tv_sec) * 1000000000 + time.tv_nsec;
    };
    return FileStamp {status.st_dev, status.st_ino, status.st_size, nanoseconds(status.st_mtim),
                      nanoseconds(status.st_ctim)};
}

namespace {

size_t addName(size_t digest, const QString &fileName)
{
    return digest + qHash(fileName) + 1;
}

} // namespace

std::optional<size_t> nameSetDigest(const QString &path,
                                    const std::function<bool(const QString &)> &wanted)
{
    DIR *folder = ::opendir(native(path).constData());
    if (!folder)
        return std::nullopt;
    size_t digest = 0;
    while (const dirent *entry = ::readdir(folder)) {
        const QString fileName = QFile::decodeName(entry->d_name);
        if (fileName != u"." && fileName != u".." && wanted(fileName))
            digest = addName(digest, fileName);
    }
    ::closedir(folder);
    return digest;
}

size_t nameSetDigest(const QList<Entry> &entries)
{
    size_t digest = 0;
    for (const Entry &entry : entries)
        digest = addName(digest, entry.fileName);
    return digest;
}

bool entryExists(const QString &path)
{
    struct stat status;
    return ::lstat(native(path).constData(), &status) == 0;
}

ReadResult readText(const QString &path)
{
    return readTextAt(native(path));
}

ReadResult readTextAt(const QByteArray &nativePath)
{
    return decodeRead(readRegularFile(nativePath));
}

size_t digest(QByteArrayView bytes)
{
    Digester digester;
    digester.add(bytes);
    return digester.result();
}

FileRead readFile(const QString &path)
{
    return readRegularFile(native(path));
}

FileRead readFileInPieces(const QString &path, const PieceTaker &take)
{
    return readRegularFile(native(path), take);
}

bool writeBytes(const QString &path, const QByteArray &bytes, QString *error)
{
    return replaceFile(writeTarget(native(path)), bytes, nullptr, error);
}

bool writeBytesKeepingOther(const QString &path, const QByteArray &bytes,
                            std::optional<size_t> expected, QString *displaced, QString *error)
{
    displaced->clear();
    QByteArray old;
    if (!replaceFile(writeTarget(native(path)), bytes, &old, error))
        return false;
    if (old.isEmpty())
        return true;
    // What cannot be read is not known to be what the caller saw, so it is never removed. A long
    // note is not held whole beside the bytes that replaced it.
    Digester displacedDigest;
    const FileRead read = readRegularFile(
        old, [&displacedDigest](QByteArrayView piece, qsizetype) { displacedDigest.add(piece); });
    if (read.status == ReadStatus::Ok && expected && displacedDigest.result() == *expected)
        ::unlink(old.constData());
    else
        *displaced = QFile::decodeName(old);
    return true;
}

bool writeText(const QString &path, const QString &text, QString *error)
{
    return writeBytes(path, text.toUtf8(), error);
}

bool move(const QString &from, const QString &to, QString *error)
{
    return moveFrom(native(from), to, error);
}

bool moveFrom(const QByteArray &nativeFrom, const QString &to, QString *error)
{
    const QByteArray nativeTo = native(to);
    if (::renameat2(AT_FDCWD, nativeFrom.constData(), AT_FDCWD, nativeTo.constData(),
                    RENAME_NOREPLACE)
        == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return fail(error, systemReason(errno));
    // A file system without the no-replace rename: look first, which leaves a short window.
    struct stat status;
    if (::lstat(nativeTo.constData(), &status) == 0)
        return fail(error, systemReason(EEXIST));
    return ::rename(nativeFrom.constData(), nativeTo.constData()) == 0
        || fail(error, systemReason(errno));
}

// Qt 6.4 reports success, and moves the file into "files" under the working directory, when
// the data folder the trash lives in does not exist yet, as on a fresh account. So the folder is
// made first, and the move is checked.
bool moveToTrash(const QString &path, QString *error)
{
    const QString dataFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataFolder.isEmpty() || !QDir().mkpath(dataFolder)) {
        *error = QObject::tr("The trash folder %1 cannot be made").arg(dataFolder);
        return false;
    }
    QFile file(path);
    if (!file.moveToTrash()) {
        *error = file.errorString().isEmpty() ? QObject::tr("The trash did not take the file")
                                              : file.errorString();
        return false;
    }
    // On success the file's name is its place in the trash: the home trash, or the trash at the
    // top of another file system. Anywhere else it goes back.
    const QString inTrash = file.fileName();
    const bool trashed = inTrash.startsWith(dataFolder + QStringLiteral("/Trash/files/"))
        || inTrash.contains(QStringLiteral("/.Trash"));
    if (!trashed && entryExists(inTrash) && !entryExists(path))
        QFile::rename(inTrash, path);
    if (!trashed || entryExists(path) || !entryExists(inTrash)) {
        *error = QObject::tr("The trash did not take the file");
        return false;
    }
    return true;
}

QString truncatedToBytes(const QString &name, qsizetype maxBytes)
{
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, name);
    qsizetype fits = 0;
    qsizetype bytes = 0;
    for (qsizetype end = boundaries.toNextBoundary(); end > 0; end = boundaries.toNextBoundary()) {
        bytes += QStringView(name).sliced(fits, end - fits).toUtf8().size();
        if (bytes > maxBytes)
            break;
        fits = end;
    }
    return name.first(fits);
}

} // namespace fileservices
