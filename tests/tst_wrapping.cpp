#include "app/markdownhighlighter.h"
#include "app/noteeditor.h"

#include <QTest>

namespace {

using Sci = QsciScintillaBase;

long send(NoteEditor &editor, unsigned int message, unsigned long wParam = 0, long lParam = 0)
{
    return editor.SendScintilla(message, wParam, lParam);
}

// Lines of every length the wrapping meets: short after long, one far longer than the rest,
// words outside ASCII, tabs, Markdown the highlighter styles, and empty lines.
QString mixedNote(int lines)
{
    const QStringList kinds = {
        QStringLiteral("# A heading that runs on well past the width of the editor's window"),
        QStringLiteral(
            "Some **bold** and *emphasised* text with `code` and a [link](https://x.org) "
            "that wraps over several lines of the window, as paragraphs do."),
        QStringLiteral("Größe, Übung und Ärger: ein Absatz auf Deutsch, der auch umbricht, weil er "
                       "lang ist."),
        QStringLiteral(
            "日本語の文章もあります。漢字とかなが混ざっています。日本語の文章もあります。"),
        QStringLiteral("\tindented\twith\ttabs and then words enough to reach the window's edge"),
        QStringLiteral("short"),
        QString(),
        QStringLiteral("- item"),
        QStringLiteral("words ").repeated(900), // longer than any layout kept for reuse
    };
    QStringList note;
    for (int i = 0; i < lines; ++i)
        note << kinds[(i * 7 + i / kinds.size()) % kinds.size()];
    return note.join(u'\n');
}

class Editor
{
public:
    explicit Editor(const QString &text)
    {
        new MarkdownHighlighter(&editor);
        editor.resize(420, 300);
        editor.setNoteText(text, false);
        send(editor, Sci::SCI_SETCARETPERIOD, 0);
        editor.show();
    }

    // Every line laid out and wrapped at once, with every line's layout kept in Scintilla's
    // cache as it was always kept: what wrapping in the background must come to.
    void wrapAtOnce()
    {
        send(editor, Sci::SCI_SETLAYOUTCACHE, Sci::SC_CACHE_DOCUMENT);
        send(editor, Sci::SCI_ENSUREVISIBLE, send(editor, Sci::SCI_GETLINECOUNT) - 1);
    }

    // The first display line of each line, and the number of display lines after them.
    QList<long> displayStarts()
    {
        QList<long> starts;
        const long lines = send(editor, Sci::SCI_GETLINECOUNT);
        for (long line = 0; line <= lines; ++line)
            starts << send(editor, Sci::SCI_VISIBLEFROMDOCLINE, line);
        return starts;
    }

    long topLine()
    {
        return send(editor, Sci::SCI_DOCLINEFROMVISIBLE,
                    send(editor, Sci::SCI_GETFIRSTVISIBLELINE));
    }

    void scrollToLine(long line)
    {
        send(editor, Sci::SCI_SETFIRSTVISIBLELINE, send(editor, Sci::SCI_VISIBLEFROMDOCLINE, line));
    }

    void type(const QList<int> &keys)
    {
        for (const int key : keys) {
            QTest::keyClick(&editor, Qt::Key(key));
            QCoreApplication::processEvents();
        }
    }

    NoteEditor editor;
};

const int noteLines = 3000;

} // namespace

