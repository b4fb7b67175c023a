#include "markdown/incrementalparser.h"

#include <QRandomGenerator>
#include <QTest>

using namespace markdown;

namespace {

const QStringList pieces {
    "\n",        "\n\n",    " ",   "  ",     "\t",     "\r",       "\r\n", "#",        "# ",
    "## ",       "#######", ">",   "> ",     "- ",     "* ",       "+ ",   "-",        "---",
    "***",       "___",     "1. ", "12. ",   "1.",     "\u0663. ", "```",  "```cpp\n", "word",
    "two words", "**b**",   "`c`", "\u00a0", "\u0301", "日本語",   ".",    "_",        "`",
};

QString randomText(QRandomGenerator &random, int pieceCount)
{
    QString text;
    for (int i = 0; i < pieceCount; ++i)
        text += pieces[random.bounded(pieces.size())];
    return text;
}

struct Edit
{
    qsizetype at;
    qsizetype removed;
    QString inserted;
};

Edit randomEdit(QRandomGenerator &random, const QString &text)
{
    const qsizetype at = random.bounded(text.size() + 1);
    const qsizetype removed =
        random.bounded(3) == 0 ? random.bounded(std::min<qsizetype>(text.size() - at, 12) + 1) : 0;
    const QString inserted =
        random.bounded(4) == 0 ? QString() : randomText(random, 1 + random.bounded(3));
    return {at, removed, inserted};
}

} // namespace

class TestIncrementalParser : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void randomEditsMatchAFullParse_data()
    {
        QTest::addColumn<bool>("toldTheEdit");
        QTest::newRow("texts compared") << false;
        QTest::newRow("edit told") << true;
    }

    // Whatever the edit, the reported change, with the blocks parsed again from their lines,
    // turns the old list into a full parse of the new text; also when the parser is told where
    // the edit is instead of finding it.
    void randomEditsMatchAFullParse()
    {
        QFETCH(bool, toldTheEdit);
        QRandomGenerator random(1234);
        for (int note = 0; note < 800; ++note) {
            IncrementalParser parser;
            QString text = randomText(random, random.bounded(80));
            parser.update(text);
            QList<Block> blocks = parse(text);
            for (int step = 0; step < 50; ++step) {
                const Edit edit = randomEdit(random, text);
                text.replace(edit.at, edit.removed, edit.inserted);
                const IncrementalParser::Change change = toldTheEdit
                    ? parser.update(text, edit.at, edit.removed, edit.inserted.size())
                    : parser.update(text);
                blocks.remove(change.first, change.removed);
                for (qsizetype i = 0; i < change.inserted; ++i)
                    blocks.insert(change.first + i, parser.block(change.first + i));
                const QList<Block> expected = parse(text);
                if (blocks != expected)
                    QFAIL(qPrintable(
                        QStringLiteral("note %1, edit %2: blocks differ for %3")
                            .arg(note)
                            .arg(step)
                            .arg(QString::fromLatin1(text.toUtf8().toPercentEncoding()))));
                QCOMPARE(parser.blockCount(), expected.size());
            }
        }
    }

    void changeCoversOnlyWhatChanged_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<qsizetype>("first");
        QTest::addColumn<qsizetype>("removed");
        QTest::addColumn<qsizetype>("inserted");

        const QString note = "# Title\n\nfirst para\n\n- item\n\n```\ncode\n```\nlast";
        QTest::newRow("nothing") << note << note << 0ll << 0ll << 0ll;
        QTest::newRow("type in a paragraph")
            << note << QString(note).replace("first", "firstx") << 1ll << 1ll << 1ll;
        QTest::newRow("type in code")
            << note << QString(note).replace("code", "cod") << 3ll << 1ll << 1ll;
        QTest::newRow("new block")
            << note << QString(note).replace("- item", "- item\n- two") << 3ll << 0ll << 1ll;
        QTest::newRow("heading joins the paragraph above") << "a\n# b\nc"
                                                           << "a\n#b\nc" << 0ll << 3ll << 1ll;
        QTest::newRow("fence opened")
            << note << QString(note).replace("first", "```\nfirst") << 1ll << 4ll << 3ll;
        QTest::newRow("text before the first block") << "\n\n# a"
                                                     << "x\n\n# a" << 0ll << 0ll << 1ll;
    }

    void changeCoversOnlyWhatChanged()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(qsizetype, first);
        QFETCH(qsizetype, removed);
        QFETCH(qsizetype, inserted);
        IncrementalParser parser;
        parser.update(before);
        const IncrementalParser::Change change = parser.update(after);
        QCOMPARE(change.first, first);
        QCOMPARE(change.removed, removed);
        QCOMPARE(change.inserted, inserted);
        QCOMPARE(parser.blockCount(), parse(after).size());
    }
};

QTEST_GUILESS_MAIN(TestIncrementalParser)
#include "tst_incrementalparser.moc"
