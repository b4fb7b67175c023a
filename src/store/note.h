#pragma once

#include <QDateTime>
#include <QHashFunctions>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// One note: a ".md" file (any letter case) directly in the notes folder.
struct Note
{
    QString name; // file name without its last extension; the note's identity
    QUrl url; // file URL, as the listing returned it
    QDateTime modified; // content modification date; invalid (earlier than every date) when unknown

    QString id() const { return name; }
};

// Names that differ only in Unicode normalisation are the same name.
bool sameNoteName(const QString &a, const QString &b);

// The position of the note of that name: the exact spelling first, else the first canonically
// equivalent one, so that two files whose names differ only in normalisation are each found.
// -1 when none.
qsizetype indexOfNote(const QList<Note> &notes, const QString &name);

// Equal when all three fields are, the names under canonical equivalence.
bool operator==(const Note &a, const Note &b);
size_t qHash(const Note &note, size_t seed = 0);

// The note name a folder entry stands for, or nullopt when the entry is not a note. A name that
// is only an extension, such as ".md", is a hidden file without one, so it is no note.
std::optional<QString> noteNameForFileName(const QString &fileName);

// The file name a note of this name is stored under.
QString fileNameForNoteName(const QString &name);
