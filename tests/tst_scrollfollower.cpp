#include "app/contentview.h"
#include "app/noteeditor.h"
#include "preview/markdownview.h"
#include "sandbox.h"
#include "store/notestore.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

namespace {

// Lines 0-1: a heading; 2-3: a short paragraph; 4-66: a tall code block and a blank line;
// 67-68: a heading; then short paragraphs, enough to scroll far past them.
QByteArray tallAndShortBlocks()
{
    QByteArray note = "# Title\n\nShort paragraph.\n\n```\n";
    for (int i = 0; i < 60; ++i)
        note += "code line " + QByteArray::number(i) + '\n';
    note += "```\n\n## Heading\n\n";
    for (int i = 0; i < 150; ++i)
        note += "Paragraph " + QByteArray::number(i) + ".\n\n";
    return note;
}

QByteArray headings(int count)
{
    QByteArray note;
    for (int i = 0; i < count; ++i)
        note += "# Heading " + QByteArray::number(i) + "\n\n";
    return note;
}

QRectF blockRect(MarkdownView *preview, int block)
{
    return preview->document()->documentLayout()->blockBoundingRect(
        preview->document()->findBlockByNumber(block));
}

// How far down the preview shows a block: its top plus that share of the way to the next block.
int heightIn(MarkdownView *preview, int block, double fraction)
{
    const QRectF rect = blockRect(preview, block);
    return qRound(rect.top() + fraction * (blockRect(preview, block + 1).top() - rect.top()));
}

class Window
{
public:
    explicit Window(const Sandbox &sandbox) : store(sandbox.documents()), view(&store)
    {
        view.resize(1200, 800);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_VERIFY(!view.preview()->hasBackgroundWork());
    }
    NoteEditor *editor() const { return view.editor(); }
    MarkdownView *preview() const { return view.preview(); }
    QScrollBar *previewBar() const { return view.preview()->verticalScrollBar(); }

    NoteStore store;
    ContentView view;
};

} // namespace

