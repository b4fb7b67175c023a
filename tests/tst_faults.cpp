#include "platform/fileservices.h"
#include "sandbox.h"
#include "store/notestore.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>

#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

// What a hostile disk or folder does to the store: every case must end with every byte the user
// typed and every byte another program wrote still somewhere on disk or in memory.

namespace {

constexpr int saveWaitMs = 3000;

// A tmpfs of a fixed size mounted over a folder, so that a disk really fills up.
class SmallDisk
{
public:
    SmallDisk(const QString &path, const QByteArray &size) : m_path(QFile::encodeName(path))
    {
        QDir().mkpath(path);
        m_mounted =
            ::mount("tmpfs", m_path.constData(), "tmpfs", 0, ("size=" + size).constData()) == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_path.constData(), MNT_DETACH);
    }
    bool isMounted() const { return m_mounted; }
    bool grow(const QByteArray &size)
    {
        return ::mount("tmpfs", m_path.constData(), "tmpfs", MS_REMOUNT,
                       ("size=" + size).constData())
            == 0;
    }

private:
    QByteArray m_path;
    bool m_mounted = false;
};

// A limit on the size of any file this process writes: writes stop short past it, with EFBIG
// rather than the signal that would end the test.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { lift(); }
    void lift()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_savedHandler);
    }

private:
    rlimit m_saved {};
    void (*m_savedHandler)(int) = SIG_DFL;
};

QString longText(qsizetype bytes)
{
    QString text;
    text.reserve(bytes);
    for (qsizetype line = 0; text.size() < bytes; ++line)
        text += QStringLiteral("Line %1 of a long note that keeps going.\n").arg(line);
    return text;
}

QStringList temporaryFilesIn(const Sandbox &sandbox)
{
    return sandbox.folderEntries().filter(QStringLiteral(".penwick-"));
}

// Runs the event loop until the autosave's temporary file is there, its write under way.
bool autosaveIsUnderWay(const Sandbox &sandbox)
{
    const QDeadlineTimer deadline(saveWaitMs);
    while (temporaryFilesIn(sandbox).isEmpty()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents();
    }
    return true;
}

QStringList filesHolding(const Sandbox &sandbox, const QByteArray &bytes)
{
    QStringList holding;
    for (const QString &entry : sandbox.folderEntries()) {
        if (sandbox.readNote(entry) == bytes)
            holding.append(entry);
    }
    return holding;
}

void makeRawFile(const QByteArray &path, const QByteArray &bytes)
{
    const int descriptor = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY(descriptor >= 0);
    QCOMPARE(::write(descriptor, bytes.constData(), bytes.size()), ssize_t(bytes.size()));
    ::close(descriptor);
}

QByteArray readRawFile(const QByteArray &path)
{
    const int descriptor = ::open(path.constData(), O_RDONLY);
    if (descriptor < 0)
        return "<missing>";
    QByteArray bytes(4096, '\0');
    const ssize_t count = ::read(descriptor, bytes.data(), bytes.size());
    ::close(descriptor);
    return bytes.first(qMax<ssize_t>(count, 0));
}

// QDir leaves out names it cannot decode, so the folder is read as the system has it.
int rawEntryCount(const QByteArray &folder)
{
    int count = 0;
    DIR *listing = ::opendir(folder.constData());
    while (const dirent *entry = listing ? ::readdir(listing) : nullptr)
        count += std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0;
    if (listing)
        ::closedir(listing);
    return count;
}

