#include "text/textbuffer.h"

#include <QTest>

#include <optional>

class TestTextBuffer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void utf8IsTheWholeTextsUtf8_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("position");
        QTest::addColumn<qsizetype>("removed");
        QTest::addColumn<QString>("inserted");
        const QString face = QStringLiteral("\U0001F600");
        const QChar high = face[0];
        const QChar low = face[1];
        QTest::newRow("never edited") << "Café 日本語" << qsizetype(-1) << qsizetype(0) << "";
        QTest::newRow("gap in the middle") << "Café 日本語" << qsizetype(3) << qsizetype(1) << "e";
        QTest::newRow("gap splitting a pair")
            << "a" + face + "b" << qsizetype(1) << qsizetype(1) << QString(high);
        QTest::newRow("pair split at the start")
            << face + "b" << qsizetype(0) << qsizetype(1) << QString(high);
        QTest::newRow("lone high surrogate before the gap")
            << "a" + QString(high) + "b" << qsizetype(1) << qsizetype(1) << QString(high);
        QTest::newRow("two high surrogates, then a low one")
            << "a" + QString(high) + face << qsizetype(2) << qsizetype(1) << QString(high);
        QTest::newRow("lone low surrogate after the gap")
            << "a" + QString(low) + "b" << qsizetype(1) << qsizetype(0) << "";
        QTest::newRow("high surrogate ending the text")
            << "ab" + QString(high) << qsizetype(3) << qsizetype(0) << "";
        QTest::newRow("everything removed") << face << qsizetype(0) << qsizetype(2) << "";
        // Long texts are encoded a piece at a time.
        for (const qsizetype before : {16 * 1024 - 1, 32 * 1024 - 1})
            QTest::newRow(qPrintable(QStringLiteral("pair after %1 letters").arg(before)))
                << QString(before, QLatin1Char('a')) + face + "b" << qsizetype(-1) << qsizetype(0)
                << "";
    }

    // Encoded from both sides of the gap, the text comes out as the whole text put together
    // would: a pair of surrogates is one character wherever the gap is, and a lone surrogate
    // a replacement character.
    void utf8IsTheWholeTextsUtf8()
    {
        QFETCH(QString, text);
        QFETCH(qsizetype, position);
        QFETCH(qsizetype, removed);
        QFETCH(QString, inserted);
        TextBuffer buffer(text);
        if (position >= 0) {
            // A character typed and taken back leaves the text as it was, with room in a gap.
            QVERIFY(buffer.replace(0, 0, QStringLiteral("x")));
            QVERIFY(buffer.replace(0, 1, QString()));
            QVERIFY(buffer.replace(position, removed, inserted));
            text.replace(position, removed, inserted);
        }
        QCOMPARE(buffer.toUtf8(), text.toUtf8());
        QCOMPARE(buffer.toUtf8String(), text.toUtf8().toStdString());
        QCOMPARE(buffer.toString(), text);
    }

    void growingKeepsTheText_data()
    {
        QTest::addColumn<bool>("shared");
        QTest::newRow("text held by nobody else") << false;
        QTest::newRow("text still held by its giver") << true;
    }

    // Edits longer than the gap make room again, in place or in a copy, with the gap anywhere;
    // a giver holding the text still sees it unchanged.
    void growingKeepsTheText()
    {
        QFETCH(bool, shared);
        const QString original = QStringLiteral("0123456789\n").repeated(500);
        QString expected = original;
        std::optional<TextBuffer> buffer;
        if (shared)
            buffer.emplace(original);
        else
            buffer.emplace(QString(original.data(), original.size()));
        const QString typed = QStringLiteral("typed ").repeated(400);
        for (const qsizetype position : {qsizetype(2500), qsizetype(0), expected.size() + 2400,
                                         qsizetype(1234), qsizetype(7000)}) {
            QVERIFY(buffer->replace(position, 3, typed));
            expected.replace(position, 3, typed);
            QCOMPARE(buffer->view(position - 2 < 0 ? 0 : position - 2, 10),
                     QStringView(expected).sliced(position - 2 < 0 ? 0 : position - 2, 10));
        }
        QCOMPARE(buffer->toString(), expected);
        QCOMPARE(original, QStringLiteral("0123456789\n").repeated(500));
    }
};

QTEST_GUILESS_MAIN(TestTextBuffer)
#include "tst_textbuffer.moc"
