#include "sandbox.h"
#include "search/folding.h"
#include "search/notesearch.h"
#include "search/searchquery.h"
#include "store/notestore.h"
#include "text/utf8length.h"

#include <QSignalSpy>
#include <QStringDecoder>
#include <QTest>

#include <sys/stat.h>

#include <cstdio>

using search::SearchQuery;
using search::TextRange;

namespace {

constexpr int waitMs = 3000;

using Ranges = QList<TextRange>;

// The notes, oldest first, so that the sidebar lists them in the opposite order.
void writeNotes(const Sandbox &sandbox, const QList<std::pair<QString, QByteArray>> &notes)
{
    for (qsizetype i = 0; i < notes.size(); ++i)
        sandbox.writeNote(notes[i].first + ".md", notes[i].second,
                          minutesAgo(int(notes.size() - i)));
}

void replaceByRename(const QString &path, const QByteArray &bytes)
{
    const QString temporary = path + ".tmp~";
    QFile file(temporary);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    QVERIFY(
        std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData())
        == 0);
}

} // namespace

Q_DECLARE_METATYPE(Ranges)

class TestNoteSearch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void findsInText_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Ranges>("expected");
        QTest::newRow("case") << "HeLLo"
                              << "say hello" << Ranges {{4, 5}};
        QTest::newRow("sharp s by ss") << "strasse"
                                       << "Straße" << Ranges {{0, 6}};
        QTest::newRow("ss by sharp s") << "STRASSE"
                                       << "strasse" << Ranges {{0, 7}};
        QTest::newRow("capital sharp s") << "straße"
                                         << "STRAẞE" << Ranges {{0, 6}};
        QTest::newRow("part of a sharp s") << "as"
                                           << "aß" << Ranges {{0, 2}};
        QTest::newRow("accent ignored") << "cafe"
                                        << "Café au lait" << Ranges {{0, 4}};
        QTest::newRow("accent in query") << "CAFÉ"
                                         << "un cafe" << Ranges {{3, 4}};
        QTest::newRow("decomposed text, mark kept in range") << "café"
                                                             << "Cafe\u0301!" << Ranges {{0, 5}};
        QTest::newRow("decomposed query") << "cafe\u0301"
                                          << "café" << Ranges {{0, 4}};
        QTest::newRow("Greek final sigma") << "ΟΔΟΣ"
                                           << "η οδός" << Ranges {{2, 4}};
        QTest::newRow("Cyrillic") << "ПРИВЕТ"
                                  << "Привет, мир" << Ranges {{0, 6}};
        QTest::newRow("kana voicing mark") << "か"
                                           << "がっこう" << Ranges {{0, 1}};
        QTest::newRow("Hangul composed and jamo") << "한"
                                                  << "\u1112\u1161\u11AB국" << Ranges {{0, 3}};
        QTest::newRow("outside the BMP") << "𝐀"
                                         << "x𝐀y" << Ranges {{1, 2}};
        QTest::newRow("every occurrence") << "ab"
                                          << "ab AB aB" << Ranges {{0, 2}, {3, 2}, {6, 2}};
        QTest::newRow("two words, overlapping joined") << "abc cd"
                                                       << "xabcdx cd" << Ranges {{1, 4}, {7, 2}};
        QTest::newRow("phrase") << "\"red fox\""
                                << "a red  fox, a red fox" << Ranges {{14, 7}};
        QTest::newRow("unclosed phrase") << "\"red fox"
                                         << "red fox" << Ranges {{0, 7}};
        QTest::newRow("dot is literal") << "a.c"
                                        << "abc a.c" << Ranges {{4, 3}};
        QTest::newRow("star is literal") << "a*"
                                         << "aa a*" << Ranges {{3, 2}};
        QTest::newRow("backslash is literal") << "\\d"
                                              << "5 \\d" << Ranges {{2, 2}};
        QTest::newRow("brackets are literal") << "[x]"
                                              << "x [x]" << Ranges {{2, 3}};
        const QString x40(40, 'x');
        QTest::newRow("at the end of a long text") << "ab" << x40 + "ab" << Ranges {{40, 2}};
        QTest::newRow("in the last places of a long text")
            << "cab"
            << "cab" + x40.first(15) + "cab" + x40.first(2) << Ranges {{0, 3}, {18, 3}};
        QTest::newRow("missing") << "cafx"
                                 << "café" << Ranges {};
        QTest::newRow("blank") << "  "
                               << "anything" << Ranges {};
    }

    void findsInText()
    {
        QFETCH(QString, query);
        QFETCH(QString, text);
        QFETCH(Ranges, expected);
        QCOMPARE(SearchQuery(query).findIn(text), expected);
    }

    // Notes are folded from their files' bytes; the result must be the folding of their text.
    void foldsUtf8AsText_data()
    {
        QTest::addColumn<QByteArray>("utf8");
        QTest::addColumn<bool>("valid");
        QTest::newRow("ASCII longer than a word")
            << QByteArray("Hello, World! ABCDEFGHIJ xyz") << true;
        QTest::newRow("accents, sharp s, decomposed") << QByteArray("Caf\xC3\xA9 STRA\xC3\x9F"
                                                                    "E cafe\xCC\x81")
                                                      << true;
        QTest::newRow("scripts between ASCII runs")
            << QByteArray("abcdefghij\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0 ABCDEFGH "
                          "\xE6\x9D\xB1\xE4\xBA\xAC\xCE\x91\xCE\xA3")
            << true;
        QTest::newRow("outside the BMP")
            << QByteArray("x\xF0\x9D\x90\x80y\xF0\x9F\x98\x80") << true;
        QTest::newRow("byte-order mark, CR LF") << QByteArray("\xEF\xBB\xBFOne\r\nTwo\r") << true;
        // U+0149 folds to three bytes, the ligature U+FB13 to four: more than they take.
        QTest::newRow("folding longer, first")
            << QByteArray("\xC5\x89 and \xEF\xAC\x93 Ab") << true;
        QTest::newRow("folding longer, last") << QByteArray("Words first \xEF\xAC\x93") << true;
        QTest::newRow("invalid byte") << QByteArray("words \xFF\xFE") << false;
        QTest::newRow("overlong") << QByteArray("a\xC0\x80") << false;
        QTest::newRow("surrogate") << QByteArray("a\xED\xA0\x80") << false;
        QTest::newRow("cut at the end") << QByteArray("abc\xE6\x9D") << false;
    }

    void foldsUtf8AsText()
    {
        QFETCH(QByteArray, utf8);
        QFETCH(bool, valid);
        std::string folded = "kept";
        QCOMPARE(search::foldUtf8(utf8, folded), valid);
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        const QString text = decoder.decode(utf8);
        QCOMPARE(QByteArray::fromStdString(folded), "kept" + (valid ? search::fold(text) : ""));
        std::string inPlace = utf8.toStdString();
        QCOMPARE(search::foldUtf8InPlace(inPlace), valid);
        if (valid)
            QCOMPARE(inPlace, folded.substr(4));
        // Read from a file in pieces, a piece may end anywhere.
        for (qsizetype cut = 0; cut <= utf8.size(); ++cut) {
            std::string inPieces;
            search::Utf8PieceFolder folder(inPieces);
            folder.take(utf8.first(cut));
            folder.take(utf8.sliced(cut));
            QCOMPARE(folder.finish(), valid);
            if (valid)
                QCOMPARE(inPieces, folded.substr(4));
        }
    }

    // Sizes the room a folded text goes in, read four ASCII characters at a time.
    void countsUtf8Length_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("three ASCII") << "abc";
        QTest::newRow("four ASCII") << "abcd";
        QTest::newRow("nine ASCII") << "abcdefghi";
        QTest::newRow("two bytes after four ASCII") << "abcdé";
        QTest::newRow("two bytes inside four") << "abéd";
        QTest::newRow("three bytes") << "ab日本語cdefg";
        QTest::newRow("pair across four") << "abc👍🏽defgh";
        QTest::newRow("DEL and U+0080, U+07FF, U+0800")
            << QString(QChar(0x7F)) + "abc" + QChar(0x80) + QChar(0x7FF) + QChar(0x800);
    }

    void countsUtf8Length()
    {
        QFETCH(QString, text);
        QCOMPARE(utf8Length(text), text.toUtf8().size());
    }

    void matches_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");
        // Listed newest first: "Rezepte", "Reise nach Köln", "Einkauf", "Ideen".
        QTest::newRow("blank: every note, newest first")
            << " " << QStringList {"Rezepte", "Reise nach Köln", "Einkauf", "Ideen"};
        QTest::newRow("word in text") << "zwiebel" << QStringList {"Rezepte", "Einkauf"};
        QTest::newRow("word in name") << "koln" << QStringList {"Reise nach Köln"};
        QTest::newRow("names first, each group newest first")
            << "ein" << QStringList {"Einkauf", "Rezepte", "Reise nach Köln", "Ideen"};
        QTest::newRow("one word in name, one in text")
            << "reise zug" << QStringList {"Reise nach Köln"};
        QTest::newRow("every word needed") << "zwiebel zug" << QStringList {};
        QTest::newRow("phrase") << "\"rote zwiebel\"" << QStringList {"Einkauf"};
        QTest::newRow("phrase across name and text is not a match")
            << "\"köln mit\"" << QStringList {};
    }

    void matches()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        Sandbox sandbox;
        writeNotes(sandbox,
                   {{"Ideen", "Ein Gedanke."},
                    {"Einkauf", "Rote Zwiebel, Brot."},
                    {"Reise nach Köln", "Mit dem Zug, eine Reise."},
                    {"Rezepte", "Zwiebelkuchen: zwei Zwiebeln, rot, ein Ei."}});
        NoteStore store(sandbox.documents());
        NoteSearch search(&store);
        QTRY_VERIFY(search.isReady());
        QCOMPARE(search.matches(query), expected);
    }

    // Typing a query letter by letter narrows the previous results; the results must be those
    // of the query asked afresh, also when the query grows in ways that do not narrow.
    void narrowingGivesTheSameResults()
    {
        Sandbox sandbox;
        writeNotes(sandbox,
                   {{"a", "apple pie"}, {"b", "apricot"}, {"c", "pineapple"}, {"pine", "cone"}});
        NoteStore store(sandbox.documents());
        NoteSearch search(&store);
        QTRY_VERIFY(search.isReady());
        // Words grow at either end, and from matching by name to matching by text.
        const QStringList typed {"a",      "ap",        "app",      "appl",       "apple",
                                 "apple ", "apple p",   "apple pi", "\"apple pi", "\"apple pie\"",
                                 "pi",     "p",         "e",        "le",         "ple",
                                 "pple",   "pin",       "pine",     "pinea",      "ne",
                                 "cone",   "pine cone", "pine con", "pine co"};
        for (const QString &query : typed) {
            NoteSearch fresh(&store);
            QTRY_VERIFY(fresh.isReady());
            QCOMPARE(search.matches(query), fresh.matches(query));
        }
    }

    void becomesReady()
    {
        Sandbox sandbox;
        for (int i = 0; i < 20; ++i)
            sandbox.writeNote(QString("note %1.md").arg(i), "text " + QByteArray::number(i));
        NoteStore store(sandbox.documents());
        NoteSearch search(&store);
        QSignalSpy ready(&search, &NoteSearch::readyChanged);
        QCOMPARE(search.matches("note 17"), QStringList {"note 17"}); // names match at once
        QTRY_VERIFY(search.isReady());
        QCOMPARE(ready.count(), 1);
        QCOMPARE(search.matches("text 17"), QStringList {"note 17"});
    }

    // What the search holds follows every way a note changes, within a moment.
    void followsChanges_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("edit, not saved") << "edit"
                                         << "edited" << QStringList {"b"};
        QTest::newRow("edit, old words gone") << "edit"
                                              << "bravo" << QStringList {};
        QTest::newRow("edit, saved") << "save"
                                     << "edited" << QStringList {"b"};
        QTest::newRow("autosave of the older note") << "autosave a"
                                                    << "" << QStringList {"a", "b"};
        QTest::newRow("edit, then another note chosen") << "edit and leave"
                                                        << "edited" << QStringList {"b"};
        QTest::newRow("outside write by rename") << "replace a"
                                                 << "outside" << QStringList {"a"};
        QTest::newRow("outside write, old words gone") << "replace a"
                                                       << "alpha" << QStringList {};
        QTest::newRow("new file") << "add c"
                                  << "charlie" << QStringList {"c"};
        QTest::newRow("removed file") << "remove a"
                                      << "alpha" << QStringList {};
        QTest::newRow("rename") << "rename b"
                                << "bravo" << QStringList {"renamed"};
        QTest::newRow("delete") << "delete b"
                                << "bravo" << QStringList {};
        QTest::newRow("create") << "create"
                                << "untitled" << QStringList {"Untitled"};
    }

    void followsChanges()
    {
        QFETCH(QString, change);
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        Sandbox sandbox;
        writeNotes(sandbox, {{"a", "alpha"}, {"b", "bravo"}});
        NoteStore store(sandbox.documents());
        NoteSearch search(&store);
        QTRY_VERIFY(search.isReady());
        QCOMPARE(store.selection(), std::optional<QString>("b"));

        if (change.startsWith("edit") || change == "save")
            store.setText("edited");
        if (change == "save")
            store.flush();
        if (change == "edit and leave")
            store.setSelection("a");
        if (change == "autosave a") {
            store.setSelection("a");
            store.setText("alpha edited");
        }
        if (change == "replace a")
            replaceByRename(sandbox.notePath("a.md"), "outside");
        if (change == "add c")
            sandbox.writeNote("c.md", "charlie");
        if (change == "remove a")
            QVERIFY(QFile::remove(sandbox.notePath("a.md")));
        if (change == "rename b")
            store.rename("renamed");
        if (change == "delete b")
            store.deleteSelected();
        if (change == "create")
            store.create("untitled text");
        QTRY_COMPARE_WITH_TIMEOUT(search.matches(query), expected, waitMs);
    }

    // The note in the editor is folded from its text, not its file, and must be found the same.
    void findsTheEditorsText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("typed"); // at its end, in place
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("case") << "Hello"
                              << " World"
                              << "WORLD" << QStringList {"b"};
        QTest::newRow("sharp s") << "Die Stra"
                                 << "ße"
                                 << "strasse" << QStringList {"b"};
        QTest::newRow("decomposed accent") << "Cafe"
                                           << "\u0301 noir"
                                           << "café noir" << QStringList {"b"};
        QTest::newRow("longer in UTF-8 than in UTF-16")
            << QString("日本語").repeated(1000) << "のテキスト"
            << "テキスト" << QStringList {"b"};
        QTest::newRow("surrogate pairs") << "a 👍🏽 "
                                         << "𝔸𝔹 done"
                                         << "𝔸𝔹 done" << QStringList {"b"};
        QTest::newRow("file's text gone") << "charlie"
                                          << ""
                                          << "bravo" << QStringList {};
    }

    void findsTheEditorsText()
    {
        QFETCH(QString, text);
        QFETCH(QString, typed);
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        Sandbox sandbox;
        writeNotes(sandbox, {{"a", "alpha"}, {"b", "bravo"}});
        NoteStore store(sandbox.documents());
        NoteSearch search(&store);
        QTRY_VERIFY(search.isReady());
        store.setText(text);
        QVERIFY(store.editText(text.size(), 0, typed));
        QTRY_COMPARE_WITH_TIMEOUT(search.matches(query), expected, waitMs);
    }

    void unreadableNoteIsFoundByName_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("not UTF-8") << "bytes";
        QTest::newRow("FIFO") << "fifo";
        QTest::newRow("directory") << "directory";
    }

    void unreadableNoteIsFoundByName()
    {
        QFETCH(QString, kind);
        Sandbox sandbox;
        const QString odd = sandbox.notePath("odd words.md");
        if (kind == "bytes")
            sandbox.writeNote("odd words.md", "words \xff\xfe");
        QVERIFY(QDir().mkpath(sandbox.notesFolder()));
        if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(odd).constData(), 0600), 0);
        if (kind == "directory")
            QVERIFY(QDir().mkpath(odd));
        // The newest note is selected; the store itself would wait on a FIFO it loads.
        sandbox.writeNote("plain.md", "words", minutesAgo(-1));
        NoteStore store(sandbox.documents());
        NoteSearch search(&store);
        QTRY_VERIFY(search.isReady());
        QCOMPARE(search.matches("words"), (QStringList {"odd words", "plain"}));
        QCOMPARE(search.matches("odd"), QStringList {"odd words"});
        if (kind == "fifo")
            return;
        store.setSelection("odd words");
        QTest::qWait(400); // the selected note's text is taken after a pause
        QCOMPARE(search.matches("words"), (QStringList {"odd words", "plain"}));
    }

    void snippet_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("expectedText");
        QTest::addColumn<Ranges>("expectedMatches");
        QTest::newRow("line of the first match")
            << "# Title\n\nfirst line\r\nthe Café is here\nand café again\n"
            << "cafe"
            << "the Café is here" << Ranges {{4, 4}};
        QTest::newRow("every word in bold") << "one two three"
                                            << "three one"
                                            << "one two three" << Ranges {{0, 3}, {8, 5}};
        QTest::newRow("name only: first line with text") << "\n  \n# Heading\nmore"
                                                         << "name"
                                                         << "# Heading" << Ranges {};
        const QString longLine = QString(100, 'x') + " needle " + QString(200, 'y');
        QTest::newRow("long line cut around the match")
            << longLine << "needle"
            << "…" + longLine.mid(81, 160) << Ranges {{21, 6}};
        QTest::newRow("match far into a short line")
            << "a b c d e f g h i j k l m needle"
            << "needle"
            << "…d e f g h i j k l m needle" << Ranges {{21, 6}};
    }

    void snippet()
    {
        QFETCH(QString, text);
        QFETCH(QString, query);
        QFETCH(QString, expectedText);
        QFETCH(Ranges, expectedMatches);
        Sandbox sandbox;
        writeNotes(sandbox, {{"name", text.toUtf8()}, {"other", "other"}});
        NoteStore store(sandbox.documents());
        NoteSearch search(&store);
        QTRY_VERIFY(search.isReady());
        const NoteSearch::Snippet snippet = search.snippet("name", query);
        QCOMPARE(snippet.text, expectedText);
        QCOMPARE(snippet.matches, expectedMatches);

        // From the editor's text, as the store keeps it, with an edit's gap in its middle.
        store.setSelection("name");
        const qsizetype middle = text.size() / 2;
        QVERIFY(store.editText(middle, 1, text.sliced(middle, 1)));
        const NoteSearch::Snippet edited = search.snippet("name", query);
        QCOMPARE(edited.text, expectedText);
        QCOMPARE(edited.matches, expectedMatches);
    }
};

QTEST_GUILESS_MAIN(TestNoteSearch)
#include "tst_notesearch.moc"
