#include "app/contentview.h"
#include "app/noteeditor.h"
#include "app/notefinder.h"
#include "app/searchfield.h"
#include "app/searchresultsmodel.h"
#include "listrows.h"
#include "sandbox.h"
#include "search/notesearch.h"
#include "store/notestore.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QApplication>
#include <QListView>
#include <QTest>

namespace {

// A window over four notes, listed "Zebra", "Garden plan", "garden", "Shopping", with every
// text read, and the search field focused.
class Window
{
public:
    Window()
    {
        m_sandbox.writeNote("Shopping.md", "milk, bread, seeds", minutesAgo(4));
        m_sandbox.writeNote("garden.md", "# garden\n\nroses", minutesAgo(3));
        m_sandbox.writeNote("Garden plan.md", "tomatoes and seeds\nwater daily", minutesAgo(2));
        m_sandbox.writeNote("Zebra.md", "stripes", minutesAgo(1));
        m_store = std::make_unique<NoteStore>(m_sandbox.documents());
        m_search = new NoteSearch(m_store.get());
        m_window = std::make_unique<ContentView>(m_store.get(), m_search);
        m_search->setParent(m_window.get());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QTRY_VERIFY(m_search->isReady());
        QTest::keyClick(m_window.get(), Qt::Key_L, Qt::ControlModifier);
        QTRY_VERIFY(field()->hasFocus());
    }

    const Sandbox &sandbox() const { return m_sandbox; }
    NoteStore &store() { return *m_store; }
    ContentView &view() { return *m_window; }
    SearchField *field() const { return m_window->finder()->field(); }
    QListView *list() const { return m_window->sidebar(); }
    void type(const QString &text) { QTest::keyClicks(field(), text); }

private:
    Sandbox m_sandbox;
    std::unique_ptr<NoteStore> m_store;
    NoteSearch *m_search = nullptr;
    std::unique_ptr<ContentView> m_window;
};

} // namespace

