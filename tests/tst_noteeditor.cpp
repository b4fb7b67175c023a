#include "app/noteeditor.h"

#include <QFontDatabase>
#include <QImage>
#include <QTest>
#include <QTextLayout>

namespace {

const QString arabic = QStringLiteral("مرحبا بالعالم، هذا نص عربي");
const QString hebrew = QStringLiteral("שלום עולם");
const QString mixed = QStringLiteral("mixed: abc مرحبا def");
const QString hebrewThenLatin = QStringLiteral("שלום and then English");
const QString clusters = QStringLiteral("a👩‍💻b👍🏽c🇩🇪d");

long send(NoteEditor &editor, unsigned int message, unsigned long wParam = 0, long lParam = 0)
{
    return editor.SendScintilla(message, wParam, lParam);
}

long caret(NoteEditor &editor)
{
    return send(editor, QsciScintillaBase::SCI_GETCURRENTPOS);
}

int xOf(NoteEditor &editor, long position)
{
    return int(send(editor, QsciScintillaBase::SCI_POINTXFROMPOSITION, 0, position));
}

bool isInk(QRgb pixel)
{
    return qGray(pixel) < 128;
}

// The dark pixels drawn in one text line's row, within the columns [left, right).
int inkIn(const QImage &image, int line, int lineHeight, int left = 0, int right = INT_MAX)
{
    int ink = 0;
    for (int y = line * lineHeight; y < (line + 1) * lineHeight && y < image.height(); ++y) {
        for (int x = std::max(left, 0); x < std::min(right, image.width()); ++x)
            ink += isInk(image.pixel(x, y));
    }
    return ink;
}

// The first and last columns with ink in one text line's row.
std::pair<int, int> inkExtent(const QImage &image, int line, int lineHeight)
{
    int first = image.width();
    int last = -1;
    for (int y = line * lineHeight; y < (line + 1) * lineHeight; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (isInk(image.pixel(x, y))) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
        }
    }
    return {first, last};
}

class Shown
{
public:
    explicit Shown(const QString &text)
    {
        editor.resize(700, 300);
        editor.setNoteText(text, false);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
    }
    QImage picture() { return editor.grab().toImage(); }
    int lineHeight() { return int(send(editor, QsciScintillaBase::SCI_TEXTHEIGHT)); }

    NoteEditor editor;
};

} // namespace

