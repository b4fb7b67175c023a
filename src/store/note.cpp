#include "store/note.h"

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
