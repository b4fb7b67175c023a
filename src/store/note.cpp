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

std::optional<QString> noteNameForFileName(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    if (dot <= 0 || fileName.sliced(dot + 1).compare(u"md", Qt::CaseInsensitive) != 0)
        return std::nullopt;
    return fileName.first(dot);
}

QString fileNameForNoteName(const QString &name)
{
    return name + QStringLiteral(".md");
}