class TestNoteEditor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eachLineLeavesInkInItsOwnRow_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("Latin") << QStringLiteral("Latin line");
        QTest::newRow("Arabic") << arabic;
        QTest::newRow("Hebrew") << hebrew;
        QTest::newRow("Latin with Arabic inside") << mixed;
        QTest::newRow("Hebrew, then Latin") << hebrewThenLatin;
        QTest::newRow("emoji clusters") << clusters;
    }

    // A line between two Latin lines, and a blank line after it, so that ink drawn in the
    // wrong row shows.
    void eachLineLeavesInkInItsOwnRow()
    {
        QFETCH(QString, line);
        Shown shown("above\n" + line + "\n\nbelow");
        const QImage picture = shown.picture();
        const int height = shown.lineHeight();
        QVERIFY(inkIn(picture, 0, height) > 0);
        QVERIFY2(inkIn(picture, 1, height) > 0, "the line is drawn blank");
        QCOMPARE(inkIn(picture, 2, height), 0);
        QVERIFY(inkIn(picture, 3, height) > 0);
        // Left-aligned, as the Latin line above.
        QVERIFY(inkExtent(picture, 1, height).first < inkExtent(picture, 0, height).first + 8);
    }

    // Right-to-left text is drawn in stored order from the left, where the caret puts each
    // character. In ".לילה" ("night"), the full stop's span holds a dot on the baseline and
    // nothing above it, and the lamed's ascender rises in the second span, not in the last.
    void storedOrderIsDrawnFromTheLeft()
    {
        Shown shown(QStringLiteral(".לילה"));
        send(shown.editor, QsciScintillaBase::SCI_DOCUMENTEND); // the caret out of the way
        // Only the text's own columns: no caret, no scroll bar.
        const int textRight = xOf(shown.editor, 9);
        const QImage row = shown.picture().copy(0, 0, textRight, shown.lineHeight());
        auto span = [&](long position) {
            return std::pair {xOf(shown.editor, position), xOf(shown.editor, position + 2)};
        };
        const int fullStopRight = xOf(shown.editor, 1);
        const QImage top = row.copy(0, 0, row.width(), row.height() / 2);
        QCOMPARE(inkIn(top, 0, top.height(), xOf(shown.editor, 0), fullStopRight), 0);
        QVERIFY(inkIn(row, 0, row.height(), xOf(shown.editor, 0), fullStopRight) > 0);

        int highest = 0;
        while (highest < row.height() && inkIn(row.copy(0, highest, row.width(), 1), 0, 1) == 0)
            ++highest;
        const QImage ascenders = row.copy(0, highest, row.width(), 2);
        const auto [lamedLeft, lamedRight] = span(1);
        const auto [heLeft, heRight] = span(7);
        QVERIFY(inkIn(ascenders, 0, 2, lamedLeft, lamedRight) > 0);
        QCOMPARE(inkIn(ascenders, 0, 2, heLeft, heRight), 0);
    }

    void caretMeetsTheDrawnText_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("Arabic") << arabic;
        QTest::newRow("Hebrew") << hebrew;
        QTest::newRow("Latin with Arabic inside") << mixed;
        QTest::newRow("Hebrew, then Latin") << hebrewThenLatin;
    }

    // Walking the line with the arrow keys, the caret passes every character drawn: each step
    // moves right, each character's span holds ink, and the end of the line is where its ink
    // ends. Clicks and selections use the same positions.
    void caretMeetsTheDrawnText()
    {
        QFETCH(QString, line);
        Shown shown(line);
        NoteEditor &editor = shown.editor;
        const QImage picture = shown.picture();
        const auto [firstInk, lastInk] = inkExtent(picture, 0, shown.lineHeight());

        QTest::keyClick(&editor, Qt::Key_Home);
        QVERIFY(xOf(editor, caret(editor)) <= firstInk + 1);
        for (qsizetype index = 0; index < line.size(); ++index) {
            const long before = caret(editor);
            QTest::keyClick(&editor, Qt::Key_Right);
            const long after = caret(editor);
            QCOMPARE(after - before, line.sliced(index, 1).toUtf8().size());
            QVERIFY(xOf(editor, after) > xOf(editor, before));
            if (!line[index].isSpace()) {
                QVERIFY2(
                    inkIn(picture, 0, shown.lineHeight(), xOf(editor, before), xOf(editor, after))
                        > 0,
                    qPrintable(QStringLiteral("nothing drawn for character %1").arg(index)));
            }
        }
        QCOMPARE(caret(editor), line.toUtf8().size());
        QVERIFY(std::abs(xOf(editor, caret(editor)) - lastInk) <= 3);
    }

    void caretStepsOverClusters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("key");
        QTest::addColumn<QList<long>>("stops");
        // Bytes: 👩 4, zero-width joiner 3, 💻 4, 👍 4, 🏽 4, each regional indicator 4.
        QTest::newRow("right over a joined emoji, a skin tone and a flag")
            << clusters << int(Qt::Key_Right) << QList<long> {0, 1, 12, 13, 21, 22, 30, 31};
        QTest::newRow("and left back")
            << clusters << int(Qt::Key_Left) << QList<long> {31, 30, 22, 21, 13, 12, 1, 0};
        QTest::newRow("two flags in a row")
            << QStringLiteral("🇩🇪🇫🇷") << int(Qt::Key_Right) << QList<long> {0, 8, 16};
        QTest::newRow("a letter with a combining accent")
            << QStringLiteral("e\u0301x") << int(Qt::Key_Right) << QList<long> {0, 3, 4};
        QTest::newRow("Hebrew, a letter at a time")
            << hebrew.first(4) << int(Qt::Key_Left) << QList<long> {8, 6, 4, 2, 0};
    }

    void caretStepsOverClusters()
    {
        QFETCH(QString, text);
        QFETCH(int, key);
        QFETCH(QList<long>, stops);
        Shown shown(text);
        send(shown.editor, QsciScintillaBase::SCI_GOTOPOS, stops.first());
        for (qsizetype stop = 1; stop < stops.size(); ++stop) {
            QTest::keyClick(&shown.editor, Qt::Key(key));
            QCOMPARE(caret(shown.editor), stops[stop]);
        }
    }

    void shiftArrowSelectsAWholeCluster()
    {
        Shown shown(clusters);
        send(shown.editor, QsciScintillaBase::SCI_GOTOPOS, 1);
        QTest::keyClick(&shown.editor, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(shown.editor.selectedText(), QStringLiteral("👩‍💻"));
        QTest::keyClick(&shown.editor, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(shown.editor.selectedText(), QStringLiteral("👩‍💻b"));
    }

    void erasingTakesAWholeCluster_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<long>("position");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("left");
        QTest::newRow("backspace after a joined emoji")
            << clusters << 12L << int(Qt::Key_Backspace) << QStringLiteral("ab👍🏽c🇩🇪d");
        QTest::newRow("backspace after a skin tone") << clusters << 21L << int(Qt::Key_Backspace)
                                                     << QStringLiteral("a👩‍💻bc🇩🇪d");
        QTest::newRow("delete before a flag")
            << clusters << 22L << int(Qt::Key_Delete) << QStringLiteral("a👩‍💻b👍🏽cd");
        QTest::newRow("backspace after an accent takes the accent only")
            << QStringLiteral("e\u0301x") << 3L << int(Qt::Key_Backspace) << QStringLiteral("ex");
        QTest::newRow("delete before a letter with an accent")
            << QStringLiteral("e\u0301x") << 0L << int(Qt::Key_Delete) << QStringLiteral("x");
        QTest::newRow("backspace after a plain letter")
            << QStringLiteral("abc") << 2L << int(Qt::Key_Backspace) << QStringLiteral("ac");
    }

    void erasingTakesAWholeCluster()
    {
        QFETCH(QString, text);
        QFETCH(long, position);
        QFETCH(int, key);
        QFETCH(QString, left);
        Shown shown(text);
        send(shown.editor, QsciScintillaBase::SCI_GOTOPOS, position);
        QTest::keyClick(&shown.editor, Qt::Key(key));
        QCOMPARE(shown.editor.noteText(), left);
        shown.editor.undo();
        QCOMPARE(shown.editor.noteText(), text);
    }

    // A vertical move or a click may land between the code points of a cluster.
    void caretLeftInsideAClusterMovesToItsEnd()
    {
        Shown shown(clusters);
        send(shown.editor, QsciScintillaBase::SCI_GOTOPOS, 5); // after 👩, before the joiner
        QTRY_COMPARE(caret(shown.editor), 12L);
    }

    void eachCharacterSitsWhereQtLaysItOut_data()
    {
        QTest::addColumn<QFont>("font");
        QTest::addColumn<QString>("line");
        const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        QTest::newRow("monospaced code")
            << fixed << QStringLiteral("int value = compute(42); // {x} \"q\" & ~|`$^");
        QTest::newRow("monospaced ligature runs")
            << fixed << QStringLiteral("office --> <!-- === !== www ffi ::: ");
        QTest::newRow("proportional, kerned")
            << QFontDatabase::systemFont(QFontDatabase::GeneralFont)
            << QStringLiteral("AVAVAVAVAVAV To Wa Ty LT office AVAVAVAVAVAV");
        QTest::newRow("monospaced, other alphabets among ASCII")
            << fixed << QStringLiteral("Größe, Übung; Русский текст; Ελληνικά — «quoted» ½ § €");
        QFont bold = fixed;
        bold.setBold(true);
        QTest::newRow("monospaced bold, other alphabets")
            << bold << QStringLiteral("Übung macht den Meister — Повторение мать учения");
        QTest::newRow("monospaced, Japanese, twice as wide")
            << fixed << QStringLiteral("日本語の文章もあります。漢字とかなが混ざっています。abc");
        QTest::newRow("monospaced, a combining mark among letters")
            << fixed << QStringLiteral("Cafe\u0301 naïve, done Привет");
        QTest::newRow("proportional, other alphabets kerned")
            << QFontDatabase::systemFont(QFontDatabase::GeneralFont)
            << QStringLiteral("Ту Те Уа Ѓа ÁVÁV Ŧo Ŵa Ÿo");
    }

    // Lines are measured without Qt's text layout where the font allows it; every character
    // must still be where Qt's layout puts it, or the caret misses the text.
    void eachCharacterSitsWhereQtLaysItOut()
    {
        QFETCH(QFont, font);
        QFETCH(QString, line);
        NoteEditor editor;
        editor.setFont(font);
        editor.resize(1600, 200);
        editor.setNoteText(line, false);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        QTextLayout layout(line, font, editor.viewport());
        layout.beginLayout();
        const QTextLine laidOut = layout.createLine();
        layout.endLayout();
        const int left = xOf(editor, 0);
        for (int i = 1; i <= line.size(); ++i) {
            const qreal expected = laidOut.cursorToX(i);
            const long position = line.first(i).toUtf8().size();
            QVERIFY2(std::abs(xOf(editor, position) - left - expected) <= 1,
                     qPrintable(QStringLiteral("character %1 at %2, Qt lays it out at %3")
                                    .arg(i)
                                    .arg(xOf(editor, position) - left)
                                    .arg(expected)));
        }
    }

    void textRoundTripsExactly()
    {
        const QString text = "\uFEFF" + arabic + "\r\n" + hebrew + "\r" + mixed + "\u00A0"
            + clusters + "\u2028" + hebrewThenLatin + "\u2029" + QChar(0) + "\n";
        NoteEditor editor;
        editor.setNoteText(text, false);
        QCOMPARE(editor.noteText(), text);
    }
};

QTEST_MAIN(TestNoteEditor)
#include "tst_noteeditor.moc"
