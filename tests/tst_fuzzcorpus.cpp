#include "fuzz/fuzzchecks.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

using Check = QString (*)(QByteArrayView);

struct Target
{
    const char *name;
    Check check;
};

const Target targets[] = {
    {"parse", fuzz::checkParse},
    {"inline", fuzz::checkParseInline},
    {"incremental", fuzz::checkIncremental},
};

QByteArray repeated(const QByteArray &piece, qsizetype size)
{
    return piece.repeated(size / piece.size());
}

// Notes that once froze or crashed the program, too big to keep as files. The incremental
// target also gets an edit in the middle of each.
QList<std::pair<const char *, QByteArray>> hostileNotes()
{
    constexpr qsizetype megabyte = 1024 * 1024;
    return {
        {"a line of 5 MB", QByteArray(5 * megabyte, 'a')},
        {"emphasis repeated to 5 MB", repeated("_a_ ", 5 * megabyte)},
        {"entities repeated 100,000 times", repeated("&amp;&#1234;&notanentity;", 100000 * 25)},
        {"stars repeated to 1 MB", QByteArray(megabyte, '*')},
        {"brackets repeated to 1 MB", repeated("[a](", megabyte)},
        {"quote lines to 5 MB", repeated("> *q* ~x~\n", 5 * megabyte)},
    };
}

QByteArray withEditInTheMiddle(const QByteArray &note)
{
    // The edit's position is two bytes, so it lands within the first 64 KiB characters.
    return note + QByteArray("\xfe\xff\x7f\x03*x_\n# h", 10);
}

} // namespace

// Replays what the fuzzers found (and their seeds) through the same checks, in the normal build.
class TestFuzzCorpus : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void replay_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<QByteArray>("input");

        const QDir fuzzDir(QStringLiteral(PENWICK_FUZZ_DIR));
        for (int target = 0; target < int(std::size(targets)); ++target) {
            const QString name = QString::fromLatin1(targets[target].name);
            QStringList files;
            for (const QString &folder :
                 {QStringLiteral("corpus/") + name, QStringLiteral("regression")}) {
                const QDir dir(fuzzDir.filePath(folder));
                for (const QString &file : dir.entryList(QDir::Files, QDir::Name))
                    files.append(dir.filePath(file));
            }
            QVERIFY2(!files.isEmpty(), qPrintable(name));
            for (const QString &path : files) {
                QFile file(path);
                QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
                QTest::addRow("%s %s", targets[target].name,
                              qPrintable(fuzzDir.relativeFilePath(path)))
                    << target << file.readAll();
            }
            for (const auto &[description, note] : hostileNotes())
                QTest::addRow("%s %s", targets[target].name, description)
                    << target << (target == 2 ? withEditInTheMiddle(note) : note);
        }
    }

    void replay()
    {
        QFETCH(int, target);
        QFETCH(QByteArray, input);
        const QString fault = targets[target].check(input);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }
};

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"
