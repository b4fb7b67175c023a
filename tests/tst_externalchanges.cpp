#include "sandbox.h"
#include "store/notestore.h"

#include <QTest>

#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr int waitMs = 3000;

QStringList sortedNamesOf(const NoteStore &store)
{
    QStringList names = namesOf(store);
    names.sort();
    return names;
}

// How other programs write a file: in place, or a new file renamed over the old one (as most
// editors and sync tools do).
void writeAsAnotherProgram(const QString &path, const QByteArray &bytes, bool replaceByRename)
{
    const QString target = replaceByRename ? path + QStringLiteral(".tmp~") : path;
    QFile file(target);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    if (replaceByRename)
        QVERIFY(
            std::rename(QFile::encodeName(target).constData(), QFile::encodeName(path).constData())
            == 0);
}

QString conflictNoteOf(const Sandbox &sandbox, const QString &name)
{
    for (const QString &entry : sandbox.folderEntries()) {
        if (entry.startsWith(name + " (conflict "))
            return entry;
    }
    return QString();
}

} // namespace

class TestExternalChanges : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sidebarFollowsTheFolder()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "a");
        NoteStore store(sandbox.documents());
        sandbox.writeNote("b.md", "b");
        QTRY_COMPARE_WITH_TIMEOUT(sortedNamesOf(store), (QStringList {"a", "b"}), waitMs);
        QVERIFY(QFile::rename(sandbox.notePath("b.md"), sandbox.notePath("c.md")));
        QTRY_COMPARE_WITH_TIMEOUT(sortedNamesOf(store), (QStringList {"a", "c"}), waitMs);
        QVERIFY(QFile::remove(sandbox.notePath("c.md")));
        QTRY_COMPARE_WITH_TIMEOUT(sortedNamesOf(store), QStringList {"a"}, waitMs);
        QCOMPARE(store.selection(), std::optional<QString>("a"));
    }

    void cleanNoteIsLoadedAgain_data()
    {
        QTest::addColumn<bool>("replaceByRename");
        QTest::newRow("written in place") << false;
        QTest::newRow("replaced by rename") << true;
    }

    void cleanNoteIsLoadedAgain()
    {
        QFETCH(bool, replaceByRename);
        Sandbox sandbox;
        sandbox.writeNote("a.md", "mine");
        NoteStore store(sandbox.documents());
        for (const char *theirs : {"theirs", "theirs again"}) { // the watch survives a replace
            writeAsAnotherProgram(sandbox.notePath("a.md"), theirs, replaceByRename);
            QTRY_COMPARE_WITH_TIMEOUT(store.text(), QString::fromUtf8(theirs), waitMs);
        }
        store.flush(); // nothing was edited, so nothing is written
        QTest::qWait(700);
        QCOMPARE(sandbox.readNote("a.md"), "theirs again");
        QCOMPARE(sandbox.folderEntries(), QStringList {"a.md"});
    }

    void editedNoteKeepsBothVersions_data()
    {
        QTest::addColumn<bool>("replaceByRename");
        QTest::addColumn<bool>("flushAtOnce"); // before the watch has looked
        QTest::addColumn<bool>("savedBefore"); // the store knows the file by its own write
        QTest::newRow("in place, autosave") << false << false << false;
        QTest::newRow("by rename, autosave") << true << false << false;
        QTest::newRow("in place, flush at once") << false << true << false;
        QTest::newRow("in place after a save, as many bytes") << false << true << true;
    }

    void editedNoteKeepsBothVersions()
    {
        QFETCH(bool, replaceByRename);
        QFETCH(bool, flushAtOnce);
        QFETCH(bool, savedBefore);
        Sandbox sandbox;
        sandbox.writeNote("a.md", "base");
        NoteStore store(sandbox.documents());
        if (savedBefore) {
            store.setText("my firstly");
            store.flush();
        }
        store.setText("my edit");
        writeAsAnotherProgram(sandbox.notePath("a.md"), "their edit", replaceByRename);
        if (flushAtOnce)
            store.flush();

        QTRY_COMPARE_WITH_TIMEOUT(sandbox.readNote("a.md"), "my edit", waitMs);
        const QString conflict = conflictNoteOf(sandbox, "a");
        QVERIFY2(!conflict.isEmpty(), qPrintable(sandbox.folderEntries().join(", ")));
        QCOMPARE(sandbox.readNote(conflict), "their edit");
        QCOMPARE(store.text(), "my edit");
        QTRY_VERIFY_WITH_TIMEOUT(
            sortedNamesOf(store).contains(QFileInfo(conflict).completeBaseName()), waitMs);
        QTest::qWait(700);
        QCOMPARE(sandbox.folderEntries().size(), 2); // one kept version, not one for each look
    }

    void ownWritesAreNotTakenForOthers()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "a");
        NoteStore store(sandbox.documents());
        for (const char *typed : {"one", "two", "three"}) {
            store.setText(typed);
            QTRY_COMPARE_WITH_TIMEOUT(sandbox.readNote("a.md"), typed, waitMs);
            QTest::qWait(300); // the watch has looked
        }
        QCOMPARE(store.text(), "three");
        QCOMPARE(sandbox.folderEntries(), QStringList {"a.md"});
    }

    // A note another program adds in the same tick of the system's clock as the store's own save
    // leaves the folder's date as that save left it: only the folder's names tell.
    void noteAddedInTheTickOfAnOwnSaveIsListed()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "a");
        NoteStore store(sandbox.documents());
        store.setText("mine");
        QTRY_COMPARE_WITH_TIMEOUT(sandbox.readNote("a.md"), "mine", waitMs);
        const QByteArray folder = QFile::encodeName(sandbox.notesFolder());
        struct stat saved;
        QCOMPARE(::stat(folder.constData(), &saved), 0);
        sandbox.writeNote("b.md", "b");
        const timespec times[2] = {{0, UTIME_OMIT}, saved.st_mtim};
        QCOMPARE(::utimensat(AT_FDCWD, folder.constData(), times, 0), 0);
        QTRY_COMPARE_WITH_TIMEOUT(sortedNamesOf(store), (QStringList {"a", "b"}), waitMs);
    }

    void deletedNoteIsWrittenAgainOnEdit()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "a", minutesAgo(1));
        sandbox.writeNote("b.md", "b", minutesAgo(2));
        NoteStore store(sandbox.documents());
        QVERIFY(QFile::remove(sandbox.notePath("a.md")));
        QTRY_COMPARE_WITH_TIMEOUT(sortedNamesOf(store), QStringList {"b"}, waitMs);
        QCOMPARE(store.selection(), std::optional<QString>("a"));
        store.setText("a, again");
        QTRY_COMPARE_WITH_TIMEOUT(sandbox.readNote("a.md"), "a, again", waitMs);
        QCOMPARE(conflictNoteOf(sandbox, "a"), QString());
    }

    // Switching away and back, with another program writing between, loses neither side.
    void switchesAndOutsideWritesLoseNothing()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "a0", minutesAgo(1));
        sandbox.writeNote("b.md", "b0", minutesAgo(2));
        NoteStore store(sandbox.documents());
        store.setText("a1 mine");
        writeAsAnotherProgram(sandbox.notePath("a.md"), "a1 theirs", true);
        store.setSelection("b"); // flushes a at once
        QCOMPARE(sandbox.readNote("a.md"), "a1 mine");
        QCOMPARE(sandbox.readNote(conflictNoteOf(sandbox, "a")), "a1 theirs");
        writeAsAnotherProgram(sandbox.notePath("a.md"), "a2 theirs", false);
        store.setSelection("a");
        QCOMPARE(store.text(), "a2 theirs");
        store.setSelection("b");
        QCOMPARE(sandbox.readNote("a.md"), "a2 theirs");
    }
};

QTEST_GUILESS_MAIN(TestExternalChanges)
#include "tst_externalchanges.moc"
