#include "sandbox.h"
#include "store/notestore.h"

#include <QSignalSpy>
#include <QTest>

namespace {

QString trashFolder()
{
    return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Trash");
}

} // namespace

class TestRenameDelete : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rename_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("result"); // the selected note's name afterwards
        QTest::addColumn<bool>("alert");
        QTest::addColumn<bool>("error");

        QTest::newRow("slash and spaces") << "  a/b \n"
                                          << "a-b" << false << false;
        QTest::newRow("letter case alone") << "Note"
                                           << "Note" << false << false;
        QTest::newRow("only spaces") << "   "
                                     << "note" << false << false;
        QTest::newRow("same name") << "note"
                                   << "note" << false << false;
        QTest::newRow("surrounding tabs") << "\tnote\t"
                                          << "note" << false << false;
        QTest::newRow("taken") << "other"
                               << "note" << true << false;
        QTest::newRow("taken by another case of the extension") << "third"
                                                                << "note" << true << false;
        QTest::newRow("too long for the file system")
            << QString(300, u'x') << "note" << true << true;
    }

    void rename()
    {
        QFETCH(QString, typed);
        QFETCH(QString, result);
        QFETCH(bool, alert);
        QFETCH(bool, error);
        Sandbox sandbox;
        sandbox.writeNote("note.md", "text", minutesAgo(1));
        sandbox.writeNote("other.md", "other", minutesAgo(5));
        sandbox.writeNote("third.MD", "third", minutesAgo(6));
        NoteStore store(sandbox.documents());
        QSignalSpy alerts(&store, &NoteStore::alert);
        QSignalSpy errors(&store, &NoteStore::errorOccurred);
        store.setText("text and an edit"); // not yet written

        store.rename(typed);
        QCOMPARE(store.selection(), std::optional<QString>(result));
        QCOMPARE(alerts.count(), alert ? 1 : 0);
        QCOMPARE(errors.count(), error ? 1 : 0);
        QCOMPARE(store.text(), "text and an edit");
        QVERIFY(store.isEditable());
        // A rename that gets as far as the move writes the pending edit first; one that does
        // nothing leaves it to the autosave.
        const bool reachedTheMove = result != "note" || alert;
        QCOMPARE(sandbox.readNote(result + ".md"), reachedTheMove ? "text and an edit" : "text");
        QCOMPARE(namesOf(store).first(), result); // keeps its place: the date does not change
        if (result != "note")
            QVERIFY(!QFile::exists(sandbox.notePath("note.md")));
        // Still saved where it now lives.
        store.setText("later");
        store.flush();
        QCOMPARE(sandbox.readNote(result + ".md"), "later");
    }

    void renameWithoutSelectionDoesNothing()
    {
        Sandbox sandbox;
        sandbox.writeNote("note.md", "text");
        NoteStore store(sandbox.documents());
        store.setSelection(std::nullopt);
        QSignalSpy alerts(&store, &NoteStore::alert);
        store.rename("new");
        QCOMPARE(sandbox.folderEntries(), QStringList {"note.md"});
        QCOMPARE(alerts.count(), 0);
    }

    // The trash is the user's freedesktop trash, also on an account that has no data folder yet.
    void deleteMovesToTheTrash_data()
    {
        QTest::addColumn<bool>("dataFolderExists");
        QTest::newRow("data folder present") << true;
        QTest::newRow("fresh account") << false;
    }

    void deleteMovesToTheTrash()
    {
        QFETCH(bool, dataFolderExists);
        Sandbox sandbox;
        if (dataFolderExists)
            QVERIFY(QDir().mkpath(qEnvironmentVariable("XDG_DATA_HOME")));
        sandbox.writeNote("newest.md", "newest", minutesAgo(1));
        sandbox.writeNote("middle.md", "on disk", minutesAgo(2));
        sandbox.writeNote("oldest.md", "oldest", minutesAgo(3));
        NoteStore store(sandbox.documents());
        store.setSelection("middle");
        store.setText("an edit that goes with it");

        store.deleteSelected();
        QCOMPARE(namesOf(store), (QStringList {"newest", "oldest"}));
        QCOMPARE(store.selection(), std::optional<QString>("newest"));
        QCOMPARE(store.text(), "newest");
        QFile trashed(trashFolder() + "/files/middle.md");
        QVERIFY(trashed.open(QIODevice::ReadOnly));
        QCOMPARE(trashed.readAll(), "on disk");
        QVERIFY(QFile::exists(trashFolder() + "/info/middle.md.trashinfo"));
        QVERIFY(!QDir(QDir::currentPath() + "/files").exists());
        QTest::qWait(700);
        QVERIFY(!QFile::exists(sandbox.notePath("middle.md")));
    }

    void deletingTheLastNoteCreatesOne()
    {
        Sandbox sandbox;
        sandbox.writeNote("only.md", "text");
        NoteStore store(sandbox.documents());
        store.deleteSelected();
        QCOMPARE(namesOf(store), QStringList {"Untitled"});
        QCOMPARE(store.selection(), std::optional<QString>("Untitled"));
        QCOMPARE(sandbox.readNote("Untitled.md"), "# Untitled\n\n");
        QVERIFY(QFile::exists(trashFolder() + "/files/only.md"));
    }

    void unusableTrashKeepsTheNote()
    {
        Sandbox sandbox;
        putFileAt(qEnvironmentVariable("XDG_DATA_HOME"));
        sandbox.writeNote("a.md", "on disk", minutesAgo(1));
        sandbox.writeNote("b.md", "b", minutesAgo(2));
        NoteStore store(sandbox.documents());
        QSignalSpy errors(&store, &NoteStore::errorOccurred);
        store.setText("unsaved edit");

        store.deleteSelected();
        QCOMPARE(errors.count(), 1);
        QVERIFY(errors.first().first().toString().contains("a"));
        QCOMPARE(store.selection(), std::optional<QString>("a"));
        QCOMPARE(store.text(), "unsaved edit");
        QVERIFY(store.isEditable());
        QCOMPARE(namesOf(store), (QStringList {"a", "b"}));
        QTRY_COMPARE_WITH_TIMEOUT(sandbox.readNote("a.md"), "unsaved edit", 3000);
    }
};

QTEST_GUILESS_MAIN(TestRenameDelete)
#include "tst_renamedelete.moc"
