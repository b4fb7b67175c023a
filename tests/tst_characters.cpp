#include "markdown/characters.h"

#include <QRandomGenerator>
#include <QTest>

#include <unicode/ubrk.h>

using markdown::Characters;

namespace {

// Boundaries as ICU gives them, walking the whole text.
QList<qsizetype> icuBoundaries(const QString &text)
{
    UErrorCode status = U_ZERO_ERROR;
    UBreakIterator *breaks =
        ubrk_open(UBRK_CHARACTER, "", reinterpret_cast<const UChar *>(text.utf16()),
                  static_cast<int32_t>(text.size()), &status);
    QList<qsizetype> boundaries;
    for (int32_t at = ubrk_next(breaks); at != UBRK_DONE; at = ubrk_next(breaks))
        boundaries.append(at);
    ubrk_close(breaks);
    return boundaries;
}

QList<qsizetype> ourBoundaries(const QString &text)
{
    const Characters characters(text);
    QList<qsizetype> boundaries;
    for (qsizetype at = 0; at < text.size();) {
        at = characters.next(at, text.size());
        boundaries.append(at);
    }
    return boundaries;
}

} // namespace

class TestCharacters : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The ASCII shortcut must find exactly the boundaries of the full rules.
    void boundariesMatchIcu()
    {
        const QStringList pieces {"a",          "#",          " ",      "\r",     "\n",
                                  "\r\n",       "\t",         "\u0301", "\u200d", "\u00a0",
                                  "\u0903",     "\u0600",     "\u1100", "\u1161", "\U0001F1E9",
                                  "\U0001F469", "\U0001F3FD", "\u4e09", "\ufe0f", "\u1fef"};
        QRandomGenerator random(7);
        for (int round = 0; round < 3000; ++round) {
            QString text;
            for (int i = 0, n = 1 + random.bounded(12); i < n; ++i)
                text += pieces[random.bounded(pieces.size())];
            QCOMPARE(ourBoundaries(text), icuBoundaries(text));
        }
    }

    void equivalence_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("ascii");
        QTest::addColumn<bool>("equal");
        QTest::newRow("same") << "`"
                              << "`" << true;
        QTest::newRow("Greek varia is a grave accent") << "\u1fef"
                                                       << "`" << true;
        QTest::newRow("with combining mark") << "`\u0301"
                                             << "`" << false;
        QTest::newRow("with joiner") << "#\u200d"
                                     << "#" << false;
        QTest::newRow("Kelvin sign is K") << "\u212a"
                                          << "K" << true;
        QTest::newRow("fullwidth is another character") << "\uff03"
                                                        << "#" << false;
    }

    void equivalence()
    {
        QFETCH(QString, text);
        QFETCH(QString, ascii);
        QFETCH(bool, equal);
        QCOMPARE(Characters(text).is(0, text.size(), ascii.at(0).unicode()), equal);
    }
};

QTEST_GUILESS_MAIN(TestCharacters)
#include "tst_characters.moc"
