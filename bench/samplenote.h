#pragma once

#include <QList>
#include <QRandomGenerator>
#include <QString>

#include <algorithm>

// A note of the given number of lines with every kind of block, inline markup and some text
// outside ASCII, the same for every run.
inline QString sampleNote(int lines)
{
    static const char16_t *const paragraphs[] = {
        u"Some **bold** and *emphasised* text with `code` and a [link](https://example.org).",
        u"Plain words that run on for a while, as notes tend to, about nothing in particular.",
        u"Ein Absatz auf Deutsch mit Umlauten: Größe, Übung, Ärger und ein ~~Fehler~~.",
        u"日本語の文章もあります。漢字とかなが混ざっています。",
        u"Русский текст тоже встречается в заметках.",
    };
    QRandomGenerator random(42);
    QString note;
    note.reserve(lines * 48);
    int written = 0;
    auto line = [&](const QString &text) {
        note += text;
        note += u'\n';
        ++written;
    };
    while (written < lines) {
        switch (random.bounded(8)) {
        case 0:
            line(QStringLiteral("## Section %1").arg(written));
            break;
        case 1:
        case 2:
            for (int i = 0, n = 1 + random.bounded(4); i < n; ++i)
                line(QString::fromUtf16(paragraphs[random.bounded(5)]));
            line(QString());
            break;
        case 3:
            for (int i = 0, n = 1 + random.bounded(5); i < n; ++i)
                line(QString(i % 3 * 2, u' ') + QStringLiteral("- item %1 with *style*").arg(i));
            break;
        case 4:
            for (int i = 1, n = 1 + random.bounded(4); i <= n; ++i)
                line(QStringLiteral("%1. numbered item").arg(i));
            break;
        case 5:
            line(QStringLiteral("> a quoted line, **with** emphasis"));
            break;
        case 6:
            line(QStringLiteral("```cpp"));
            for (int i = 0, n = 2 + random.bounded(6); i < n; ++i)
                line(QStringLiteral("    int value%1 = compute(%1); // comment").arg(i));
            line(QStringLiteral("```"));
            break;
        default:
            line(QStringLiteral("---"));
            break;
        }
    }
    return note;
}

// The same kinds of blocks with every line filled out to 79 characters, as a note written in an
// editor that wraps at 80 columns: 100,000 lines make 7.9 MB.
inline QString fullLineNote(int lines)
{
    static const QString filler = QStringLiteral(" and some more words to fill the line out");
    const QString sample = sampleNote(lines);
    QString note;
    note.reserve(qsizetype(lines) * 80);
    for (QStringView line : QStringView(sample).split(u'\n')) {
        if (!note.isEmpty())
            note += u'\n';
        note += line;
        if (line.isEmpty() || line.startsWith(u"```") || line == u"---")
            continue;
        for (qsizetype length = line.size(); length < 79; length += filler.size())
            note += QStringView(filler).first(std::min(filler.size(), 79 - length));
    }
    return note;
}
