#include "sandbox.h"
#include "store/notestore.h"

#include <QDirIterator>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <cstdio>
#include <sys/mount.h>

// A long random run of everything a user and other programs do to the notes folder, checking
// after every step that nothing anyone wrote was lost. Every piece of text written carries a
// token of its own ("u12" typed by the user, "o7" written by another program), so a loss shows
// as a token that is nowhere to be found: not in a note, a conflict copy, the trash, a folder
// moved aside, or the store's unsaved text.

namespace {

using Tokens = QSet<QString>;

Tokens tokensIn(const QString &text)
{
    static const QRegularExpression token(QStringLiteral("\\b[uo]\\d+\\b"));
    Tokens found;
    for (auto match = token.globalMatch(text); match.hasNext();)
        found.insert(match.next().captured());
    return found;
}

Tokens tokensInFile(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    return tokensIn(QString::fromUtf8(file.readAll()));
}

class Soak
{
public:
    Soak(quint32 seed, const Sandbox &sandbox, const QString &home)
        : m_random(seed), m_sandbox(sandbox), m_home(home)
    { }

    void run(NoteStore &store, int steps)
    {
        m_store = &store;
        for (int step = 0; step < steps; ++step) {
            const QString operation = randomStep();
            const Tokens missing = required() - everywhere();
            if (!missing.isEmpty()) {
                const QStringList lost(missing.cbegin(), missing.cend());
                QFAIL(qPrintable(QStringLiteral("step %1 (%2) lost %3")
                                     .arg(step)
                                     .arg(operation, lost.join(u' '))));
            }
        }
        settle();
    }

    int outsideWrites() const { return m_outside; }

private:
    // Ends as a user quitting would: disk space back, pending text written. Then every token
    // must be in a file.
    void settle()
    {
        freeDisk();
        m_store->flush();
        QVERIFY(!m_store->hasUnsavedText());
        const Tokens missing = required() - onDisk();
        QVERIFY2(missing.isEmpty(),
                 qPrintable(QStringList(missing.cbegin(), missing.cend()).join(u' ')));
    }

    QString randomStep()
    {
        const int roll = m_random.bounded(1000);
        if (roll < 300)
            return type();
        if (roll < 320)
            return wait(600);
        if (roll < 420)
            return wait(m_random.bounded(5, 120));
        if (roll < 520)
            return selectSome();
        if (roll < 550)
            return create();
        if (roll < 580)
            return renameSelected();
        if (roll < 600)
            return deleteSelected();
        if (roll < 650)
            return flush();
        if (roll < 800)
            return writeOutside();
        if (roll < 840)
            return createOutside();
        if (roll < 870)
            return removeOutside();
        if (roll < 900)
            return renameOutside();
        if (roll < 906)
            return removeFolder();
        if (roll < 912)
            return moveFolderAside();
        if (roll < 930)
            return fillDisk();
        return freeDisk();
    }

    QString type()
    {
        const auto selection = m_store->selection();
        if (!selection || !m_store->isEditable() || !isListed(*selection))
            return QStringLiteral("no typing");
        const QString token = QStringLiteral("u%1").arg(++m_tokens);
        m_required.insert(token);
        m_store->setText(m_store->text() + u' ' + token);
        return QStringLiteral("type ") + token;
    }

    QString wait(int ms)
    {
        QTest::qWait(ms);
        return QStringLiteral("wait %1 ms").arg(ms);
    }

    QString selectSome()
    {
        const QList<Note> &notes = m_store->notes();
        if (notes.isEmpty())
            return QStringLiteral("nothing to select");
        const QString name = notes[m_random.bounded(int(notes.size()))].name;
        m_store->setSelection(name);
        return QStringLiteral("select ") + name;
    }

    QString create()
    {
        m_store->create(QStringLiteral("# Untitled\n\n"));
        return QStringLiteral("create");
    }

    QString renameSelected()
    {
        const QString name = QStringLiteral("r%1").arg(m_random.bounded(20));
        m_store->rename(name);
        return QStringLiteral("rename to ") + name;
    }

    // Deleting drops an edit not yet written, by design; everything on disk goes to the trash.
    QString deleteSelected()
    {
        const Tokens unsaved = m_store->hasUnsavedText() ? tokensIn(m_store->text()) : Tokens();
        m_store->deleteSelected();
        m_required -= unsaved - everywhere();
        return QStringLiteral("delete");
    }

    QString flush()
    {
        m_store->flush();
        return QStringLiteral("flush");
    }

    // Another program replaces a note, in place or by renaming a new file over it. What it
    // replaces is its own business; what Penwick holds unsaved must survive it.
    QString writeOutside()
    {
        const QString path = randomNotePath();
        if (path.isEmpty())
            return createOutside();
        const QString token = QStringLiteral("o%1").arg(++m_tokens);
        const bool byRename = m_random.bounded(2);
        forgetWhatOnlyThisFileHeld(path);
        m_required.insert(token);
        const QString target = byRename ? m_sandbox.notesFolder() + "/.outside.tmp" : path;
        if (!writeFile(target, "outside " + token.toUtf8() + '\n')) {
            m_required.remove(token);
            return QStringLiteral("outside write failed");
        }
        if (byRename)
            std::rename(QFile::encodeName(target).constData(), QFile::encodeName(path).constData());
        ++m_outside;
        return QStringLiteral("outside %1 %2").arg(byRename ? "replace" : "write", token);
    }

