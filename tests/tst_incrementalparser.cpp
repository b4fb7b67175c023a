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
    // the edit is, made in place in the text it reads, instead of finding it.
    void randomEditsMatchAFullParse()
    {
        QFETCH(bool, toldTheEdit);
        QRandomGenerator random(1234);
        for (int note = 0; note < 800; ++note) {
            IncrementalParser parser;
            QString text = randomText(random, random.bounded(80));
            const auto buffer = std::make_shared<TextBuffer>(text);
            toldTheEdit ? parser.update(buffer, buffer->size()) : parser.update(text);
            QList<Block> blocks = parse(text);
            for (int step = 0; step < 50; ++step) {
                const Edit edit = randomEdit(random, text);
                text.replace(edit.at, edit.removed, edit.inserted);
                QVERIFY(buffer->replace(edit.at, edit.removed, edit.inserted));
                QCOMPARE(buffer->toString(), text);
                const IncrementalParser::Change change = toldTheEdit
                    ? parser.update(buffer, buffer->size(),
                                    {edit.at, edit.removed, edit.inserted.size()})
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

    void editsInPlaceMatchAFullParse_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<qsizetype>("at");
        QTest::addColumn<qsizetype>("removed");
        QTest::addColumn<QString>("inserted");

        const QString note = "# Title\n\nfirst para\nmore\n\n- item\n\n```\ncode\n```\nlast";
        QTest::newRow("insert at the start") << note << 0ll << 0ll << "x";
        QTest::newRow("insert in the middle") << note << 14ll << 0ll << "y";
        QTest::newRow("insert at the end") << note << note.size() << 0ll << "\n\n> end";
        QTest::newRow("delete at the start") << note << 0ll << 2ll << "";
        QTest::newRow("delete across line ends") << note << 10ll << 12ll << "";
        QTest::newRow("replace at the end") << note << note.size() - 4 << 4ll << "LAST";
        QTest::newRow("split a paragraph") << note << 20ll << 0ll << "\n\n";
        QTest::newRow("merge a paragraph and a list") << note << 25ll << 2ll << "";
        QTest::newRow("CR LF line ends") << "a\r\n\r\n# b\r\nc" << 3ll << 2ll << "\r\n- ";
        QTest::newRow("surrogate pair") << "a\U0001F600b\n\nc" << 1ll << 2ll << "\U0001F642";
        QString far = "```\n";
        for (int i = 0; i < 200; ++i)
            far += QStringLiteral("para %1\n\n# heading %1\n").arg(i);
        QTest::newRow("a fence closed far above") << far << 0ll << 4ll << "";
        QTest::newRow("a fence opened far above") << far.sliced(4) << 0ll << 0ll << "```\n";
    }

    // The text the parser reads is edited where it is: blocks that stand after the edit move
    // with it, and the blocks come out as a full parse of the new text has them.
    void editsInPlaceMatchAFullParse()
    {
        QFETCH(QString, before);
        QFETCH(qsizetype, at);
        QFETCH(qsizetype, removed);
        QFETCH(QString, inserted);
        const auto buffer = std::make_shared<TextBuffer>(before);
        IncrementalParser parser;
        parser.update(buffer, buffer->size());
        // A line feed put before it all first, so that the edit meets blocks whose move by that
        // line feed is still pending.
        QVERIFY(buffer->replace(0, 0, u"\n"));
        parser.update(buffer, buffer->size(), {0, 0, 1});
        QList<Block> blocks = parse(buffer->toString());
        QVERIFY(buffer->replace(at + 1, removed, inserted));
        const IncrementalParser::Change change =
            parser.update(buffer, buffer->size(), {at + 1, removed, inserted.size()});
        blocks.remove(change.first, change.removed);
        for (qsizetype i = 0; i < change.inserted; ++i)
            blocks.insert(change.first + i, parser.block(change.first + i));
        const QString after = QString(u'\n' + before).replace(at + 1, removed, inserted);
        QCOMPARE(buffer->toString(), after);
        QCOMPARE(blocks, parse(after));
        QCOMPARE(parser.blockCount(), blocks.size());
        for (qsizetype i = 0; i < parser.blockCount(); ++i)
            QCOMPARE(parser.block(i), blocks[i]);
    }
};

QTEST_GUILESS_MAIN(TestIncrementalParser)
#include "tst_incrementalparser.moc"
