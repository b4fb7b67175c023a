#include "store/note.h"

#include <algorithm>

namespace {

QString canonical(const QString &name)
{
    return name.normalized(QString::NormalizationForm_C);
}

} // namespace

bool sameNoteName(const QString &a, const QString &b)
{
    return a == b || canonical(a) == canonical(b);
}

qsizetype indexOfNote(const QList<Note> &notes, const QString &name)
{
    const auto exact = [&name](const Note &note) {
        return note.name == name;
    };
    auto it = std::find_if(notes.cbegin(), notes.cend(), exact);
    if (it == notes.cend()) {
        const QString wanted = canonical(name);
        it = std::find_if(notes.cbegin(), notes.cend(),
                          [&wanted](const Note &note) { return canonical(note.name) == wanted; });
    }
    return it == notes.cend() ? -1 : it - notes.cbegin();
}

bool operator==(const Note &a, const Note &b)
{
    return sameNoteName(a.name, b.name) && a.url == b.url && a.modified == b.modified;
}

size_t qHash(const Note &note, size_t seed)
{
    return qHashMulti(seed, canonical(note.name), note.url, note.modified);
}

// The last dot of a note's file name is the one before "md", so a test of the suffix is enough.
std::optional<QString> noteNameForFileName(const QString &fileName)
{
    if (fileName.size() <= 3 || !fileName.endsWith(u".md", Qt::CaseInsensitive))
        return std::nullopt;
    return fileName.chopped(3);
}

QString fileNameForNoteName(const QString &name)
{
    return name + QStringLiteral(".md");
}
