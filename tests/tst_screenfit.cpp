#include "app/contentview.h"
#include "sandbox.h"
#include "store/notestore.h"

#include <QApplication>
#include <QProcess>
#include <QScreen>
#include <QTest>

// The first window on screens of several sizes and scales. The scale is read once, when the
// application starts, so each screen is shown by a process of its own: this program again, on
// Qt's offscreen platform given that screen.
namespace {

constexpr char childVariable[] = "PENWICK_SCREENFIT_CHILD";

QString sizeText(const QSize &size)
{
    return QStringLiteral("%1 %2").arg(size.width()).arg(size.height());
}

QString rectText(const QRect &rect)
{
    return QStringLiteral("%1 %2 ").arg(rect.x()).arg(rect.y()) + sizeText(rect.size());
}

// Shows the first window and writes what the parent checks, one line each: the screen's
// available geometry, the window's frame, its smallest frame, and its content's minimum size.
int showFirstWindow(int argc, char *argv[])
{
    QApplication application(argc, argv);
    Sandbox sandbox;
    NoteStore store(sandbox.documents());
    ContentView window(&store);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 2;
    const QSize frame = window.frameGeometry().size() - window.geometry().size();
    QTextStream(stdout) << rectText(window.screen()->availableGeometry()) << '\n'
                        << rectText(window.frameGeometry()) << '\n'
                        << sizeText(window.minimumSize() + frame) << '\n'
                        << sizeText(window.centralWidget()->minimumSize()) << '\n';
    return 0;
}

QList<int> numbersOf(const QString &line)
{
    QList<int> numbers;
    for (const QString &word : line.split(u' ', Qt::SkipEmptyParts))
        numbers.append(word.toInt());
    return numbers;
}

} // namespace

class TestScreenFit : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void firstWindowFitsTheScreen_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QString>("scale");
        QTest::addColumn<bool>("roomy");
        QTest::newRow("1600x1000 at 200 %") << QSize(1600, 1000) << "2" << false;
        QTest::newRow("1280x720 at 150 %") << QSize(1280, 720) << "1.5" << false;
        QTest::newRow("1366x768 at 100 %") << QSize(1366, 768) << "1" << true;
        QTest::newRow("3840x2160 at 200 %") << QSize(3840, 2160) << "2" << true;
    }

    void firstWindowFitsTheScreen()
    {
        QFETCH(QSize, screen);
        QFETCH(QString, scale);
        QFETCH(bool, roomy);
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("screens.json"));
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral(R"({"screens": [{"name": "screen", "x": 0, "y": 0, )"
                                  R"("width": %1, "height": %2, "logicalDpi": 96}]})")
                       .arg(screen.width())
                       .arg(screen.height())
                       .toUtf8());
        file.close();

        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(childVariable), QStringLiteral("1"));
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
        child.setProcessEnvironment(environment);
        child.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("-platform"), QStringLiteral("offscreen:configfile=") + config});
        QVERIFY(child.waitForFinished(60'000));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 child.readAllStandardError().constData());
        const QStringList lines = QString::fromUtf8(child.readAllStandardOutput()).split(u'\n');
        QVERIFY2(lines.size() >= 4, qPrintable(lines.join(u'|')));
        const QList<int> available = numbersOf(lines[0]);
        const QList<int> frame = numbersOf(lines[1]);
        const QList<int> smallest = numbersOf(lines[2]);
        const QSize contentMinimum(numbersOf(lines[3])[0], numbersOf(lines[3])[1]);

        const QRect room(available[0], available[1], available[2], available[3]);
        QVERIFY2(room.contains(QRect(frame[0], frame[1], frame[2], frame[3])),
                 qPrintable(lines.join(u'|')));
        QVERIFY2(smallest[0] <= room.width() && smallest[1] <= room.height(),
                 qPrintable(lines.join(u'|')));
        // Where the screen has room, the content keeps its minimum of 900 by 500.
        if (roomy)
            QCOMPARE(contentMinimum, QSize(900, 500));
        else
            QVERIFY(contentMinimum.width() < 900 || contentMinimum.height() < 500);
    }
};

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet(childVariable))
        return showFirstWindow(argc, argv);
    QCoreApplication application(argc, argv);
    TestScreenFit test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screenfit.moc"