class TestWrapping : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void backgroundWrappingEqualsWrappingAtOnce_data()
    {
        QTest::addColumn<long>("topLine");
        QTest::addColumn<bool>("staysOnTop"); // not when the wrapped end needs more room
        QTest::newRow("seen from the top") << 0L << true;
        QTest::newRow("seen from the middle") << long(noteLines / 2) << true;
        QTest::newRow("seen from the end") << long(noteLines - 10) << false;
    }

    // Lines out of sight are wrapped without taking the place of the lines on screen in the
    // layout cache, and without redrawing the text after each slice; the wrapping must come out
    // the same, and the line on top must stay there.
    void backgroundWrappingEqualsWrappingAtOnce()
    {
        QFETCH(long, topLine);
        QFETCH(bool, staysOnTop);
        const QString text = mixedNote(noteLines);
        Editor atOnce(text);
        atOnce.wrapAtOnce();
        Editor background(text);
        QVERIFY(QTest::qWaitForWindowExposed(&background.editor));
        background.scrollToLine(topLine);

        QTRY_COMPARE(background.displayStarts(), atOnce.displayStarts());
        if (staysOnTop)
            QCOMPARE(background.topLine(), topLine);
    }

    void typingWhileWrappingEqualsTypingAfterIt_data()
    {
        QTest::addColumn<long>("line");
        QTest::addColumn<QList<int>>("keys");
        const QList<int> word = {Qt::Key_W, Qt::Key_O, Qt::Key_R, Qt::Key_D, Qt::Key_Space};
        QTest::newRow("a word at the start") << 0L << word;
        QTest::newRow("a word in the middle") << long(noteLines / 2) << word;
        QTest::newRow("a word at the end") << long(noteLines - 1) << word;
        QTest::newRow("line breaks in the middle")
            << long(noteLines / 2) << QList<int> {Qt::Key_Return, Qt::Key_A, Qt::Key_Return};
        QTest::newRow("lines joined in the middle")
            << long(noteLines / 2) << QList<int> {Qt::Key_Backspace, Qt::Key_Backspace};
    }

    void typingWhileWrappingEqualsTypingAfterIt()
    {
        QFETCH(long, line);
        QFETCH(QList<int>, keys);
        const QString text = mixedNote(noteLines);
        Editor after(text);
        after.wrapAtOnce();
        Editor during(text);
        for (Editor *editor : {&after, &during}) {
            send(editor->editor, Sci::SCI_GOTOLINE, line);
            editor->type(keys);
        }

        QTRY_COMPARE(during.displayStarts(), after.displayStarts());
        QCOMPARE(during.editor.noteText(), after.editor.noteText());
        QCOMPARE(during.editor.caretBytePosition(), after.editor.caretBytePosition());
        QCOMPARE(during.editor.caretDisplayLine(), after.editor.caretDisplayLine());
    }

    void deletingLinesKeepsTheWrapping_data()
    {
        QTest::addColumn<long>("fromLine");
        QTest::addColumn<long>("fromColumn");
        QTest::addColumn<long>("toLine"); // past the last line: to the end
        QTest::addColumn<long>("toColumn");
        QTest::newRow("the first lines") << 0L << 0L << 40L << 0L;
        QTest::newRow("lines in the middle, from and to within a line")
            << 1000L << 2L << 1900L << 3L;
        QTest::newRow("the last lines") << long(noteLines - 300) << 0L << long(noteLines) << 0L;
        QTest::newRow("every line") << 0L << 0L << long(noteLines) << 0L;
        QTest::newRow("within one line") << 7L << 2L << 7L << 5L;
    }

    // Deleted lines go from Scintilla's line data at once; the lines left must be wrapped as if
    // the text had been wrapped afresh.
    void deletingLinesKeepsTheWrapping()
    {
        QFETCH(long, fromLine);
        QFETCH(long, fromColumn);
        QFETCH(long, toLine);
        QFETCH(long, toColumn);
        Editor cut(mixedNote(noteLines));
        cut.wrapAtOnce();
        const long from = send(cut.editor, Sci::SCI_POSITIONFROMLINE, fromLine) + fromColumn;
        const long to = toLine < noteLines
            ? send(cut.editor, Sci::SCI_POSITIONFROMLINE, toLine) + toColumn
            : send(cut.editor, Sci::SCI_GETLENGTH);
        send(cut.editor, Sci::SCI_DELETERANGE, from, to - from);

        Editor fresh(cut.editor.noteText());
        fresh.wrapAtOnce();
        QCOMPARE(cut.displayStarts(), fresh.displayStarts());
    }
};

QTEST_MAIN(TestWrapping)
#include "tst_wrapping.moc"