class TestSearchField : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void typingFiltersTheList()
    {
        Window window;
        QCOMPARE(window.field()->placeholderText(), "Search or create");
        window.type("SEED");
        QAbstractItemModelTester tester(window.list()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(rowsOf(window.list()), (QStringList {"Garden plan", "Shopping"}));
        window.type(" water");
        QCOMPARE(rowsOf(window.list()), QStringList {"Garden plan"});
        const auto snippet = window.list()
                                 ->model()
                                 ->index(0, 0)
                                 .data(SearchResultsModel::SnippetRole)
                                 .value<NoteSearch::Snippet>();
        QCOMPARE(snippet.text, "tomatoes and seeds");
        QCOMPARE(snippet.matches, (QList<search::TextRange> {{13, 4}}));
        window.field()->clear();
        QCOMPARE(rowsOf(window.list()),
                 (QStringList {"Zebra", "Garden plan", "garden", "Shopping"}));
        QCOMPARE(selectedRow(window.list()), "Zebra");
    }

    // Each row is the keys pressed in the field after a query, then the note selected, the
    // query left in the field, whether the editor has the focus, and the notes on disk.
    void keys_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QList<QKeyCombination>>("keys");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("fieldAfter");
        QTest::addColumn<bool>("editorFocused");
        QTest::addColumn<QStringList>("created");
        using Keys = QList<QKeyCombination>;
        const QKeyCombination enter(Qt::Key_Return);
        const QKeyCombination createKeys(Qt::ControlModifier, Qt::Key_Return);
        QTest::newRow("down selects the first result")
            << "garden" << Keys {Qt::Key_Down} << "Garden plan"
            << "garden" << false << QStringList {};
        QTest::newRow("down, down, up")
            << "garden" << Keys {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}
            << "Garden plan"
            << "garden" << false << QStringList {};
        QTest::newRow("enter: the name equal to the query, folded")
            << "GARDEN" << Keys {enter} << "garden"
            << "GARDEN" << true << QStringList {};
        QTest::newRow("enter: else the first result") << "seeds" << Keys {enter} << "Garden plan"
                                                      << "seeds" << true << QStringList {};
        QTest::newRow("enter with no results creates")
            << "New idea" << Keys {enter} << "New idea"
            << "New idea" << true << QStringList {"New idea"};
        QTest::newRow("ctrl+enter creates, even with results")
            << "seeds" << Keys {createKeys} << "seeds"
            << "seeds" << true << QStringList {"seeds"};
        QTest::newRow("ctrl+enter on a taken name")
            << "Garden plan" << Keys {createKeys} << "Garden plan 2"
            << "Garden plan" << true << QStringList {"Garden plan 2"};
        QTest::newRow("created name made safe") << " a/b " << Keys {createKeys} << "a-b"
                                                << " a/b " << true << QStringList {"a-b"};
        QTest::newRow("escape clears and keeps the selection")
            << "seeds" << Keys {Qt::Key_Down, Qt::Key_Down, Qt::Key_Escape} << "Shopping"
            << "" << false << QStringList {};
    }

    void keys()
    {
        QFETCH(QString, query);
        QFETCH(QList<QKeyCombination>, keys);
        QFETCH(QString, selected);
        QFETCH(QString, fieldAfter);
        QFETCH(bool, editorFocused);
        QFETCH(QStringList, created);
        Window window;
        window.type(query);
        for (const QKeyCombination &key : keys)
            QTest::keyClick(window.field(), key.key(), key.keyboardModifiers());
        QCOMPARE(window.store().selection(), std::optional<QString>(selected));
        // A new note is among the results once its text is read.
        QTRY_COMPARE(selectedRow(window.list()), selected);
        QCOMPARE(window.field()->text(), fieldAfter);
        QCOMPARE(window.view().editor()->hasFocus(), editorFocused);
        if (fieldAfter.isEmpty())
            QVERIFY(window.list()->hasFocus());
        for (const QString &name : created) {
            const QString heading = "# " + query.trimmed() + "\n\n";
            QCOMPARE(window.sandbox().readNote(name + ".md"), heading.toUtf8());
            QCOMPARE(window.store().text(), heading);
            const NoteEditor *editor = window.view().editor();
            QCOMPARE(editor->SendScintilla(QsciScintilla::SCI_GETCURRENTPOS),
                     editor->SendScintilla(QsciScintilla::SCI_GETLENGTH));
        }
    }

    // What assistive technology is told: the field's name, what it does and how many notes it
    // found, and a clear button with a name that takes the focus and can be pressed.
    void fieldIsDescribedForAccessibility()
    {
        Window window;
        QAccessibleInterface *field = QAccessible::queryAccessibleInterface(window.field());
        QCOMPARE(field->text(QAccessible::Name), "Search notes");
        QVERIFY(!field->text(QAccessible::Description).contains("Notes found"));
        window.type("seed");
        QVERIFY(field->text(QAccessible::Description).endsWith("Notes found: 2"));
        window.type(" water");
        QVERIFY(field->text(QAccessible::Description).endsWith("Notes found: 1"));

        QAccessibleInterface *clear = nullptr;
        for (int i = 0; i < field->childCount(); ++i) {
            if (field->child(i)->text(QAccessible::Name) == "Clear the search")
                clear = field->child(i);
        }
        QVERIFY(clear);
        QVERIFY(clear->state().focusable);
        clear->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(window.field()->text(), QString());
        QVERIFY(!field->text(QAccessible::Description).contains("Notes found"));
    }

    void chosenNoteOpensAtItsFirstMatch()
    {
        Window window;
        window.type("daily");
        QTest::keyClick(window.field(), Qt::Key_Return);
        QCOMPARE(window.store().selection(), std::optional<QString>("Garden plan"));
        const NoteEditor *editor = window.view().editor();
        QCOMPARE(editor->SendScintilla(QsciScintilla::SCI_GETCURRENTPOS),
                 long(QByteArray("tomatoes and seeds\nwater ").size()));
        const long indicator = QsciScintilla::INDIC_CONTAINER;
        QTRY_COMPARE(editor->SendScintilla(QsciScintilla::SCI_INDICATORVALUEAT, indicator, 25L),
                     1L);
        // Chosen again while it is open: the caret goes back to the match.
        window.view().editor()->SendScintilla(QsciScintilla::SCI_GOTOPOS, 0L);
        window.field()->setFocus();
        QTest::keyClick(window.field(), Qt::Key_Return);
        QCOMPARE(editor->SendScintilla(QsciScintilla::SCI_GETCURRENTPOS), 25L);
        QCOMPARE(editor->SendScintilla(QsciScintilla::SCI_INDICATORVALUEAT, indicator, 24L), 0L);
    }
};

QTEST_MAIN(TestSearchField)
#include "tst_searchfield.moc"
