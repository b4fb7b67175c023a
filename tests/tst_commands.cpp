#include "app/contentview.h"
#include "app/noteeditor.h"
#include "sandbox.h"
#include "store/notestore.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QWindow>

namespace {

QPushButton *buttonOf(QWidget *prompt, const QString &text)
{
    const QList<QPushButton *> buttons = prompt->findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

QImage iconImage(const QAction *action)
{
    return action->icon()
        .pixmap(16, QIcon::Normal, action->isChecked() ? QIcon::On : QIcon::Off)
        .toImage();
}

} // namespace

class TestCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void toolbarHasItsItems()
    {
        Sandbox sandbox;
        sandbox.writeNote("note.md", "text");
        NoteStore store(sandbox.documents());
        ContentView window(&store);
        const QToolBar *toolbar = window.findChild<QToolBar *>();
        QStringList items;
        for (const QAction *action : toolbar->actions())
            items.append(action->text() + u'|' + action->toolTip());
        QCOMPARE(items,
                 (QStringList {"New|New note (Ctrl+N)", "Rename|Rename note (F2)",
                               "Delete|Delete note (Del in the note list)",
                               "Always on top|Always on top"}));
        QVERIFY(window.renameAction()->isEnabled());
        store.setSelection(std::nullopt);
        QVERIFY(!window.renameAction()->isEnabled());
        QVERIFY(!window.deleteAction()->isEnabled());
        QVERIFY(window.newAction()->isEnabled());
        QVERIFY(window.alwaysOnTopAction()->isEnabled());
    }

    void newCreatesUntitledNotes()
    {
        Sandbox sandbox;
        sandbox.writeNote("note.md", "text");
        NoteStore store(sandbox.documents());
        ContentView window(&store);
        window.newAction()->trigger();
        window.newAction()->trigger();
        QCOMPARE(store.selection(), std::optional<QString>("Untitled 2"));
        QCOMPARE(window.editor()->noteText(), "# Untitled\n\n");
        QCOMPARE(sandbox.readNote("Untitled.md"), "# Untitled\n\n");
    }

    // The prompt is driven through the real dialog: its field, its buttons.
    void renamePrompt()
    {
        Sandbox sandbox;
        sandbox.writeNote("Untitled 2.md", "text");
        NoteStore store(sandbox.documents());
        ContentView window(&store);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QDialog *prompt = window.renamePrompt();
        auto *field = prompt->findChild<QLineEdit *>();
        QCOMPARE(prompt->windowTitle(), "Rename Note");
        QCOMPARE(field->placeholderText(), "Name");

        window.renameAction()->trigger();
        QVERIFY(prompt->isVisible());
        QCOMPARE(field->text(), "Untitled 2");
        QTest::mouseClick(buttonOf(prompt, "Rename"), Qt::LeftButton);
        QVERIFY(!prompt->isVisible());
        QCOMPARE(sandbox.folderEntries(), QStringList {"Untitled 2.md"});

        window.renameAction()->trigger();
        field->setText("typed then cancelled");
        QTest::mouseClick(buttonOf(prompt, "Cancel"), Qt::LeftButton);
        QCOMPARE(sandbox.folderEntries(), QStringList {"Untitled 2.md"});
        window.renameAction()->trigger();
        QCOMPARE(field->text(), "Untitled 2");

        field->setText("Plans / 2027");
        QTest::mouseClick(buttonOf(prompt, "Rename"), Qt::LeftButton);
        QCOMPARE(sandbox.folderEntries(), QStringList {"Plans - 2027.md"});
        QCOMPARE(window.windowTitle(), "Plans - 2027");
    }

    void deletePrompt()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "a", minutesAgo(1));
        sandbox.writeNote("b.md", "b", minutesAgo(2));
        NoteStore store(sandbox.documents());
        ContentView window(&store);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QMessageBox *prompt = window.deletePrompt();
        QCOMPARE(prompt->text(), "Delete this note?");
        QCOMPARE(prompt->informativeText(), "It will be moved to the Trash.");
        QCOMPARE(prompt->buttonRole(buttonOf(prompt, "Delete")), QMessageBox::DestructiveRole);

        window.deleteAction()->trigger();
        QVERIFY(prompt->isVisible());
        QTest::mouseClick(buttonOf(prompt, "Cancel"), Qt::LeftButton);
        QCOMPARE(sandbox.folderEntries(), (QStringList {"a.md", "b.md"}));

        // Delete in the sidebar asks too.
        window.sidebar()->setFocus();
        QTest::keyClick(window.sidebar(), Qt::Key_Delete);
        QVERIFY(prompt->isVisible());
        QTest::mouseClick(buttonOf(prompt, "Delete"), Qt::LeftButton);
        QCOMPARE(sandbox.folderEntries(), QStringList {"b.md"});
        QCOMPARE(store.selection(), std::optional<QString>("b"));
    }

    void switchShowsAFilledPinWhenOn()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "a");
        NoteStore store(sandbox.documents());
        ContentView window(&store);
        const QImage off = iconImage(window.alwaysOnTopAction());
        window.alwaysOnTopAction()->setChecked(true);
        QVERIFY(iconImage(window.alwaysOnTopAction()) != off);
        QCOMPARE(window.alwaysOnTopAction()->toolTip(), "Always on top");
    }

    // One window's switch sets every main window; a window opened later applies its own switch,
    // which starts off; other kinds of window keep their level.
    void levelsAcrossWindows()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "some text");
        NoteStore store(sandbox.documents());
        ContentView first(&store);
        ContentView second(&store);
        QWidget tool(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
        first.show();
        second.show();
        tool.show();
        QVERIFY(QTest::qWaitForWindowExposed(&second));
        QCoreApplication::processEvents(); // the hand-overs
        QVERIFY(!first.isFloating() && !second.isFloating());

        first.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&first));
        first.editor()->setFocus();
        first.editor()->setCursorPosition(0, 4);
        const QRect geometry = first.geometry();
        // The native window stays: it is asked to float, not made anew.
        QWindow *native = first.windowHandle();
        const WId id = first.winId();
        QSignalSpy shownOrHidden(native, &QWindow::visibleChanged);
        first.alwaysOnTopAction()->setChecked(true);
        QVERIFY(first.isFloating());
        QVERIFY(second.isFloating());
        QCOMPARE(first.windowHandle(), native);
        QCOMPARE(first.winId(), id);
        QVERIFY(native->flags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(shownOrHidden.isEmpty());
        QVERIFY(first.isVisible());
        QCOMPARE(first.geometry(), geometry);
        QTRY_VERIFY(first.isActiveWindow());
        QCOMPARE(first.focusWidget(), first.editor());
        QVERIFY(first.editor()->hasFocus());
        int line = -1, index = -1;
        first.editor()->getCursorPosition(&line, &index);
        QCOMPARE(index, 4);
        QCOMPARE(first.editor()->noteText(), "some text");

        first.alwaysOnTopAction()->setChecked(false);
        QVERIFY(!first.isFloating() && !second.isFloating());
        QCOMPARE(first.winId(), id);
        QVERIFY(!native->flags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(shownOrHidden.isEmpty());
        QVERIFY(tool.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

        first.alwaysOnTopAction()->setChecked(true);
        ContentView third(&store);
        third.show();
        QVERIFY(QTest::qWaitForWindowExposed(&third));
        QTRY_VERIFY(!first.isFloating());
        QVERIFY(!second.isFloating());
        QVERIFY(first.alwaysOnTopAction()->isChecked());
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
