#include "app/aboutdialog.h"
#include "app/commands.h"
#include "app/contentview.h"
#include "app/findbar.h"
#include "app/noteeditor.h"
#include "app/shortcutswindow.h"
#include "app/statuscounts.h"
#include "preview/markdownview.h"
#include "sandbox.h"
#include "store/notestore.h"

#include <Qsci/qscicommandset.h>

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

namespace {

// A window on a sandboxed folder, shown and active, so that its shortcuts work.
struct ShownWindow
{
    explicit ShownWindow(const Sandbox &sandbox) : store(sandbox.documents()), window(&store)
    {
        window.show();
        window.activateWindow();
    }
    NoteStore store;
    ContentView window;
};

QAction *action(const ContentView &window, const char *name)
{
    QAction *found = window.commands()->action(QString::fromLatin1(name));
    if (!found)
        qFatal("no action %s", name);
    return found;
}

// With the text a key would type, so that a key that reaches the editor shows in the note.
void press(QWidget *widget, const QKeySequence &keys)
{
    const Qt::Key key = keys[0].key();
    const QString text = key >= 0x20 && key < 0x7f ? QString(QChar(key)).toLower() : QString();
    QTest::sendKeyEvent(QTest::Click, widget, key, text, keys[0].keyboardModifiers());
}

long editorZoom(const NoteEditor *editor)
{
    return editor->SendScintilla(QsciScintilla::SCI_GETZOOM);
}

void selectBytes(NoteEditor *editor, long from, long to)
{
    editor->SendScintilla(QsciScintilla::SCI_SETSEL, from, to);
}

} // namespace

class TestEverydayCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Each key of each command, pressed in the editor, reaches the command and leaves the note's
    // text alone. (The commands' own effects are cut off, so only the keys are tested here.)
    void everyShortcutTriggersItsActionAndNeverTypes()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "alpha", minutesAgo(1));
        sandbox.writeNote("b.md", "bravo", minutesAgo(2));
        ShownWindow shown(sandbox);
        ContentView &window = shown.window;
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.editor()->setFocus();
        int checked = 0;
        for (QAction *command : window.commands()->actions()) {
            if (command->shortcutContext() != Qt::WindowShortcut)
                continue;
            QObject::disconnect(command, &QAction::triggered, nullptr, nullptr);
            for (const QKeySequence &keys : command->shortcuts()) {
                QSignalSpy triggered(command, &QAction::triggered);
                window.editor()->setFocus();
                press(window.editor(), keys);
                const QString what = command->objectName() + u' ' + keys.toString();
                QVERIFY2(window.editor()->noteText() == "alpha", qPrintable(what));
                // Undo, Copy and the rest may be done by the editor's own binding of the key.
                const bool editorMayTakeIt =
                    window.editor()->standardCommands()->boundTo(keys[0].toCombined());
                QVERIFY2(triggered.count() == 1 || editorMayTakeIt, qPrintable(what));
                ++checked;
            }
        }
        QVERIFY(checked >= 25);
    }

    void deleteKeyDeletesTextInTheEditorAndAsksInTheList()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "alpha");
        ShownWindow shown(sandbox);
        ContentView &window = shown.window;
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.editor()->setFocus();
        window.editor()->SendScintilla(QsciScintilla::SCI_GOTOPOS, 0L);
        QTest::keyClick(window.editor(), Qt::Key_Delete);
        QTest::keyClick(window.editor(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(window.editor()->noteText(), "");
        QVERIFY(!window.deletePrompt()->isVisible());

        // Ctrl+L leads to the search field above the list, and Esc from there into the list.
        QTest::keyClick(window.editor(), Qt::Key_L, Qt::ControlModifier);
        QVERIFY(!window.sidebar()->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(window.sidebar()->hasFocus());
        QTest::keyClick(window.sidebar(), Qt::Key_Delete);
        QVERIFY(window.deletePrompt()->isVisible());
        window.deletePrompt()->reject();
    }

    void focusMovesBetweenThePanes()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "alpha");
        ShownWindow shown(sandbox);
        ContentView &window = shown.window;
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTRY_VERIFY(window.editor()->hasFocus()); // typing goes into the note at once

        const QList<QWidget *> forward {window.preview(), window.sidebar(), window.editor()};
        for (QWidget *next : forward) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
            QVERIFY(next->hasFocus());
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
        QVERIFY(window.sidebar()->hasFocus());

        // Tab keeps inserting a tab, and Esc harms nothing.
        window.editor()->setFocus();
        window.editor()->SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
        QTest::keyClick(window.editor(), Qt::Key_Tab);
        QTest::keyClick(window.editor(), Qt::Key_Escape);
        QCOMPARE(window.editor()->noteText(), "alpha\t");
        QVERIFY(window.editor()->hasFocus());
    }

    void newNoteLeavesTheCaretAtTheEnd()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "alpha");
        ShownWindow shown(sandbox);
        ContentView &window = shown.window;
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.sidebar()->setFocus();
        QTest::keyClick(window.sidebar(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(shown.store.selection(), std::optional<QString>("Untitled"));
        QVERIFY(window.editor()->hasFocus());
        QTest::keyClicks(window.editor(), "Body");
        QCOMPARE(window.editor()->noteText(), "# Untitled\n\nBody");
    }

    void nextAndPreviousNote()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "alpha", minutesAgo(1));
        sandbox.writeNote("b.md", "bravo", minutesAgo(2));
        ShownWindow shown(sandbox);
        ContentView &window = shown.window;
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(window.editor(), Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(shown.store.selection(), std::optional<QString>("b"));
        QTest::keyClick(window.editor(), Qt::Key_Down, Qt::AltModifier); // the last stays
        QCOMPARE(shown.store.selection(), std::optional<QString>("b"));
        QTest::keyClick(window.editor(), Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(shown.store.selection(), std::optional<QString>("a"));
        QCOMPARE(window.editor()->noteText(), "alpha");
    }

    void findCounts_data()
    {
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("wholeWords");
        QTest::addColumn<int>("count");
        QTest::newRow("any case, any part") << false << false << 4;
        QTest::newRow("match case") << true << false << 3;
        QTest::newRow("whole words") << false << true << 3;
        QTest::newRow("both") << true << true << 2;
    }

    void findCounts()
    {
        QFETCH(bool, matchCase);
        QFETCH(bool, wholeWords);
        QFETCH(int, count);
        Sandbox sandbox;
        sandbox.writeNote("a.md", "cat Cat cats\r\ncat");
        ShownWindow shown(sandbox);
        FindBar *bar = shown.window.findBar();
        bar->openFind();
        bar->matchCaseBox()->setChecked(matchCase);
        bar->wholeWordsBox()->setChecked(wholeWords);
        QTest::keyClicks(bar->findField(), "cat");
        QCOMPARE(bar->matchCount(), count);
        QCOMPARE(bar->countText(), QStringLiteral("1 of %1").arg(count));
    }

    // Next goes round, says so, and the selection is the match.
    void findWrapsAroundWithANotice()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "one two one");
        ShownWindow shown(sandbox);
        ContentView &window = shown.window;
        QVERIFY(QTest::qWaitForWindowActive(&window));
        selectBytes(window.editor(), 0, 3); // "one" becomes the query
        QTest::keyClick(window.editor(), Qt::Key_F, Qt::ControlModifier);
        FindBar *bar = window.findBar();
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->findField()->text(), "one");
        QVERIFY(bar->findField()->hasFocus());
        QCOMPARE(bar->countText(), "1 of 2");
        QTest::keyClick(bar->findField(), Qt::Key_F3);
        QCOMPARE(bar->countText(), "2 of 2");
        QVERIFY(bar->noticeText().isEmpty());
        QTest::keyClick(bar->findField(), Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(bar->countText(), "1 of 2");
        QVERIFY(!bar->noticeText().isEmpty());
        QTest::keyClick(bar->findField(), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(bar->countText(), "2 of 2");
        QCOMPARE(window.editor()->selectedText(), "one");

        QTest::keyClick(bar->findField(), Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        QVERIFY(window.editor()->hasFocus());
        QCOMPARE(window.editor()->noteText(), "one two one");
    }

    // Replace All changes the matched bytes only (BOM and CR LF stay) and is one step to undo.
    void replaceAllKeepsEveryOtherByte()
    {
        Sandbox sandbox;
        const QByteArray original("\xEF\xBB\xBF"
                                  "cat\r\nthe Cat\r\ncat\xC2\xA0nap\rcats");
        sandbox.writeNote("a.md", original);
        ShownWindow shown(sandbox);
        ContentView &window = shown.window;
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(window.editor(), Qt::Key_H, Qt::ControlModifier);
        FindBar *bar = window.findBar();
        QVERIFY(bar->replaceField()->isVisible());
        QTest::keyClicks(bar->findField(), "cat");
        bar->wholeWordsBox()->setChecked(true);
        bar->replaceField()->setText("dögg");
        bar->replaceAll();
        shown.store.flush();
        QCOMPARE(sandbox.readNote("a.md"),
                 QByteArray("\xEF\xBB\xBF"
                            "dögg\r\nthe dögg\r\ndögg\xC2\xA0nap\rcats"));
        QCOMPARE(bar->matchCount(), 0);

        window.editor()->setFocus();
        QTest::keyClick(window.editor(), Qt::Key_Z, Qt::ControlModifier);
        shown.store.flush();
        QCOMPARE(sandbox.readNote("a.md"), original);
    }

    void replaceOneAtATime()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "a-a-a");
        ShownWindow shown(sandbox);
        FindBar *bar = shown.window.findBar();
        bar->openReplace();
        QTest::keyClicks(bar->findField(), "a");
        bar->replaceField()->setText("bb");
        bar->replaceCurrent(); // the first match is selected: it is replaced
        QCOMPARE(shown.window.editor()->noteText(), "bb-a-a");
        QCOMPARE(bar->countText(), "1 of 2");
        bar->replaceCurrent();
        QCOMPARE(shown.window.editor()->noteText(), "bb-bb-a");
        QCOMPARE(shown.store.text(), "bb-bb-a");
    }

    void zoomAppliesToBothPanes()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "# Title\n\ntext");
        ShownWindow shown(sandbox);
        ContentView &window = shown.window;
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const qreal previewSize = window.preview()->font().pointSizeF();
        QTest::keyClick(window.editor(), Qt::Key_Equal, Qt::ControlModifier);
        QTest::keyClick(window.editor(), Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(window.zoomPercent(), 125);
        QVERIFY(editorZoom(window.editor()) > 0);
        QCOMPARE(window.preview()->font().pointSizeF(), previewSize * 1.25);
        QCOMPARE(window.editor()->noteText(), "# Title\n\ntext");

        for (int i = 0; i < 20; ++i)
            QTest::keyClick(window.editor(), Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(window.zoomPercent(), 50);
        QVERIFY(editorZoom(window.editor()) < 0);
        QCOMPARE(window.preview()->font().pointSizeF(), previewSize * 0.5);
        for (int i = 0; i < 20; ++i)
            action(window, "zoomIn")->trigger();
        QCOMPARE(window.zoomPercent(), 300);

        QTest::keyClick(window.editor(), Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(window.zoomPercent(), 100);
        QCOMPARE(editorZoom(window.editor()), 0L);
        QCOMPARE(window.preview()->font().pointSizeF(), previewSize);
    }

    void counting_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("words");
        QTest::addColumn<int>("characters");
        QTest::newRow("empty") << QByteArray() << 0 << 0;
        QTest::newRow("heading") << QByteArray("# Untitled\n\n") << 1 << 10;
        QTest::newRow("CR LF and lone CR") << QByteArray("one\r\ntwo\rthree") << 3 << 11;
        QTest::newRow("apostrophe") << QByteArray("don't stop") << 2 << 10;
        QTest::newRow("punctuation") << QByteArray("a,b. c-d") << 4 << 8;
        QTest::newRow("no-break space") << QByteArray("a\xC2\xA0"
                                                      "b")
                                        << 2 << 3;
        QTest::newRow("line separator") << QByteArray("a\xE2\x80\xA8"
                                                      "b")
                                        << 2 << 3;
        QTest::newRow("umlauts") << QByteArray("Größe Übung") << 2 << 11;
        QTest::newRow("CJK") << QByteArray("日本語 です") << 2 << 6;
        QTest::newRow("emoji") << QByteArray("hi \xF0\x9F\x98\x80") << 2 << 4;
    }

    void counting()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, words);
        QFETCH(int, characters);
        const StatusCounts::Counts counts = StatusCounts::count(text.constData(), text.size());
        QCOMPARE(counts.words, words);
        QCOMPARE(counts.characters, characters);
        // A long note is counted in slices, which may end inside a character or a word.
        for (qsizetype cut = 0; cut <= text.size(); ++cut) {
            StatusCounts::Progress progress;
            StatusCounts::countOn(text.constData(), text.size(), cut, progress);
            StatusCounts::countOn(text.constData(), text.size(), text.size(), progress);
            QCOMPARE(progress.counts, counts);
        }
    }

    void countsFollowTheSelection()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "one two three");
        ShownWindow shown(sandbox);
        ContentView &window = shown.window;
        QCOMPARE(window.counts()->text(), "3 words, 13 characters");
        selectBytes(window.editor(), 4, 13);
        QTRY_COMPARE(window.counts()->text(), "Selected: 2 words, 9 characters");
        selectBytes(window.editor(), 0, 0);
        QTest::keyClicks(window.editor(), "zero ");
        QTRY_COMPARE(window.counts()->text(), "4 words, 18 characters");
    }

    // The label keeps its size between counts, so each new count must still fit it whole.
    void countsLabelFitsEveryCount_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("fontPixels");
        QTest::newRow("wider count")
            << QString("one two three four five six seven eight nine ten") << 0;
        QTest::newRow("narrower count") << QString("one") << 0;
        QTest::newRow("larger font") << QString("one two three") << 30;
        QTest::newRow("smaller font") << QString("one two three") << 8;
    }

    void countsLabelFitsEveryCount()
    {
        QFETCH(QString, text);
        QFETCH(int, fontPixels);
        Sandbox sandbox;
        sandbox.writeNote("a.md", "one two three");
        ShownWindow shown(sandbox);
        StatusCounts *counts = shown.window.counts();
        shown.store.setText(text);
        if (fontPixels) {
            QFont font = counts->font();
            font.setPixelSize(fontPixels);
            counts->setFont(font);
        }
        QTRY_VERIFY(counts->text().startsWith(QString::number(text.count(u' ') + 1) + u' '));
        QTRY_VERIFY(counts->width() >= counts->sizeHint().width()
                    && counts->height() >= counts->sizeHint().height());
        QTRY_VERIFY(shown.window.statusBar()->rect().contains(counts->geometry()));
    }

    void takenNameIsSaidAndClearsWithTheNote()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "alpha", minutesAgo(1));
        sandbox.writeNote("b.md", "bravo", minutesAgo(2));
        ShownWindow shown(sandbox);
        ContentView &window = shown.window;
        window.renameAction()->trigger();
        window.renamePrompt()->findChild<QLineEdit *>()->setText(" b ");
        window.renamePrompt()->accept();
        QVERIFY(!window.renamePrompt()->isVisible());
        QCOMPARE(window.statusBar()->currentMessage(), "A note named “b” already exists.");
        QCOMPARE(sandbox.folderEntries(), (QStringList {"a.md", "b.md"}));
        shown.store.setSelection("b");
        QCOMPARE(window.statusBar()->currentMessage(), "");
    }

    void everyControlIsNamedForAccessibility()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "alpha");
        ShownWindow shown(sandbox);
        ContentView &window = shown.window;
        window.findBar()->openReplace();
        QList<QWidget *> controls {window.sidebar(),
                                   window.editor(),
                                   window.preview(),
                                   window.findBar(),
                                   window.findBar()->findField(),
                                   window.findBar()->replaceField(),
                                   window.findBar()->matchCaseBox(),
                                   window.findBar()->wholeWordsBox()};
        const QToolBar *toolbar = window.findChild<QToolBar *>();
        for (QAction *item : toolbar->actions())
            controls.append(toolbar->widgetForAction(item));
        for (QWidget *control : controls) {
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
            QVERIFY(accessible);
            const QString what = control->metaObject()->className();
            QVERIFY2(!accessible->text(QAccessible::Name).isEmpty(), qPrintable(what));
            QVERIFY2(!accessible->text(QAccessible::Description).isEmpty(), qPrintable(what));
        }
    }

    void helpListsTheShortcutsAndAboutNamesTheLibraries()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "alpha");
        ShownWindow shown(sandbox);
        ContentView &window = shown.window;
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(window.editor(), Qt::Key_F1);
        ShortcutsWindow *shortcuts = window.commands()->shortcutsWindow();
        QVERIFY(shortcuts->isVisible());
        const QStringList rows = shortcuts->rows();
        QVERIFY(rows.contains("Edit|Find…|Ctrl+F"));
        QVERIFY(rows.contains("Edit|Redo|Ctrl+Shift+Z, Ctrl+Y"));
        QVERIFY(rows.contains("File|Move to Trash|Del (in the note list)"));
        QVERIFY(rows.contains("Go|Note List|Ctrl+L, Ctrl+K"));
        for (QAction *command : window.commands()->actions())
            QVERIFY2(rows.filter(command->text().remove(u'&')).size() == 1,
                     qPrintable(command->text()));
        shortcuts->close();

        const QString about = window.commands()->aboutDialog()->text();
        for (const char *part :
             {"Penwick 0.", "GPL-3.0-or-later", "Qt 6.", "QScintilla 2.", "md4c", "ICU "})
            QVERIFY2(about.contains(QLatin1String(part)), part);
    }
};

QTEST_MAIN(TestEverydayCommands)
#include "tst_everydaycommands.moc"
