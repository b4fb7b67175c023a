// Two machines, A and B, each with its own notes folder and its own note store, kept in step by
// two real Syncthing instances over loopback. The test runs in a network namespace of its own
// (see run-isolated.sh), so nothing it starts can reach another machine.
#include "sandbox.h"
#include "store/notestore.h"
#include "syncthingpeer.h"

#include <QDeadlineTimer>
#include <QFileSystemWatcher>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTest>

#include <memory>

namespace {

constexpr int syncTimeoutMs = 30000;
constexpr int keystrokeMs = 150; // quicker than the autosave delay, so typing holds the save off
const QString folderId = QStringLiteral("penwick-notes");

QString welcomeText()
{
    return QStringLiteral("# Welcome to Penwick\n\nStart writing **Markdown** here.\n");
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Every note file of the folder with its bytes, by file name.
QMap<QString, QByteArray> notesIn(const QString &folder)
{
    QMap<QString, QByteArray> notes;
    for (const QString &entry : QDir(folder).entryList(QDir::AllEntries | QDir::Hidden
                                                       | QDir::System | QDir::NoDotAndDotDot)) {
        if (noteNameForFileName(entry))
            notes.insert(entry, readFile(folder + u'/' + entry));
    }
    return notes;
}

// The note files whose text contains the words.
QStringList notesHolding(const QString &folder, const QByteArray &words)
{
    QStringList holding;
    const QMap<QString, QByteArray> notes = notesIn(folder);
    for (auto it = notes.cbegin(); it != notes.cend(); ++it) {
        if (it.value().contains(words))
            holding.append(it.key());
    }
    return holding;
}

QStringList sortedNamesOf(const NoteStore &store)
{
    QStringList names = namesOf(store);
    names.sort();
    return names;
}

QStringList noteNamesIn(const QString &folder)
{
    QStringList names;
    for (const QString &fileName : notesIn(folder).keys())
        names.append(*noteNameForFileName(fileName));
    names.sort();
    return names;
}

QStringList conflictCopiesIn(const QString &folder)
{
    return notesIn(folder).keys().filter(QRegularExpression(QStringLiteral("conflict")));
}

// Names of Syncthing's own files: its temporary files on Linux and on Windows, its folder
// marker and its versions folder.
bool isSyncthingsOwn(const QString &name)
{
    return name.startsWith(u".syncthing.") || name.startsWith(u"~syncthing~")
        || name.startsWith(u".stfolder") || name.startsWith(u".stversions")
        || name.startsWith(u".stignore");
}

// Only loopback, so no packet Syncthing sends can leave the machine.
QStringList networkInterfaces()
{
    QStringList interfaces;
    const QList<QByteArray> lines = readFile(QStringLiteral("/proc/self/net/dev")).split('\n');
    for (const QByteArray &line : lines.mid(2)) {
        if (line.contains(':'))
            interfaces.append(QString::fromUtf8(line.left(line.indexOf(':')).trimmed()));
    }
    return interfaces;
}

} // namespace

class TestSync : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("syncthing")).isEmpty())
            QFAIL("syncthing is not installed; ./tools/install-deps installs it");
        QVERIFY2(networkInterfaces() == QStringList {"lo"},
                 qPrintable(QStringLiteral("not in a network namespace of its own (interfaces: "
                                           "%1); run it through ctest or tests/run-isolated.sh")
                                .arg(networkInterfaces().join(u", "))));
        QVERIFY(m_machines.isValid());
        QVERIFY(QDir().mkpath(folderOf(m_a)) && QDir().mkpath(folderOf(m_b)));

        for (Machine *machine : {&m_a, &m_b}) {
            machine->peer = std::make_unique<SyncthingPeer>(machine->name,
                                                            m_machines.path() + u'/' + machine->name
                                                                + QStringLiteral("/syncthing"));
            QVERIFY2(machine->peer->generate(), qPrintable(machine->peer->error()));
        }
        QVERIFY2(m_a.peer->configure(folderId, folderOf(m_a), *m_b.peer),
                 qPrintable(m_a.peer->error()));
        QVERIFY2(m_b.peer->configure(folderId, folderOf(m_b), *m_a.peer),
                 qPrintable(m_b.peer->error()));
        for (Machine *machine : {&m_a, &m_b})
            QVERIFY2(machine->peer->start(), qPrintable(machine->peer->error()));
        QVERIFY2(waitConnected(), qPrintable(m_why));
    }

    // Each machine starts Penwick on its notes folder, and the two stores live for one test.
    void init()
    {
        for (Machine *machine : {&m_a, &m_b}) {
            machine->store = std::make_unique<NoteStore>(documentsOf(*machine));
            connect(machine->store.get(), &NoteStore::notesChanged, this,
                    [this, machine] { noticeSyncthingsFiles(*machine->store); });
        }
    }

    void cleanup()
    {
        for (Machine *machine : {&m_a, &m_b})
            machine->store->flush();
        // After a failure the machines may stay apart; the next test waits for them itself.
        if (!QTest::currentTestFailed()) {
            QVERIFY2(waitInSync(), qPrintable(m_why));
            verifyOpenNotesShowTheirFiles();
        }
        QVERIFY2(m_listedSyncthingsFiles.isEmpty(),
                 qPrintable(m_listedSyncthingsFiles.join(u", ")));
        for (Machine *machine : {&m_a, &m_b})
            machine->store.reset();
    }

    void cleanupTestCase()
    {
        for (Machine *machine : {&m_a, &m_b}) {
            if (machine->peer)
                machine->peer->stop();
        }
    }

    // Both machines started Penwick on an empty folder, so each wrote the welcome note.
    void welcomeNoteWrittenOnBoth()
    {
        QVERIFY2(waitInSync(), qPrintable(m_why));
        QVERIFY2(sameNotesOnBoth(), qPrintable(m_why));
        const QMap<QString, QByteArray> notes = notesIn(folderOf(m_a));
        QCOMPARE(notes.keys(), QStringList {"Untitled.md"});
        QCOMPARE(notes.first(), welcomeText().toUtf8());
    }

    void noteWrittenOnOneAppearsOnTheOther()
    {
        makeSharedNote(QStringLiteral("Trip"), QStringLiteral("# Trip\n\nDay one\n"));
        if (QTest::currentTestFailed())
            return;
        // B holds no edit of it, so B's open copy follows every version A saves.
        for (const QString &text : {QStringLiteral("# Trip\n\nDay one\nDay two\n"),
                                    QStringLiteral("# Trip\n\nDay one\nDay two\nDay three\n")}) {
            m_a.store->setText(text);
            QTRY_COMPARE_WITH_TIMEOUT(m_b.store->text(), text, syncTimeoutMs);
        }
        QVERIFY2(waitInSync(), qPrintable(m_why));
        QVERIFY2(sameNotesOnBoth(), qPrintable(m_why));
        QCOMPARE(conflictCopiesIn(folderOf(m_a)), QStringList());
    }

    void concurrentEditsKeepBothTexts_data()
    {
        QTest::addColumn<bool>("typingOnB"); // B's edit is not yet written when A's arrives
        QTest::newRow("both written at once") << false;
        QTest::newRow("B still typing when A's arrives") << true;
        QTest::newRow("long name, B still typing") << true;
    }

    void concurrentEditsKeepBothTexts()
    {
        QFETCH(bool, typingOnB);
        QString name = QStringLiteral("Shared %1").arg(QTest::currentDataTag());
        // Penwick's conflict copy has to shorten the name to fit 255 bytes. (Syncthing cannot
        // make its own copy of so long a name, so only the case Penwick resolves is tried.)
        if (name.contains(u"long name"))
            name += QString(235 - name.size(), u'x');
        const QString file = fileOf(m_b, name + QStringLiteral(".md"));
        makeSharedNote(name, QStringLiteral("base\n"));
        if (QTest::currentTestFailed())
            return;

        m_a.store->setText(QStringLiteral("base\nfrom A\n"));
        m_a.store->flush();
        if (typingOnB) {
            typeUntil(m_b, QStringLiteral("from B"),
                      [&] { return readFile(file) == "base\nfrom A\n"; });
            QTRY_COMPARE_WITH_TIMEOUT(readFile(file), m_b.store->text().toUtf8(), syncTimeoutMs);
        } else {
            m_b.store->setText(QStringLiteral("base\nfrom B\n"));
            m_b.store->flush();
        }

        QVERIFY2(waitInSync(), qPrintable(m_why));
        QVERIFY2(sameNotesOnBoth(), qPrintable(m_why));
        for (const char *words : {"from A", "from B"})
            QVERIFY2(!notesHolding(folderOf(m_a), words).isEmpty(), words);
        verifyStoresFollowTheirFolders();
    }

    void bothTypingAtOnce_data()
    {
        QTest::addColumn<int>("size"); // of the note, in bytes, before the typing
        QTest::newRow("short note") << 0;
        QTest::newRow("1 MB note") << 1'000'000; // writes and pulls take longer
    }

    // Both type in bursts with a pause for the autosave, for several seconds, so versions cross
    // in both directions while the other side is typing and while it is not. Every word typed on
    // either side must end up in a note on both.
    void bothTypingAtOnce()
    {
        QFETCH(int, size);
        const QString name = QStringLiteral("Together %1").arg(QTest::currentDataTag());
        makeSharedNote(name, QStringLiteral("start\n") + QString(size, u'.'));
        if (QTest::currentTestFailed())
            return;
        QStringList typed;
        for (int burst = 0; burst < 8; ++burst) {
            for (int key = 0; key < 3; ++key) {
                for (Machine *machine : {&m_a, &m_b}) {
                    typed.append(
                        QStringLiteral("[%1 %2.%3]").arg(machine->name).arg(burst).arg(key));
                    machine->store->setText(machine->store->text() + typed.last());
                }
                QTest::qWait(keystrokeMs);
            }
            QTest::qWait(burst % 2 ? 700 : 200); // every other pause lets the autosave run
        }
        QVERIFY2(waitInSync(), qPrintable(m_why));
        QVERIFY2(sameNotesOnBoth(), qPrintable(m_why));
        QStringList lost;
        for (const QString &word : std::as_const(typed)) {
            if (notesHolding(folderOf(m_a), word.toUtf8()).isEmpty())
                lost.append(word);
        }
        QVERIFY2(lost.isEmpty(), qPrintable(lost.join(u' ')));
        verifyStoresFollowTheirFolders();
    }

    void renameOrDeleteKeepsAnUnsavedEdit_data()
    {
        QTest::addColumn<bool>("rename"); // or delete, on A
        QTest::newRow("renamed on A") << true;
        QTest::newRow("deleted on A") << false;
    }

    void renameOrDeleteKeepsAnUnsavedEdit()
    {
        QFETCH(bool, rename);
        const QString name = QStringLiteral("Moving %1").arg(QTest::currentDataTag());
        const QString fileOnB = fileOf(m_b, name + QStringLiteral(".md"));
        makeSharedNote(name, QStringLiteral("base\n"));
        if (QTest::currentTestFailed())
            return;

        if (rename)
            m_a.store->rename(name + QStringLiteral(" moved"));
        else
            m_a.store->deleteSelected();
        typeUntil(m_b, QStringLiteral("my edit"), [&] { return !QFile::exists(fileOnB); });
        QTRY_COMPARE_WITH_TIMEOUT(readFile(fileOnB), m_b.store->text().toUtf8(), syncTimeoutMs);

        QVERIFY2(waitInSync(), qPrintable(m_why));
        QVERIFY2(sameNotesOnBoth(), qPrintable(m_why));
        QVERIFY2(!notesHolding(folderOf(m_a), "my edit").isEmpty(),
                 qPrintable(notesIn(folderOf(m_a)).keys().join(u", ")));
        if (rename)
            QCOMPARE(readFile(fileOf(m_a, name + QStringLiteral(" moved.md"))), "base\n");
        verifyStoresFollowTheirFolders();
    }

    void editWinsOverDeleteElsewhere()
    {
        makeSharedNote(QStringLiteral("Kept"), QStringLiteral("base\n"));
        if (QTest::currentTestFailed())
            return;
        m_b.store->setText(QStringLiteral("base\nB's newer line\n"));
        m_b.store->flush();
        m_a.store->deleteSelected();

        QVERIFY2(waitInSync(), qPrintable(m_why));
        QVERIFY2(sameNotesOnBoth(), qPrintable(m_why));
        QVERIFY2(!notesHolding(folderOf(m_a), "B's newer line").isEmpty(),
                 qPrintable(notesIn(folderOf(m_a)).keys().join(u", ")));
        verifyStoresFollowTheirFolders();
    }

    // A writes a new version about every 0.8 s; B, holding no edit, shows only whole versions
    // and never takes one of them for a conflict.
    void typingBurstsWhileTheOtherWatches()
    {
        makeSharedNote(QStringLiteral("Burst"), QStringLiteral("start\n"));
        if (QTest::currentTestFailed())
            return;
        const QStringList conflictCopiesBefore = conflictCopiesIn(folderOf(m_a));
        QStringList shownOnB;
        connect(m_b.store.get(), &NoteStore::textChanged, this,
                [&] { shownOnB.append(m_b.store->text()); });
        QStringList savedOnA {QStringLiteral("start\n")};
        QString text = savedOnA.first();
        for (int burst = 0; burst < 10; ++burst) {
            for (int key = 0; key < 3; ++key) {
                text += QStringLiteral("word%1.%2 ").arg(burst).arg(key);
                m_a.store->setText(text);
                QTest::qWait(80);
            }
            QTRY_COMPARE_WITH_TIMEOUT(readFile(fileOf(m_a, QStringLiteral("Burst.md"))),
                                      text.toUtf8(), syncTimeoutMs);
            savedOnA.append(text);
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_b.store->text(), text, syncTimeoutMs);
        QVERIFY2(waitInSync(), qPrintable(m_why));

        QVERIFY(shownOnB.size() > 1);
        for (const QString &shown : std::as_const(shownOnB))
            QVERIFY2(savedOnA.contains(shown), qPrintable(shown));
        QCOMPARE(conflictCopiesIn(folderOf(m_a)), conflictCopiesBefore);
        QVERIFY2(sameNotesOnBoth(), qPrintable(m_why));
    }

    // A note large enough to be pulled in blocks keeps Syncthing's temporary file in B's folder
    // for a while: B's listing, taken whenever the folder changes, never shows it.
    void syncthingsOwnFilesAreNoNotes()
    {
        QVERIFY(QFileInfo(folderOf(m_b) + QStringLiteral("/.stfolder")).isDir());
        QStringList seenOnDisk;
        QFileSystemWatcher watcher({folderOf(m_b)});
        connect(&watcher, &QFileSystemWatcher::directoryChanged, this, [&] {
            for (const QString &entry :
                 QDir(folderOf(m_b))
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
                if (isSyncthingsOwn(entry) && !seenOnDisk.contains(entry))
                    seenOnDisk.append(entry);
            }
            m_b.store->reload();
        });
        QString large;
        for (int line = 0; large.size() < 8'000'000; ++line)
            large += QStringLiteral("Line %1 of a long note, long enough to be sent in blocks.\n")
                         .arg(line);
        makeSharedNote(QStringLiteral("Large"), large);
        QVERIFY2(seenOnDisk.filter(QRegularExpression(QStringLiteral("^\\.syncthing\\..*\\.tmp$")))
                         .size()
                     > 0,
                 qPrintable(seenOnDisk.join(u", ")));
    }

