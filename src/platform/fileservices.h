#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

// The few file-system operations the note store needs, each reporting failure the same way:
// a false result and the system's reason in *error, so the store can tell the user what went
// wrong without looking at error kinds. A reason is never empty.
namespace fileservices {

struct Entry
{
    QString path;
    QString fileName;
    QDateTime modified; // content modification time, following a link; invalid when unknown
    // The path as the system spells it. It differs from path only when the name is not valid
    // UTF-8: path then holds replacement characters and names no file.
    QByteArray nativePath;
    bool nameIsUtf8 = true;
};

// The user's documents folder; $HOME/Documents when the desktop names none.
QString documentsDirectory();

// Creates the folder and its missing parents. An existing folder is success; a file where a
// folder should be is a failure, and the file is left alone.
bool makeFolder(const QString &path, QString *error);

// The direct entries of the folder whose names are wanted, hidden ones included, in the order
// the system lists them, each with its modification time. Empty when the folder cannot be listed.
QList<Entry> listFolder(const QString &path, const std::function<bool(const QString &)> &wanted);

// The content modification time, following a link; invalid when unknown.
QDateTime modificationTime(const QString &path);

// The folder's modification time in nanoseconds, which changes whenever an entry is added,
// removed or renamed in it, unless that happens within the same tick of the system's coarse
// clock as the last change; nullopt when it cannot be read.
std::optional<qint64> modificationStamp(const QString &folder);

// An order-free fingerprint of the names of the folder's wanted entries: the same set of names
// gives the same value. Only the names are read, not each entry. nullopt when the folder cannot
// be listed.
std::optional<size_t> nameSetDigest(const QString &path,
                                    const std::function<bool(const QString &)> &wanted);
// The same fingerprint of entries already listed.
size_t nameSetDigest(const QList<Entry> &entries);

// What the path names, as the file system identifies it (device and inode, following a link):
// the same while an entry is renamed, another once it is replaced. nullopt when nothing is there.
std::optional<std::pair<quint64, quint64>> identity(const QString &path);

// What stat() tells of a file that changes whenever its content does: which file it is, its
// size and its dates in nanoseconds. Another program's write gives another stamp, unless it
// writes in place, as many bytes, within the same tick of the system's coarse clock.
struct FileStamp
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modified = 0;
    qint64 changed = 0;
    bool operator==(const FileStamp &) const = default;
};

// The stamp of the file at the path, following a link; nullopt when nothing is there.
std::optional<FileStamp> fileStamp(const QString &path);

// True when anything is at the path: a file, a directory, or a symbolic link, even a dangling one.
bool entryExists(const QString &path);

enum class ReadStatus { Ok, Missing, Unreadable };

struct ReadResult
{
    ReadStatus status;
    // The content, decoded from UTF-8 byte for byte (a leading byte-order mark is kept as
    // U+FEFF). For an Unreadable file that is not valid UTF-8: the content with replacement
    // characters; otherwise empty.
    QString text;
    QString error; // the system's reason when status is Unreadable
    size_t digest = 0; // of the bytes read, to tell later whether the file changed
};

// Reads the whole file as UTF-8. Missing when nothing is at the path; Unreadable when it is
// not a readable regular file or not valid UTF-8. Never blocks on a named pipe or a device:
// anything but a regular file is Unreadable without being opened for reading.
ReadResult readText(const QString &path);
// As readText, for a path given as the system spells it.
ReadResult readTextAt(const QByteArray &nativePath);

// A fingerprint of a file's content: equal contents give equal digests, and a change gives
// another one but for a chance too small to matter.
size_t digest(QByteArrayView bytes);

struct FileRead
{
    ReadStatus status;
    QByteArray bytes;
    QString error; // the system's reason when status is Unreadable
};

// The whole content as it is, with the same statuses as readText but for the UTF-8 check.
FileRead readFile(const QString &path);
// As readFile, but the content goes to take() a piece at a time as it is read, with the file's
// size when it was opened, so that a long file is never held whole; the bytes read stay empty.
// Pieces may have been taken when the status is not Ok.
using PieceTaker = std::function<void(QByteArrayView piece, qsizetype fileSize)>;
FileRead readFileInPieces(const QString &path, const PieceTaker &take);

// Replaces the file with the bytes, durably and whole: they go to a temporary file in the same
// folder, which is synced, renamed over the file (a link is followed to its target), and then the
// folder is synced. A reader sees either the old or the new content, never a part. On failure
// (a short write on a full disk included) the old file is untouched, no temporary file is left
// and false is returned with the system's reason.
bool writeBytes(const QString &path, const QByteArray &bytes, QString *error);

// As writeBytes, with no moment in which another program's version could be written over unseen
// (a synchroniser may deliver one at any instant): the temporary file trades places with the file
// in one atomic step. What the file held at that instant is removed when its digest equals
// `expected`, the digest of what the caller last saw there (nullopt: it saw nothing there).
// Otherwise it stays in the hidden file named in *displaced, for the caller to keep; *displaced
// is empty when nothing was displaced.
bool writeBytesKeepingOther(const QString &path, const QByteArray &bytes,
                            std::optional<size_t> expected, QString *displaced, QString *error);

// As writeBytes, for text as UTF-8.
bool writeText(const QString &path, const QString &text, QString *error);

// Moves the entry to another name in the same folder, never replacing what is there.
bool move(const QString &from, const QString &to, QString *error);
// As move, for a source given as the system spells it.
bool moveFrom(const QByteArray &nativeFrom, const QString &to, QString *error);

// Moves the entry to the user's freedesktop trash, with its .trashinfo. Never deletes: on any
// failure the entry stays where it was and false is returned with the reason.
bool moveToTrash(const QString &path, QString *error);

// The longest prefix of the name whose UTF-8 form fits the byte budget, cut between
// user-perceived characters.
QString truncatedToBytes(const QString &name, qsizetype maxBytes);

// The most bytes a file name may have on the file systems we write to.
constexpr qsizetype maxFileNameBytes = 255;

} // namespace fileservices
