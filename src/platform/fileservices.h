#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// The few file-system operations the note store needs, each reporting failure the same way:
// a false result and the system's reason in *error, so the store can tell the user what went
// wrong without looking at error kinds.
namespace fileservices {

struct Entry
{
    QString path;
    QString fileName;
    QDateTime modified; // content modification time, following a link; invalid when unknown
};

// The user's documents folder; $HOME/Documents when the desktop names none.
QString documentsDirectory();

// Creates the folder and its missing parents. An existing folder is success.
bool makeFolder(const QString &path, QString *error);

// The direct entries of the folder whose names are wanted, hidden ones included, in the order
// the system lists them, each with its modification time. Empty when the folder cannot be listed.
QList<Entry> listFolder(const QString &path, const std::function<bool(const QString &)> &wanted);

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
// not a readable regular file or not valid UTF-8.
ReadResult readText(const QString &path);

// A fingerprint of a file's content: equal contents give equal digests, and a change gives
// another one but for a chance too small to matter.
size_t digest(QByteArrayView bytes);

// The whole content, or nullopt when no readable file is at the path.
std::optional<QByteArray> readBytes(const QString &path);

// As writeText, for bytes as they are.
bool writeBytes(const QString &path, const QByteArray &bytes, QString *error);

// Replaces the file with the text as UTF-8 through a temporary file in the same folder, so a
// reader sees either the old or the new content, never a part. On failure the old file is
// untouched and false is returned with the system's reason.
bool writeText(const QString &path, const QString &text, QString *error);

// Moves the entry to another name in the same folder, never replacing what is there.
bool move(const QString &from, const QString &to, QString *error);

// Moves the entry to the user's freedesktop trash, with its .trashinfo. Never deletes: on any
// failure the entry stays where it was and false is returned with the reason.
bool moveToTrash(const QString &path, QString *error);

} // namespace fileservices