private:
    struct Machine
    {
        QString name;
        std::unique_ptr<SyncthingPeer> peer;
        std::unique_ptr<NoteStore> store;
    };

    QString documentsOf(const Machine &machine) const
    {
        return m_machines.path() + u'/' + machine.name + QStringLiteral("/Documents");
    }
    QString folderOf(const Machine &machine) const
    {
        return documentsOf(machine) + QStringLiteral("/Penwick");
    }
    QString fileOf(const Machine &machine, const QString &fileName) const
    {
        return folderOf(machine) + u'/' + fileName;
    }

    bool waitConnected()
    {
        const QDeadlineTimer deadline(syncTimeoutMs);
        while (!deadline.hasExpired()) {
            const std::optional<QJsonObject> connections =
                m_a.peer->get(QStringLiteral("/rest/system/connections"));
            if (connections
                && connections->value(u"connections")[m_b.peer->deviceId()][u"connected"].toBool())
                return true;
            QTest::qWait(200);
        }
        m_why = QStringLiteral("the two instances did not connect\n%1\n%2")
                    .arg(m_a.peer->logTail(), m_b.peer->logTail());
        return false;
    }

    // Both instances have scanned their folders, pulled everything the other has, and agree on
    // the folder, twice in a row with nothing new in between: the stores had a moment to answer
    // what arrived, and whatever they wrote has gone across too.
    bool waitInSync()
    {
        const QDeadlineTimer deadline(syncTimeoutMs);
        QString lastRound;
        while (!deadline.hasExpired()) {
            const std::optional<QString> round = settledRound();
            if (round && *round == lastRound)
                return true;
            lastRound = round.value_or(QString());
            QTest::qWait(250);
        }
        m_why = QStringLiteral("not in sync after %1 s: %2").arg(syncTimeoutMs / 1000).arg(m_why);
        for (Machine *machine : {&m_a, &m_b}) {
            const std::optional<QJsonObject> errors =
                machine->peer->get(QStringLiteral("/rest/folder/errors?folder=") + folderId);
            m_why += QStringLiteral("\n%1's errors: %2\n%1's log:\n%3")
                         .arg(machine->name,
                              errors ? QJsonDocument(*errors).toJson(QJsonDocument::Compact)
                                     : machine->peer->error(),
                              machine->peer->logTail());
        }
        return false;
    }

    // The local sequence numbers of both when the folder is in sync on both, or nullopt.
    std::optional<QString> settledRound()
    {
        QString sequences;
        QStringList globals;
        for (Machine *machine : {&m_a, &m_b}) {
            Machine &other = machine == &m_a ? m_b : m_a;
            SyncthingPeer &peer = *machine->peer;
            const QString folderQuery = QStringLiteral("?folder=") + folderId;
            if (!peer.post(QStringLiteral("/rest/db/scan") + folderQuery)) {
                m_why = peer.error();
                return std::nullopt;
            }
            const std::optional<QJsonObject> status =
                peer.get(QStringLiteral("/rest/db/status") + folderQuery);
            const std::optional<QJsonObject> completion =
                peer.get(QStringLiteral("/rest/db/completion") + folderQuery
                         + QStringLiteral("&device=") + other.peer->deviceId());
            if (!status || !completion) {
                m_why = peer.error();
                return std::nullopt;
            }
            m_why = machine->name + QStringLiteral(": ")
                + QString::fromUtf8(QJsonDocument(*status).toJson(QJsonDocument::Compact))
                + QString::fromUtf8(QJsonDocument(*completion).toJson(QJsonDocument::Compact));
            const bool settled = status->value(u"state").toString() == u"idle"
                && status->value(u"needTotalItems").toInteger() == 0
                && status->value(u"pullErrors").toInteger() == 0
                && completion->value(u"completion").toDouble() == 100
                && completion->value(u"needItems").toInteger() == 0
                && completion->value(u"needDeletes").toInteger() == 0;
            if (!settled)
                return std::nullopt;
            sequences += QString::number(status->value(u"sequence").toInteger()) + u' ';
            globals.append(QStringLiteral("%1 %2 %3")
                               .arg(status->value(u"globalFiles").toInteger())
                               .arg(status->value(u"globalDeleted").toInteger())
                               .arg(status->value(u"globalBytes").toInteger()));
        }
        if (globals.first() != globals.last())
            return std::nullopt;
        return sequences;
    }

    bool sameNotesOnBoth()
    {
        const QMap<QString, QByteArray> onA = notesIn(folderOf(m_a));
        const QMap<QString, QByteArray> onB = notesIn(folderOf(m_b));
        if (onA == onB)
            return true;
        m_why = QStringLiteral("A has %1\nB has %2")
                    .arg(onA.keys().join(u", "), onB.keys().join(u", "));
        for (auto it = onA.cbegin(); it != onA.cend(); ++it) {
            if (onB.contains(it.key()) && onB.value(it.key()) != it.value())
                m_why += QStringLiteral("\n%1 differs").arg(it.key());
        }
        return false;
    }

    void verifyStoresFollowTheirFolders()
    {
        for (Machine *machine : {&m_a, &m_b}) {
            QTRY_COMPARE_WITH_TIMEOUT(sortedNamesOf(*machine->store),
                                      noteNamesIn(folderOf(*machine)), syncTimeoutMs);
        }
    }

    // Neither store holds an edit now, so each shows what its selected note's file holds.
    void verifyOpenNotesShowTheirFiles()
    {
        for (Machine *machine : {&m_a, &m_b}) {
            const std::optional<QString> selection = machine->store->selection();
            const QString file =
                selection ? fileOf(*machine, *selection + QStringLiteral(".md")) : QString();
            if (QFile::exists(file))
                QTRY_COMPARE_WITH_TIMEOUT(machine->store->text().toUtf8(), readFile(file),
                                          syncTimeoutMs);
        }
    }

    // A makes the note and writes the text; once it has reached B, both have it selected.
    void makeSharedNote(const QString &name, const QString &text)
    {
        NoteStore &a = *m_a.store;
        a.create(QStringLiteral("# Untitled\n\n"));
        a.rename(name);
        QCOMPARE(a.selection(), std::optional<QString>(name));
        a.setText(text);
        a.flush();
        QCOMPARE(readFile(fileOf(m_a, name + QStringLiteral(".md"))), text.toUtf8());
        QVERIFY2(waitInSync(), qPrintable(m_why));
        QTRY_VERIFY_WITH_TIMEOUT(namesOf(*m_b.store).contains(name), syncTimeoutMs);
        m_b.store->setSelection(name);
        QCOMPARE(m_b.store->text(), text);
    }

    // Types on the machine, a keystroke every 150 ms, until the condition holds and two more
    // keystrokes after it, so the edit is not yet written when the condition is first met.
    template<typename Condition>
    void typeUntil(Machine &machine, const QString &typed, Condition condition)
    {
        const QDeadlineTimer deadline(syncTimeoutMs);
        QString text = machine.store->text();
        for (const QChar character : typed) {
            text += character;
            machine.store->setText(text);
            QTest::qWait(keystrokeMs);
        }
        int after = 2;
        while (after > 0 && !deadline.hasExpired()) {
            if (condition())
                --after;
            text += u'.';
            machine.store->setText(text);
            QTest::qWait(keystrokeMs);
        }
        QVERIFY2(after == 0, "the change from the other machine did not arrive");
    }

    void noticeSyncthingsFiles(const NoteStore &store)
    {
        for (const QString &name : namesOf(store)) {
            if (isSyncthingsOwn(name) || name.endsWith(u".tmp"))
                m_listedSyncthingsFiles.append(name);
        }
    }

    Sandbox m_sandbox; // for the trash of deleted notes
    QTemporaryDir m_machines;
    Machine m_a {QStringLiteral("A"), nullptr, nullptr};
    Machine m_b {QStringLiteral("B"), nullptr, nullptr};
    QStringList m_listedSyncthingsFiles;
    QString m_why;
};

QTEST_GUILESS_MAIN(TestSync)
#include "tst_sync.moc"
