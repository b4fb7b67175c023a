#include "platform/fileservices.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

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

QList<Entry> listFolder(const QString &path)
{
    QList<Entry> entries;
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QString entryPath = it.next();
        entries.append({entryPath, it.fileName()});
    }
    return entries;
}

QDateTime modificationTime(const QString &path)
{
    return QFileInfo(path).lastModified();
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
    return {ReadStatus::Ok, text, {}};
}

bool writeText(const QString &path, const QString &text, QString *error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(text.toUtf8());
        if (file.commit())
            return true;
    }
    *error = file.errorString();
    return false;
}

} // namespace fileservices
