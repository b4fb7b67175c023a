#include "text/textbuffer.h"

#include <QTest>

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
        QCOMPARE(buffer.toString(), text);
    }
};

QTEST_GUILESS_MAIN(TestTextBuffer)
#include "tst_textbuffer.moc"
