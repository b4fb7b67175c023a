#include "platform/fileservices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

#include <dirent.h>
#include <sys/stat.h>

namespace fileservices {

QString documentsDirectory()
{
    const QString location = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return location.isEmpty() ? QDir::homePath() + QStringLiteral("/Documents") : location;
}

bool makeFolder(const QString &path, QString *error)
{
    if (QDir().mkpath(path))
        return true;
    *error = QFileInfo(path).exists() ? QObject::tr("Not a folder")
                                      : QObject::tr("The folder could not be created");
    return false;
}

// One pass of readdir, and a stat relative to the open folder for the wanted names only: a
// folder of ten thousand notes is listed without walking ten thousand paths.
QList<Entry> listFolder(const QString &path, const std::function<bool(const QString &)> &wanted)
{
    QList<Entry> entries;
    DIR *folder = ::opendir(QFile::encodeName(path).constData());
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
            modified = QDateTime::fromMSecsSinceEpoch(
                qint64(status.st_mtim.tv_sec) * 1000 + status.st_mtim.tv_nsec / 1000000, Qt::UTC);
        entries.append({path + u'/' + fileName, fileName, modified});
    }
    ::closedir(folder);
    return entries;
}

bool entryExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

ReadResult readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (!entryExists(path))
            return {ReadStatus::Missing, {}, {}};
        return {ReadStatus::Unreadable, {}, file.errorString()};
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {ReadStatus::Unreadable, {}, file.errorString()};

    // QString::fromUtf8 would drop a leading byte-order mark, and saving would then lose it.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return {ReadStatus::Unreadable, text, QObject::tr("The file is not valid UTF-8 text")};
    return {ReadStatus::Ok, text, {}, digest(bytes)};
}

size_t digest(QByteArrayView bytes)
{
    return qHash(bytes) ^ size_t(bytes.size());
}

std::optional<QByteArray> readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

bool writeBytes(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(bytes);
        if (file.commit())
            return true;
    }
    *error = file.errorString();
    return false;
}

bool writeText(const QString &path, const QString &text, QString *error)
{
    return writeBytes(path, text.toUtf8(), error);
}

bool move(const QString &from, const QString &to, QString *error)
{
    QFile file(from);
    if (file.rename(to))
        return true;
    *error = file.errorString();
    return false;
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
        *error = file.errorString();
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

} // namespace fileservices
