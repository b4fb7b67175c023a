#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "store/notestore.h"

// A temporary home for one test: HOME, the XDG folders and the documents folder all point into
// it, so nothing a test does reaches the user's real notes or trash.
class Sandbox
{
public:
    Sandbox()
    {
        qputenv("HOME", m_dir.path().toUtf8());
        qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/data")).toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/config")).toUtf8());
    }

    QString documents() const { return m_dir.path() + QStringLiteral("/Documents"); }
    QString notesFolder() const { return documents() + QStringLiteral("/Penwick"); }
    QString notePath(const QString &fileName) const { return notesFolder() + u'/' + fileName; }

    void writeNote(const QString &fileName, const QByteArray &bytes,
                   const QDateTime &modified = QDateTime()) const
    {
        QDir().mkpath(notesFolder());
        QFile file(notePath(fileName));
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(file.errorString()));
        file.write(bytes);
        file.flush(); // or closing would write the data after the date was set
        if (modified.isValid())
            QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
    }

    QByteArray readNote(const QString &fileName) const
    {
        QFile file(notePath(fileName));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QStringList folderEntries() const
    {
        return QDir(notesFolder())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                       QDir::Name);
    }

private:
    QTemporaryDir m_dir;
};

// Puts a plain file where a folder is expected: nothing can be written below it.
inline void putFileAt(const QString &path)
{
    QFile blocker(path);
    QVERIFY2(blocker.open(QIODevice::WriteOnly), qPrintable(blocker.errorString()));
}

// The store's note names, in its order.
inline QStringList namesOf(const NoteStore &store)
{
    QStringList names;
    for (const Note &note : store.notes())
        names.append(note.name);
    return names;
}

// A fixed point in time, so that dates in a test are in a known order.
inline QDateTime minutesAgo(int minutes)
{
    return QDateTime::currentDateTime().addSecs(-60 * minutes);
}
