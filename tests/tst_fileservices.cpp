#include "platform/fileservices.h"
#include "sandbox.h"

#include <QTest>

class TestFileServices : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The file may change between the moment the caller looked and the write (a synchroniser
    // delivers versions at any instant): what the write displaces is handed back whenever it is
    // not what the caller saw, and the file holds the new bytes.
    void writeHandsBackWhatItDisplaced_data()
    {
        QTest::addColumn<QByteArray>("onDisk"); // empty: no file
        QTest::addColumn<QByteArray>("seen"); // empty: the caller saw no file
        QTest::addColumn<QByteArray>("displaced"); // empty: nothing handed back
        QTest::newRow("unchanged") << QByteArray("base") << QByteArray("base") << QByteArray();
        QTest::newRow("changed") << QByteArray("theirs") << QByteArray("base")
                                 << QByteArray("theirs");
        QTest::newRow("appeared") << QByteArray("theirs") << QByteArray() << QByteArray("theirs");
        QTest::newRow("vanished") << QByteArray() << QByteArray("base") << QByteArray();
        QTest::newRow("still absent") << QByteArray() << QByteArray() << QByteArray();
        // A long file is read in pieces of a size of its own, the digest taken in pieces of
        // another: a change in the last byte still tells.
        const QByteArray long_ = QByteArray("0123456789abcdef").repeated(100'000) + 'x';
        QTest::newRow("long, unchanged") << long_ << long_ << QByteArray();
        QTest::newRow("long, last byte changed") << long_ << long_.chopped(1) + 'y' << long_;
    }

    void writeHandsBackWhatItDisplaced()
    {
        QFETCH(QByteArray, onDisk);
        QFETCH(QByteArray, seen);
        QFETCH(QByteArray, displaced);
        Sandbox sandbox;
        QVERIFY(QDir().mkpath(sandbox.notesFolder()));
        if (!onDisk.isEmpty())
            sandbox.writeNote("a.md", onDisk);
        const std::optional<size_t> expected =
            seen.isEmpty() ? std::nullopt : std::optional<size_t>(fileservices::digest(seen));

        QString displacedPath;
        QString error;
        QVERIFY2(fileservices::writeBytesKeepingOther(sandbox.notePath("a.md"), "mine", expected,
                                                      &displacedPath, &error),
                 qPrintable(error));
        QCOMPARE(sandbox.readNote("a.md"), "mine");
        if (displaced.isEmpty()) {
            QCOMPARE(displacedPath, QString());
            QCOMPARE(sandbox.folderEntries(), QStringList {"a.md"});
        } else {
            const QString fileName = QFileInfo(displacedPath).fileName();
            QVERIFY2(fileName.startsWith(u'.') && fileName.endsWith(u".tmp"), qPrintable(fileName));
            QCOMPARE(sandbox.readNote(fileName), displaced);
            QCOMPARE(sandbox.folderEntries().size(), 2);
        }
    }
};

QTEST_GUILESS_MAIN(TestFileServices)
#include "tst_fileservices.moc"