class TestScrollFollower : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The same places seen from either side: the editor's top line and the preview's block with
    // the share of it scrolled past. Whichever the user scrolls, the other follows once.
    void followsByBlockBothWays_data()
    {
        QTest::addColumn<bool>("userScrollsEditor");
        QTest::addColumn<long>("line");
        QTest::addColumn<int>("block");
        QTest::addColumn<double>("fraction");
        for (const bool editor : {true, false}) {
            const char *leader = editor ? "editor" : "preview";
            QTest::addRow("%s at a short block", leader) << editor << 2L << 1 << 0.0;
            QTest::addRow("%s inside a tall block", leader) << editor << 35L << 2 << 31.0 / 63;
            QTest::addRow("%s at a heading after it", leader) << editor << 67L << 3 << 0.0;
        }
        // The editor cannot stand between two lines: followed back, the preview would jump.
        QTest::newRow("preview between two lines") << false << 35L << 2 << 31.5 / 63;
    }

    void followsByBlockBothWays()
    {
        QFETCH(bool, userScrollsEditor);
        QFETCH(long, line);
        QFETCH(int, block);
        QFETCH(double, fraction);
        Sandbox sandbox;
        sandbox.writeNote(QStringLiteral("Blocks.md"), tallAndShortBlocks());
        Window window(sandbox);
        NoteEditor *editor = window.editor();
        QScrollBar *previewBar = window.previewBar();
        QSignalSpy previewMoves(previewBar, &QScrollBar::valueChanged);
        int editorMoves = 0;
        connect(editor, &QsciScintillaBase::SCN_UPDATEUI, this, [&](int updated) {
            editorMoves += updated & QsciScintillaBase::SC_UPDATE_V_SCROLL ? 1 : 0;
        });

        if (userScrollsEditor) {
            editor->scrollToDisplayLine(line);
            QTRY_VERIFY(qAbs(previewBar->value() - heightIn(window.preview(), block, fraction))
                        <= 1);
        } else {
            previewBar->setSliderPosition(heightIn(window.preview(), block, fraction));
            QTRY_VERIFY(qAbs(editor->topDisplayLine() - line) <= 1);
        }
        const int previewAt = previewBar->value();
        const long editorAt = editor->topDisplayLine();
        QTest::qWait(200); // time for a follow to come back, were there a loop
        QCOMPARE(previewMoves.size(), 1);
        QCOMPARE(editorMoves, 1);
        QCOMPARE(previewBar->value(), previewAt);
        QCOMPARE(editor->topDisplayLine(), editorAt);
    }

    // The caret put on the editor's last line in sight, a heading further down than the taller
    // preview shows: the preview scrolls to it and the editor stays.
    void caretBringsItsBlockIntoView()
    {
        Sandbox sandbox;
        sandbox.writeNote(QStringLiteral("Headings.md"), headings(100));
        Window window(sandbox);
        NoteEditor *editor = window.editor();
        const long lastLine = (editor->displayLinesOnScreen() - 1) & ~1L; // a heading's line
        const int block = int(lastLine / 2);
        const auto shown = [&] {
            const QRectF rect = blockRect(window.preview(), block);
            const int top = window.previewBar()->value();
            return rect.top() >= top
                && rect.bottom() <= top + window.preview()->viewport()->height();
        };
        QVERIFY(!shown());

        editor->setCursorPosition(int(lastLine), 3);
        QTRY_VERIFY(shown());
        QCOMPARE(editor->topDisplayLine(), 0);
    }

    // In a note too long for the preview to hold all of it, the caret brings its block into view
    // wherever it goes.
    void caretFarInALongNoteBringsItsBlockIntoView_data()
    {
        QTest::addColumn<int>("heading");
        QTest::addColumn<bool>("zoomed"); // the preview drawn anew, from its top, after
        QTest::newRow("far down") << 15000 << false;
        QTest::newRow("the last") << 19999 << false;
        QTest::newRow("back near the top") << 30 << false;
        QTest::newRow("the last, then zoomed") << 19999 << true;
    }

    void caretFarInALongNoteBringsItsBlockIntoView()
    {
        QFETCH(int, heading);
        QFETCH(bool, zoomed);
        Sandbox sandbox;
        sandbox.writeNote(QStringLiteral("Headings.md"), headings(20000));
        Window window(sandbox);
        MarkdownView *preview = window.preview();
        const QString text = QStringLiteral("Heading %1").arg(heading);
        const auto shown = [&] {
            const int top = window.previewBar()->value();
            for (QTextBlock block = preview->document()->begin(); block.isValid();
                 block = block.next()) {
                if (block.text() != text)
                    continue;
                const QRectF rect = preview->document()->documentLayout()->blockBoundingRect(block);
                return rect.top() >= top && rect.bottom() <= top + preview->viewport()->height();
            }
            return false;
        };
        window.editor()->setCursorPosition(15000 * 2, 3);
        window.editor()->setCursorPosition(heading * 2, 3);
        QTRY_VERIFY(shown());
        if (zoomed) {
            preview->setZoomFactor(1.25);
            QTRY_VERIFY(!preview->hasBackgroundWork());
            QTRY_VERIFY(shown());
        }
        QVERIFY(preview->document()->blockCount() < 2000);
    }

    // Another note, and a new one, open with both views at their tops, wherever the last note
    // was scrolled to.
    void noteOpensAtTheTop()
    {
        Sandbox sandbox;
        sandbox.writeNote(QStringLiteral("First.md"), tallAndShortBlocks(),
                          QDateTime::currentDateTime().addDays(-1));
        sandbox.writeNote(QStringLiteral("Second.md"), headings(100));
        Window window(sandbox);
        window.store.setSelection(QStringLiteral("First"));
        QTest::keyClick(window.editor(), Qt::Key_End, Qt::ControlModifier);
        QTRY_VERIFY(window.previewBar()->value() > 0);

        window.store.setSelection(QStringLiteral("Second"));
        QTest::qWait(200);
        QCOMPARE(window.editor()->topDisplayLine(), 0);
        QCOMPARE(window.previewBar()->value(), 0);

        window.view.newNote();
        QTest::qWait(200);
        QCOMPARE(window.editor()->topDisplayLine(), 0);
        QCOMPARE(window.previewBar()->value(), 0);
    }
};

QTEST_MAIN(TestScrollFollower)
#include "tst_scrollfollower.moc"
