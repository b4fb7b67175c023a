#include "sandbox.h"
#include "store/notestore.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace std::chrono_literals;

namespace {

const QByteArray welcome = "# Welcome to Penwick\n\nStart writing **Markdown** here.\n";
const QByteArray untitled = "# Untitled\n\n";
// Long enough after the autosave delay for a loaded machine, short enough for a test.
constexpr int saveWaitMs = 3000;

} // namespace

class TestNoteStore : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstStartWritesTheWelcomeNote_data()
    {
        QTest::addColumn<bool>("folderExists");
        QTest::newRow("empty folder") << true;
        QTest::newRow("missing folder") << false;
    }

    void firstStartWritesTheWelcomeNote()
    {
        QFETCH(bool, folderExists);
        Sandbox sandbox;
        if (folderExists)
            QVERIFY(QDir().mkpath(sandbox.notesFolder()));

        NoteStore store; // the user's documents folder, which the sandbox is
        QCOMPARE(store.folder(), sandbox.notesFolder());
        QCOMPARE(sandbox.folderEntries(), QStringList {"Untitled.md"});
        QCOMPARE(sandbox.readNote("Untitled.md"), welcome);
        QCOMPARE(store.selection(), std::optional<QString>("Untitled"));
        QCOMPARE(store.text(), QString::fromUtf8(welcome));
        QVERIFY(store.isEditable());
    }

    void startSelectsTheNewestAndWritesNothing()
    {
        Sandbox sandbox;
        const QDateTime newest = minutesAgo(1);
        sandbox.writeNote("old.md", "old", minutesAgo(10));
        sandbox.writeNote("new.md", "new text", newest);
        sandbox.writeNote("middle.md", "middle", minutesAgo(5));

        NoteStore store(sandbox.documents());
        QCOMPARE(namesOf(store), (QStringList {"new", "middle", "old"}));
        QCOMPARE(store.selection(), std::optional<QString>("new"));
        QCOMPARE(store.text(), "new text");

        QTest::qWait(700);
        QCOMPARE(sandbox.folderEntries(), (QStringList {"middle.md", "new.md", "old.md"}));
        QCOMPARE(QFileInfo(sandbox.notePath("new.md")).lastModified(), newest);
    }

    void entriesThatAreNotes()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "a");
        sandbox.writeNote("b.MD", "b");
        sandbox.writeNote("c.txt", "c");
        sandbox.writeNote("x.y.md", "x");
        sandbox.writeNote(".todo.md", "t");
        sandbox.writeNote(".md", "nothing");
        sandbox.writeNote("list.markdown", "l");
        QVERIFY(QDir().mkpath(sandbox.notePath("d")));
        QVERIFY(QDir().mkpath(sandbox.notePath("e.md")));
        QVERIFY(QDir().mkpath(sandbox.notePath("inner")));
        sandbox.writeNote("inner/deep.md", "not listed");

        NoteStore store(sandbox.documents());
        QStringList names = namesOf(store);
        names.sort();
        QCOMPARE(names, (QStringList {".todo", "a", "b", "e", "x.y"}));
        for (const Note &note : store.notes())
            QCOMPARE(note.url.toLocalFile(), sandbox.notePath(note.url.fileName()));
    }

    void orderIsNewestFirstAndStable()
    {
        Sandbox sandbox;
        const QDateTime same = minutesAgo(3);
        const QStringList equal {"e1", "e2", "e3", "e4"};
        for (const QString &name : equal)
            sandbox.writeNote(name + ".md", "x", same);
        sandbox.writeNote("newest.md", "x", minutesAgo(1));
        sandbox.writeNote("oldest.md", "x", minutesAgo(60));
        QVERIFY(QFile::link(sandbox.notePath("nowhere"), sandbox.notePath("undated.md")));

        NoteStore store(sandbox.documents());
        const QStringList names = namesOf(store);
        QCOMPARE(names.first(), "newest");
        QCOMPARE(names.sliced(5), (QStringList {"oldest", "undated"}));

        // Equal dates keep the order the folder listing gave.
        QStringList listed;
        for (const QString &entry :
             QDir(sandbox.notesFolder()).entryList(QDir::Files | QDir::System, QDir::Unsorted)) {
            if (equal.contains(QFileInfo(entry).completeBaseName()))
                listed.append(QFileInfo(entry).completeBaseName());
        }
        QCOMPARE(names.sliced(1, 4), listed);
        QVERIFY(!store.notes().last().modified.isValid());
    }

    void createTakesTheFirstFreeName_data()
    {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("created");

        QTest::newRow("first") << QStringList {"Other.md"} << "Untitled";
        QTest::newRow("two taken") << QStringList {"Untitled.md", "Untitled 2.md"} << "Untitled 3";
        QTest::newRow("gap") << QStringList {"Untitled.md", "Untitled 3.md"} << "Untitled 2";
        QTest::newRow("directory in the way") << QStringList {"Untitled.md/"} << "Untitled 2";
        QTest::newRow("dangling link in the way") << QStringList {"Untitled.md@"} << "Untitled 2";
        // Another file on disk, but the name is taken: selecting it would show the other note.
        QTest::newRow("name taken with another case")
            << QStringList {"Untitled.MD"} << "Untitled 2";
    }

    void createTakesTheFirstFreeName()
    {
        QFETCH(QStringList, present);
        QFETCH(QString, created);
        Sandbox sandbox;
        QVERIFY(QDir().mkpath(sandbox.notesFolder()));
        for (const QString &entry : present) {
            if (entry.endsWith(u'/'))
                QVERIFY(QDir().mkpath(sandbox.notePath(entry.chopped(1))));
            else if (entry.endsWith(u'@'))
                QVERIFY(QFile::link(sandbox.notePath("gone"), sandbox.notePath(entry.chopped(1))));
            else
                sandbox.writeNote(entry, "present", minutesAgo(5));
        }

        NoteStore store(sandbox.documents());
        QSignalSpy selectionChanges(&store, &NoteStore::selectionChanged);
        store.create(QString::fromUtf8(untitled));

        QCOMPARE(sandbox.readNote(created + ".md"), untitled);
        QCOMPARE(store.selection(), std::optional<QString>(created));
        QCOMPARE(store.notes().first().name, created);
        QCOMPARE(store.text(), QString::fromUtf8(untitled));
        QCOMPARE(selectionChanges.count(), 1);
    }

    void createNamedMakesTheNameSafe_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("created");
        QTest::newRow("as typed") << "Plan for May" << QStringList {} << "Plan for May";
        QTest::newRow("slash and white space") << "  a/b \t" << QStringList {} << "a-b";
        QTest::newRow("taken") << "Ideas" << QStringList {"Ideas.md", "Ideas 2.md"} << "Ideas 3";
        QTest::newRow("nothing left") << " / " << QStringList {} << "-";
        QTest::newRow("blank") << "  " << QStringList {"Untitled.md"} << "Untitled 2";
    }

    void createNamedMakesTheNameSafe()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, present);
        QFETCH(QString, created);
        Sandbox sandbox;
        for (const QString &entry : present)
            sandbox.writeNote(entry, "present", minutesAgo(5));
        sandbox.writeNote("Other.md", "other", minutesAgo(6));
        NoteStore store(sandbox.documents());
        store.create("# text\n\n", typed);
        QCOMPARE(sandbox.readNote(created + ".md"), "# text\n\n");
        QCOMPARE(store.selection(), std::optional<QString>(created));
        QCOMPARE(store.notes().first().name, created);
    }

    void autosaveWritesOnceAfterTheLastEdit()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "a", minutesAgo(1));
        sandbox.writeNote("b.md", "b", minutesAgo(2));
        NoteStore store(sandbox.documents());
        QCOMPARE(store.selection(), std::optional<QString>("a"));
        store.setSelection("b");

        // Every content the file has while the edits come and the save follows.
        QStringList seen {"b"};
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            const QString now = QString::fromUtf8(sandbox.readNote("b.md"));
            if (seen.last() != now)
                seen.append(now);
        });
        watch.start(10);
        for (const char *typed : {"b1", "b12", "b123", "b1234"}) {
            store.setText(typed);
            QTest::qWait(150);
        }
        QTest::qWait(250); // 400 ms after the last edit
        QCOMPARE(seen, QStringList {"b"});
        QTRY_COMPARE_WITH_TIMEOUT(seen, (QStringList {"b", "b1234"}), saveWaitMs);
        QTRY_COMPARE(namesOf(store), (QStringList {"b", "a"}));
        QTest::qWait(700);
        QCOMPARE(seen, (QStringList {"b", "b1234"}));
    }

    void editsApartAreWrittenEach()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "a");
        NoteStore store(sandbox.documents());
        store.setText("first");
        QTRY_COMPARE_WITH_TIMEOUT(sandbox.readNote("a.md"), "first", saveWaitMs);
        store.setText("second");
        QTRY_COMPARE_WITH_TIMEOUT(sandbox.readNote("a.md"), "second", saveWaitMs);
    }

    void bytesFollowEveryEdit_data()
    {
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("edited in place") << true;
        QTest::newRow("given whole") << false;
    }

    // The search and the autosave share the bytes of a pause in typing; an edit after them is
    // never written as the text before it.
    void bytesFollowEveryEdit()
    {
        QFETCH(bool, inPlace);
        Sandbox sandbox;
        sandbox.writeNote("a.md", "note");
        NoteStore store(sandbox.documents());
        QCOMPARE(store.textUtf8(), "note");
        if (inPlace)
            QVERIFY(store.editText(4, 0, u"s"));
        else
            store.setText("notes");
        QCOMPARE(store.textUtf8(), "notes");
        QVERIFY(store.editText(0, 1, u"N"));
        QTRY_COMPARE_WITH_TIMEOUT(sandbox.readNote("a.md"), "Notes", saveWaitMs);
        QCOMPARE(store.textUtf8(), "Notes");
    }

    void leavingANoteWritesItFirst()
    {
        Sandbox sandbox;
        sandbox.writeNote("left.md", "left", minutesAgo(1));
        sandbox.writeNote("right.md", "right", minutesAgo(2));
        NoteStore store(sandbox.documents());
        QSignalSpy reloads(&store, &NoteStore::notesChanged);

        QString leftOnDiskWhenRightWasRead;
        connect(&store, &NoteStore::textChanged, this, [&] {
            leftOnDiskWhenRightWasRead = QString::fromUtf8(sandbox.readNote("left.md"));
        });
        store.setText("left edited");
        store.setSelection("right");

        QCOMPARE(leftOnDiskWhenRightWasRead, "left edited");
        QCOMPARE(store.text(), "right");
        QCOMPARE(reloads.count(), 0); // the list keeps its order until the next listing
        QTest::qWait(800);
        QCOMPARE(sandbox.readNote("left.md"), "left edited");
        QCOMPARE(sandbox.readNote("right.md"), "right");
    }

    void sameSelectionDoesNothingMore()
    {
        Sandbox sandbox;
        sandbox.writeNote(QStringLiteral("caf\u00e9.md").toUtf8(), "coffee");
        NoteStore store(sandbox.documents());
        QSignalSpy texts(&store, &NoteStore::textChanged);
        QSignalSpy selections(&store, &NoteStore::selectionChanged);
        store.setText("typed");

        store.setSelection(QStringLiteral("cafe\u0301")); // the same name, decomposed
        QCOMPARE(selections.count(), 1);
        QCOMPARE(texts.count(), 1);
        QCOMPARE(store.text(), "typed");
        QCOMPARE(sandbox.readNote(QStringLiteral("caf\u00e9.md")), "coffee");
    }

    void selectionFindsCanonicallyEquivalentName()
    {
        Sandbox sandbox;
        sandbox.writeNote(QStringLiteral("caf\u00e9.md"), "coffee", minutesAgo(5));
        sandbox.writeNote("tea.md", "tea", minutesAgo(1));
        NoteStore store(sandbox.documents());
        store.setSelection(QStringLiteral("cafe\u0301"));
        QCOMPARE(store.text(), "coffee");
        store.setText("espresso");
        store.flush();
        QCOMPARE(sandbox.readNote(QStringLiteral("caf\u00e9.md")), "espresso");
        QCOMPARE(sandbox.folderEntries().size(), 2);
    }

    void loadingNeverWrites()
    {
        Sandbox sandbox;
        const QDateTime date = minutesAgo(30);
        sandbox.writeNote("a.md", "a", date);
        sandbox.writeNote("b.md", "b", date);
        NoteStore store(sandbox.documents());
        for (const char *name : {"b", "a", "b"})
            store.setSelection(name);
        store.setSelection(std::nullopt);
        QCOMPARE(store.text(), QString());
        store.flush();
        QTest::qWait(700);
        QCOMPARE(QFileInfo(sandbox.notePath("a.md")).lastModified(), date);
        QCOMPARE(QFileInfo(sandbox.notePath("b.md")).lastModified(), date);
    }

    void editsWithoutANoteWriteNothing()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "a");
        NoteStore store(sandbox.documents());
        store.setSelection("not there");
        QCOMPARE(store.text(), QString());
        store.setText("nowhere to go");
        store.flush();
        QTest::qWait(700);
        QCOMPARE(sandbox.folderEntries(), QStringList {"a.md"});
        QCOMPARE(sandbox.readNote("a.md"), "a");
    }

    void bytesSurviveLoadAndSave_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF# Title\n");
        QTest::newRow("CR LF") << QByteArray("one\r\ntwo\r\n");
        QTest::newRow("lone CR") << QByteArray("one\rtwo\r");
        QTest::newRow("no-break space") << QByteArray("a\xC2\xA0"
                                                      "b");
        QTest::newRow("line and paragraph separators") << QByteArray("a\xE2\x80\xA8"
                                                                     "b\xE2\x80\xA9");
        QTest::newRow("tabs, no final line feed") << QByteArray("\tx\t\ty");
        QTest::newRow("NUL and controls") << QByteArray("a\0b\x1F", 4);
        QTest::newRow("everything") << QByteArray("\xEF\xBB\xBF"
                                                  "a\r\nb\rc\xC2\xA0\xE2\x80\xA8\td");
        QTest::newRow("empty") << QByteArray();
    }

    void bytesSurviveLoadAndSave()
    {
        QFETCH(QByteArray, bytes);
        Sandbox sandbox;
        sandbox.writeNote("n.md", bytes);
        NoteStore store(sandbox.documents());
        QVERIFY(store.isEditable());

        store.setText(store.text() + u'!');
        store.flush();
        QCOMPARE(sandbox.readNote("n.md"), bytes + '!');
    }

    void unreadableNoteIsNeverWritten_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // empty: a directory
        QTest::addColumn<QString>("shown");
        QTest::newRow("invalid UTF-8")
            << QByteArray("ok \xC3( \xFF") << QStringLiteral("ok \uFFFD( \uFFFD");
        QTest::newRow("UTF-16") << QByteArray("\xFF\xFEh\0i\0", 6) << QString();
        QTest::newRow("directory") << QByteArray() << QString();
    }

    void unreadableNoteIsNeverWritten()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        Sandbox sandbox;
        if (bytes.isEmpty())
            QVERIFY(QDir().mkpath(sandbox.notePath("bad.md")));
        else
            sandbox.writeNote("bad.md", bytes, minutesAgo(1));
        sandbox.writeNote("good.md", "good", minutesAgo(9));
        NoteStore store(sandbox.documents());
        QCOMPARE(store.selection(), std::optional<QString>("bad"));
        QVERIFY(!store.isEditable());
        QVERIFY(store.readOnlyReason().contains("bad"));
        if (!shown.isNull())
            QCOMPARE(store.text(), shown);

        store.setText("typed anyway");
        store.flush();
        store.setSelection("good");
        QVERIFY(store.isEditable());
        QTest::qWait(700);
        if (!bytes.isEmpty())
            QCOMPARE(sandbox.readNote("bad.md"), bytes);
        QVERIFY(QFileInfo(sandbox.notePath("bad.md")).isDir() == bytes.isEmpty());
    }

    void failedWriteIsReportedAndRetried()
    {
        Sandbox sandbox;
        sandbox.writeNote("note.md", "before", minutesAgo(2));
        sandbox.writeNote("other.md", "other", minutesAgo(3));
        NoteStore store(sandbox.documents());
        QSignalSpy errors(&store, &NoteStore::errorOccurred);

        // Take the folder away and put a plain file in its place: nothing can be written there.
        const QString aside = sandbox.documents() + "/aside";
        QVERIFY(QDir().rename(sandbox.notesFolder(), aside));
        putFileAt(sandbox.notesFolder());

        store.setText("precious");
        QTRY_COMPARE_WITH_TIMEOUT(errors.count(), 1, saveWaitMs);
        QVERIFY2(errors.first().first().toString().contains("note"),
                 qPrintable(errors.first().first().toString()));

        // Leaving the note would drop the text that is not on disk yet.
        store.setSelection("other");
        QCOMPARE(errors.count(), 2);
        QCOMPARE(store.selection(), std::optional<QString>("note"));
        QCOMPARE(store.text(), "precious");

        QVERIFY(QFile::remove(sandbox.notesFolder()));
        QVERIFY(QDir().rename(aside, sandbox.notesFolder()));
        store.flush();
        QCOMPARE(sandbox.readNote("note.md"), "precious");
        QCOMPARE(errors.count(), 2);
        store.reload();
        store.setSelection("other");
        QCOMPARE(store.text(), "other");
    }

    void failedCreateKeepsTheSelection()
    {
        Sandbox sandbox;
        sandbox.writeNote("note.md", "text");
        NoteStore store(sandbox.documents());
        QSignalSpy errors(&store, &NoteStore::errorOccurred);
        QSignalSpy alerts(&store, &NoteStore::alert);
        QVERIFY(QFile::remove(sandbox.notePath("note.md")));
        QVERIFY(QDir().rmdir(sandbox.notesFolder()));
        putFileAt(sandbox.notesFolder());

        store.create(QString::fromUtf8(untitled));
        QCOMPARE(errors.count(), 1);
        QVERIFY(errors.first().first().toString().contains("Untitled"));
        QCOMPARE(alerts.count(), 1);
        QCOMPARE(store.selection(), std::optional<QString>("note"));
        QCOMPARE(store.text(), "text");
    }

    void failureAtStartIsReportedOnceRunning()
    {
        Sandbox sandbox;
        QVERIFY(QDir().mkpath(sandbox.documents()));
        putFileAt(sandbox.notesFolder());

        NoteStore store(sandbox.documents());
        QSignalSpy errors(&store, &NoteStore::errorOccurred);
        QCOMPARE(store.selection(), std::nullopt);
        QCOMPARE(store.notes().size(), 0);
        QTRY_COMPARE(errors.count(), 2); // the folder, then the welcome note
    }

    void vanishedNoteIsWrittenAgainOnEdit()
    {
        Sandbox sandbox;
        sandbox.writeNote("gone.md", "text", minutesAgo(1));
        sandbox.writeNote("other.md", "other", minutesAgo(2));
        NoteStore store(sandbox.documents());
        QVERIFY(QFile::remove(sandbox.notePath("gone.md")));
        store.reload();
        QCOMPARE(namesOf(store), QStringList {"other"});
        QCOMPARE(store.selection(), std::optional<QString>("gone"));
        QCOMPARE(store.text(), "text");

        store.setText("text again");
        QTRY_COMPARE_WITH_TIMEOUT(sandbox.readNote("gone.md"), "text again", saveWaitMs);
        // The write lands on another thread; the list follows once the store has its outcome.
        QTRY_COMPARE(namesOf(store), (QStringList {"gone", "other"}));
    }
};

QTEST_GUILESS_MAIN(TestNoteStore)
#include "tst_notestore.moc"
