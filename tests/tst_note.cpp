#include "store/note.h"

#include <QTest>

class TestNote : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void nameForFileName_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("name"); // null when the entry is not a note

        QTest::newRow("plain") << "Ideas.md"
                               << "Ideas";
        QTest::newRow("upper extension") << "Plan.MD"
                                         << "Plan";
        QTest::newRow("mixed extension") << "draft.Md"
                                         << "draft";
        QTest::newRow("inner dot") << "notes.old.md"
                                   << "notes.old";
        QTest::newRow("hidden") << ".hidden.md"
                                << ".hidden";
        QTest::newRow("only the extension") << ".md" << QString();
        QTest::newRow("other extension") << "list.markdown" << QString();
        QTest::newRow("md inside the name") << "md" << QString();
        QTest::newRow("no extension") << "README" << QString();
        QTest::newRow("extension then more") << "a.md.txt" << QString();
        QTest::newRow("non-Latin") << QStringLiteral("日記.md") << QStringLiteral("日記");
    }

    void nameForFileName()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, name);
        const std::optional<QString> found = noteNameForFileName(fileName);
        QCOMPARE(found.has_value(), !name.isNull());
        if (found) {
            QCOMPARE(*found, name);
            QCOMPARE(noteNameForFileName(fileNameForNoteName(name)), found);
        }
    }

    void canonicalEquivalence()
    {
        const QString composed = QStringLiteral("caf\u00e9");
        const QString decomposed = QStringLiteral("cafe\u0301");
        QVERIFY(sameNoteName(composed, decomposed));
        QVERIFY(!sameNoteName(composed, QStringLiteral("cafe")));

        const QUrl url = QUrl::fromLocalFile(QStringLiteral("/n/caf\u00e9.md"));
        const QDateTime date = QDateTime::fromSecsSinceEpoch(1000);
        const Note a {composed, url, date};
        const Note b {decomposed, url, date};
        QCOMPARE(a, b);
        QCOMPARE(qHash(a), qHash(b));
        QVERIFY(!(a == Note {composed, url, date.addSecs(1)}));
        QCOMPARE(a.id(), composed);
    }
};

QTEST_GUILESS_MAIN(TestNote)
#include "tst_note.moc"