    QString createOutside()
    {
        const QString token = QStringLiteral("o%1").arg(++m_tokens);
        const QString path = m_sandbox.notePath(QStringLiteral("outside %1.md").arg(token));
        if (!QDir().mkpath(m_sandbox.notesFolder()) || !writeFile(path, token.toUtf8()))
            return QStringLiteral("outside create failed");
        m_required.insert(token);
        ++m_outside;
        return QStringLiteral("outside create ") + token;
    }

    QString removeOutside()
    {
        const QString path = randomNotePath();
        if (path.isEmpty())
            return QStringLiteral("nothing to remove");
        forgetWhatOnlyThisFileHeld(path);
        QFile::remove(path);
        ++m_outside;
        return QStringLiteral("outside remove ") + path;
    }

    QString renameOutside()
    {
        const QString path = randomNotePath();
        if (path.isEmpty())
            return QStringLiteral("nothing to rename");
        const QString to = m_sandbox.notePath(QStringLiteral("moved %1.md").arg(++m_tokens));
        QFile::rename(path, to);
        ++m_outside;
        return QStringLiteral("outside rename ") + path;
    }

    QString removeFolder()
    {
        forgetWhatOnlyThisFileHeld(m_sandbox.notesFolder());
        QDir(m_sandbox.notesFolder()).removeRecursively();
        ++m_outside;
        return QStringLiteral("folder removed");
    }

    QString moveFolderAside()
    {
        const QString aside = m_home + QStringLiteral("/aside %1").arg(++m_tokens);
        QDir().rename(m_sandbox.notesFolder(), aside);
        ++m_outside;
        return QStringLiteral("folder moved aside");
    }

    // A big file of another program's fills the small disk the test runs on.
    QString fillDisk()
    {
        QFile ballast(m_home + QStringLiteral("/ballast"));
        if (!ballast.open(QIODevice::Append))
            return QStringLiteral("no ballast");
        const QByteArray block(64 * 1024, 'x');
        while (ballast.write(block) == block.size() && ballast.flush()) { }
        return QStringLiteral("disk filled");
    }

    QString freeDisk()
    {
        QFile::remove(m_home + QStringLiteral("/ballast"));
        return QStringLiteral("disk freed");
    }

    bool writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            && file.write(bytes) == bytes.size() && file.flush();
    }

    // For a file, or a folder and everything in it.
    void forgetWhatOnlyThisFileHeld(const QString &path)
    {
        m_required -= (everywhere() - everywhere(path));
    }

    bool isListed(const QString &name) const
    {
        return std::any_of(m_store->notes().cbegin(), m_store->notes().cend(),
                           [&name](const Note &note) { return note.name == name; });
    }

    QStringList notePaths() const
    {
        QStringList paths;
        for (const QString &entry : m_sandbox.folderEntries()) {
            if (entry.endsWith(u".md"))
                paths.append(m_sandbox.notePath(entry));
        }
        return paths;
    }

    QString randomNotePath()
    {
        const QStringList paths = notePaths();
        return paths.isEmpty() ? QString() : paths[m_random.bounded(int(paths.size()))];
    }

    Tokens required() const { return m_required; }

    // Every token in a file anywhere under the home: notes, conflict copies, the trash and the
    // folders moved aside; but for one file or folder, when given.
    Tokens onDisk(const QString &except = QString()) const
    {
        Tokens found;
        QDirIterator files(m_home, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            const bool excepted =
                !except.isEmpty() && (path == except || path.startsWith(except + u'/'));
            if (!excepted && !path.endsWith(u"ballast"))
                found += tokensInFile(path);
        }
        return found;
    }

    Tokens everywhere(const QString &except = QString()) const
    {
        Tokens found = onDisk(except);
        if (m_store->hasUnsavedText())
            found += tokensIn(m_store->text());
        return found;
    }

    QRandomGenerator m_random;
    const Sandbox &m_sandbox;
    QString m_home;
    NoteStore *m_store = nullptr;
    Tokens m_required;
    int m_tokens = 0;
    int m_outside = 0;
};

// A small tmpfs over the whole home, so that the disk can really fill up and the trash is on
// the same file system as the notes.
class SmallHome
{
public:
    explicit SmallHome(const QString &home) : m_path(QFile::encodeName(home))
    {
        m_mounted = ::mount("tmpfs", m_path.constData(), "tmpfs", 0, "size=8m") == 0;
    }
    ~SmallHome()
    {
        if (m_mounted)
            ::umount2(m_path.constData(), MNT_DETACH);
    }

private:
    QByteArray m_path;
    bool m_mounted = false;
};

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void nothingAnyoneWroteIsLost_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::newRow("seed 1") << 1u;
        QTest::newRow("seed 2") << 2u;
        QTest::newRow("seed 3") << 3u;
    }

    void nothingAnyoneWroteIsLost()
    {
        QFETCH(quint32, seed);
        Sandbox sandbox;
        const QString home = QFileInfo(sandbox.documents()).path();
        SmallHome smallDisk(home);
        sandbox.writeNote("first.md", "# First\n");
        NoteStore store(sandbox.documents());
        Soak soak(seed, sandbox, home);
        soak.run(store, 1000);
        qInfo("%d outside writes", soak.outsideWrites());
    }
};

QTEST_GUILESS_MAIN(TestSoak)
#include "tst_soak.moc"