void makeSocket(const QString &path)
{
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(descriptor >= 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray nativePath = QFile::encodeName(path);
    QVERIFY(size_t(nativePath.size()) < sizeof address.sun_path);
    std::memcpy(address.sun_path, nativePath.constData(), nativePath.size());
    QCOMPARE(::bind(descriptor, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ::close(descriptor);
}

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void shortWriteLeavesTheNoteAndKeepsTheText_data()
    {
        QTest::addColumn<bool>("fullDisk"); // otherwise a file size limit
        QTest::newRow("full disk") << true;
        QTest::newRow("file size limit") << false;
    }

    void shortWriteLeavesTheNoteAndKeepsTheText()
    {
        QFETCH(bool, fullDisk);
        Sandbox sandbox;
        std::optional<SmallDisk> disk;
        if (fullDisk) {
            disk.emplace(sandbox.notesFolder(), "512k");
            if (!disk->isMounted())
                QSKIP("Mounting a tmpfs needs root");
        }
        const QByteArray before = "# Plan\n\nWhat was there before.\n";
        sandbox.writeNote("plan.md", before, minutesAgo(2));
        sandbox.writeNote("other.md", "other", minutesAgo(5));
        NoteStore store(sandbox.documents());
        QSignalSpy errors(&store, &NoteStore::errorOccurred);
        const QString typed = longText(700 * 1024);

        std::optional<FileSizeLimit> limit;
        if (!fullDisk)
            limit.emplace(64 * 1024);
        store.setText(typed);
        QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), saveWaitMs);
        const QString message = errors.first().first().toString();
        QVERIFY2(message.contains(fullDisk ? "No space left" : "too large"), qPrintable(message));
        QCOMPARE(sandbox.readNote("plan.md"), before);
        QCOMPARE(temporaryFilesIn(sandbox), QStringList());

        // The text cannot be dropped for another note while it is only in memory.
        store.setSelection(QStringLiteral("other"));
        QCOMPARE(store.selection(), std::optional<QString>("plan"));
        QCOMPARE(store.text(), typed);

        if (fullDisk)
            QVERIFY(disk->grow("4m"));
        else
            limit->lift();
        store.flush();
        QCOMPARE(sandbox.readNote("plan.md"), typed.toUtf8());
        QCOMPARE(sandbox.folderEntries(), (QStringList {"other.md", "plan.md"}));
        store.setSelection(QStringLiteral("other"));
        QCOMPARE(store.text(), "other");
    }

    void vanishedFolderIsMadeAgain_data()
    {
        QTest::addColumn<bool>("movedAway"); // otherwise removed
        QTest::newRow("removed") << false;
        QTest::newRow("moved away") << true;
    }

    void vanishedFolderIsMadeAgain()
    {
        QFETCH(bool, movedAway);
        Sandbox sandbox;
        sandbox.writeNote("a.md", "first");
        NoteStore store(sandbox.documents());
        const QString aside = sandbox.documents() + "/Penwick.old";
        if (movedAway)
            QVERIFY(QDir().rename(sandbox.notesFolder(), aside));
        else
            QVERIFY(QDir(sandbox.notesFolder()).removeRecursively());

        store.setText("typed after");
        QTRY_COMPARE_WITH_TIMEOUT(sandbox.readNote("a.md"), "typed after", saveWaitMs);
        if (movedAway)
            QCOMPARE(QFile(aside + "/a.md").size(), qint64(5));

        // The folder is followed again once it is back.
        store.create("# Untitled\n\n");
        QCOMPARE(store.selection(), std::optional<QString>("Untitled"));
        sandbox.writeNote("from outside.md", "x");
        QTRY_VERIFY_WITH_TIMEOUT(namesOf(store).contains("from outside"), saveWaitMs);
    }

    void fileInPlaceOfTheFolderIsReportedAndKept()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "first");
        NoteStore store(sandbox.documents());
        QSignalSpy errors(&store, &NoteStore::errorOccurred);
        QVERIFY(QDir(sandbox.notesFolder()).removeRecursively());
        putFileAt(sandbox.notesFolder());

        store.setText("typed");
        QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), saveWaitMs);
        QVERIFY2(errors.last().first().toString().contains("not a folder"),
                 qPrintable(errors.last().first().toString()));
        QVERIFY(QFileInfo(sandbox.notesFolder()).isFile());
        store.setSelection(std::nullopt);
        QCOMPARE(store.text(), "typed");

        QVERIFY(QFile::remove(sandbox.notesFolder()));
        store.flush();
        QCOMPARE(sandbox.readNote("a.md"), "typed");
    }

    void longNamesSaveAndKeepConflicts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("255 bytes") << QString(252, u'n');
        QTest::newRow("230 characters") << QString(230, u'c');
        QTest::newRow("two-byte characters") << QString(126, QChar(0xE9)); // é, 252 bytes
        QTest::newRow("emoji") << QString(63, u'x') + QString::fromUtf8("👩‍💻").repeated(12);
    }

    void longNamesSaveAndKeepConflicts()
    {
        QFETCH(QString, name);
        const QString fileName = name + ".md";
        QVERIFY(fileName.toUtf8().size() <= fileservices::maxFileNameBytes);
        Sandbox sandbox;
        sandbox.writeNote(fileName, "original");
        NoteStore store(sandbox.documents());
        QCOMPARE(store.selection(), std::optional<QString>(name));

        store.setText("mine");
        store.flush();
        QCOMPARE(sandbox.readNote(fileName), "mine");

        // Another program's version and an unsaved edit at once: both are kept.
        store.setText("mine, edited");
        sandbox.writeNote(fileName, "theirs");
        store.flush();
        QCOMPARE(sandbox.readNote(fileName), "mine, edited");
        const QStringList copies = sandbox.folderEntries().filter(" (conflict ");
        QCOMPARE(copies.size(), 1);
        QVERIFY(copies.first().toUtf8().size() <= fileservices::maxFileNameBytes);
        QVERIFY(name.startsWith(copies.first().section(" (conflict ", 0, 0)));
        QCOMPARE(sandbox.readNote(copies.first()), "theirs");
        QCOMPARE(temporaryFilesIn(sandbox), QStringList());
    }

    void oddEntriesAreReadOnlyAndNeverBlock_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("named pipe") << "fifo"
                                    << "named pipe";
        QTest::newRow("socket") << "socket"
                                << "socket";
        QTest::newRow("link to a device") << "device"
                                          << "device";
        QTest::newRow("directory") << "directory"
                                   << "folder";
    }

    void oddEntriesAreReadOnlyAndNeverBlock()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        Sandbox sandbox;
        sandbox.writeNote("plain.md", "plain", minutesAgo(10));
        const QString path = sandbox.notePath("x.md");
        if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        else if (kind == "socket")
            makeSocket(path);
        else if (kind == "device")
            QVERIFY(QFile::link("/dev/zero", path));
        else
            QVERIFY(QDir().mkpath(path));

        // A pipe or socket made now is the newest note, which the store opens at start.
        NoteStore store(sandbox.documents());
        store.setSelection(QStringLiteral("x"));
        QVERIFY(!store.isEditable());
        QVERIFY2(store.readOnlyReason().contains(reason), qPrintable(store.readOnlyReason()));
        store.setText("typed into it");
        store.setSelection(QStringLiteral("plain"));
        QCOMPARE(store.text(), "plain");
        QCOMPARE(sandbox.folderEntries(), (QStringList {"plain.md", "x.md"}));
        QVERIFY(!QFileInfo(path).isFile());
    }

    void nameThatIsNotUtf8IsShownAndNeverDoubled()
    {
        Sandbox sandbox;
        sandbox.writeNote("plain.md", "plain", minutesAgo(10));
        const QByteArray rawPath =
            QFile::encodeName(sandbox.notesFolder()) + "/bad\xff\xfe name.md";
        makeRawFile(rawPath, "kept as it is");

        NoteStore store(sandbox.documents());
        QCOMPARE(store.notes().size(), 2);
        const QString shownName = store.notes().first().name;
        QCOMPARE(store.selection(), std::optional<QString>(shownName));
        QCOMPARE(store.text(), "kept as it is");
        QVERIFY(!store.isEditable());
        QVERIFY2(store.readOnlyReason().contains("UTF-8"), qPrintable(store.readOnlyReason()));
        store.setText("typed");
        store.flush();
        QCOMPARE(store.notes().size(), 2);
        QCOMPARE(rawEntryCount(QFile::encodeName(sandbox.notesFolder())), 2);
        QCOMPARE(readRawFile(rawPath), "kept as it is");

        // A new name is the way to edit it.
        store.rename("good");
        QCOMPARE(store.selection(), std::optional<QString>("good"));
        QVERIFY(store.isEditable());
        QCOMPARE(sandbox.readNote("good.md"), "kept as it is");
        QCOMPARE(readRawFile(rawPath), "<missing>");
    }

    void twinNamesEachKeepTheirFile()
    {
        Sandbox sandbox;
        const QString composed = QStringLiteral("caf\u00E9");
        const QString decomposed = QStringLiteral("cafe\u0301");
        sandbox.writeNote(composed + ".md", "composed", minutesAgo(1));
        sandbox.writeNote(decomposed + ".md", "decomposed", minutesAgo(2));
        NoteStore store(sandbox.documents());
        QCOMPARE(namesOf(store), (QStringList {composed, decomposed}));
        QCOMPARE(store.text(), "composed");

        store.setSelection(decomposed);
        QCOMPARE(store.text(), "decomposed");
        store.setText("decomposed, edited");
        store.setSelection(composed);
        QCOMPARE(store.text(), "composed");
        store.setText("composed, edited");
        store.flush();
        QCOMPARE(sandbox.readNote(composed + ".md"), "composed, edited");
        QCOMPARE(sandbox.readNote(decomposed + ".md"), "decomposed, edited");
    }

    // The autosave writes beside the event loop. Whatever comes meanwhile waits for that write, so
    // an older text never lands after a newer one and no version is written over unkept.
    void whileAnAutosaveIsWritten_data()
    {
        QTest::addColumn<QString>("then");
        QTest::newRow("edit, flush") << "flush";
        QTest::newRow("edit, select another note") << "select";
        QTest::newRow("edit, pause") << "pause";
        QTest::newRow("edit, rename") << "rename";
        QTest::newRow("delete") << "delete";
        QTest::newRow("another program writes") << "theirs";
        QTest::newRow("the write fails, edit") << "fail";
    }

    void whileAnAutosaveIsWritten()
    {
        QFETCH(QString, then);
        Sandbox sandbox;
        sandbox.writeNote("a.md", "a", minutesAgo(1));
        sandbox.writeNote("b.md", "b", minutesAgo(2));
        NoteStore store(sandbox.documents());
        QSignalSpy errors(&store, &NoteStore::errorOccurred);
        // Long enough that encoding, writing and syncing it take a while.
        const QString older = longText(8 << 20);
        const QString newer = older + QStringLiteral("and a last line.\n");
        std::optional<FileSizeLimit> limit;
        if (then == "fail")
            limit.emplace(1 << 20);
        store.setText(older);
        if (then == "fail")
            QTRY_VERIFY_WITH_TIMEOUT(!errors.isEmpty(), saveWaitMs);
        else
            QVERIFY(autosaveIsUnderWay(sandbox));

        QString file = QStringLiteral("a.md");
        if (then == "flush") {
            store.setText(newer);
            store.flush();
            QCOMPARE(sandbox.readNote(file), newer.toUtf8());
        } else if (then == "select") {
            store.setText(newer);
            store.setSelection(QStringLiteral("b"));
            QCOMPARE(sandbox.readNote(file), newer.toUtf8());
            QCOMPARE(store.text(), "b");
        } else if (then == "pause" || then == "fail") {
            store.setText(newer);
            if (limit)
                limit->lift();
            QTRY_COMPARE_WITH_TIMEOUT(sandbox.readNote(file), newer.toUtf8(), saveWaitMs);
        } else if (then == "rename") {
            store.setText(newer);
            store.rename(QStringLiteral("c"));
            file = QStringLiteral("c.md");
            QCOMPARE(sandbox.readNote(file), newer.toUtf8());
        } else if (then == "delete") {
            store.deleteSelected();
        } else if (then == "theirs") {
            sandbox.writeNote(file, "theirs");
        }
        QTest::qWait(1500); // for any write or look at the folder still to come

        QCOMPARE(temporaryFilesIn(sandbox), QStringList());
        if (then == "delete") {
            QCOMPARE(sandbox.folderEntries(), QStringList {"b.md"});
        } else if (then == "theirs") {
            // Theirs came before the write took the file's place, and is kept beside it; or after,
            // and the store shows it.
            QCOMPARE(filesHolding(sandbox, "theirs").size(), 1);
            QCOMPARE(store.text().toUtf8(), sandbox.readNote(file));
        } else {
            QStringList files {file, "b.md"};
            files.sort();
            QCOMPARE(sandbox.folderEntries(), files);
            QCOMPARE(sandbox.readNote(file), newer.toUtf8());
            QCOMPARE(errors.size(), then == "fail" ? 1 : 0);
        }
    }

    void savesKeepPermissionsAndLeaveNoTemporaryFile()
    {
        Sandbox sandbox;
        sandbox.writeNote("private.md", "secret");
        QVERIFY(QFile::setPermissions(sandbox.notePath("private.md"),
                                      QFile::ReadOwner | QFile::WriteOwner));
        NoteStore store(sandbox.documents());
        store.setText("still secret");
        store.flush();
        QCOMPARE(sandbox.readNote("private.md"), "still secret");
        struct stat status;
        QCOMPARE(::stat(QFile::encodeName(sandbox.notePath("private.md")).constData(), &status), 0);
        QCOMPARE(status.st_mode & 0777, 0600u);
        QCOMPARE(sandbox.folderEntries(), QStringList {"private.md"});
    }
};

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
