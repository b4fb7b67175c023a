#include "app/contentview.h"
#include "app/noteeditor.h"
#include "app/notelistmodel.h"
#include "app/penwickapp.h"
#include "listrows.h"
#include "preview/markdownview.h"
#include "sandbox.h"
#include "store/notestore.h"

#include <QAbstractButton>
#include <QAbstractItemModelTester>
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

#include <csignal>

namespace {

constexpr int saveWaitMs = 3000;

void typeAtEnd(NoteEditor *editor, const QString &text)
{
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(editor, text);
}

// Text of any script, one character a key, as a keyboard hands it over.
void typeText(QWidget *editor, const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype units = text[i].isHighSurrogate() ? 2 : 1;
        const QString character = text.sliced(i, units);
        i += units - 1;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character);
        QApplication::sendEvent(editor, &press);
        QApplication::sendEvent(editor, &release);
    }
}

qreal luma(const QColor &color)
{
    return 0.2126 * color.redF() + 0.7152 * color.greenF() + 0.0722 * color.blueF();
}

// The colour of a region's pixel that stands out most from the background: its text, if any.
QColor inkIn(const QImage &image, const QRect &region, const QColor &background)
{
    QColor ink = background;
    for (int y = region.top(); y <= region.bottom(); ++y) {
        for (int x = region.left(); x <= region.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(luma(pixel) - luma(background)) > std::abs(luma(ink) - luma(background)))
                ink = pixel;
        }
    }
    return ink;
}

// Text drawn in the palette's text colour on its base, legibly.
bool isText(const QColor &ink, const QPalette &palette)
{
    const qreal text = luma(palette.color(QPalette::Text));
    const qreal base = luma(palette.color(QPalette::Base));
    return std::abs(luma(ink) - base) > 0.4 && std::abs(luma(ink) - text) < 0.1;
}

// A faint tint of the text colour over the base: not the base, and much nearer it than the text.
bool isTint(const QColor &pixel, const QPalette &palette)
{
    const qreal text = luma(palette.color(QPalette::Text));
    const qreal base = luma(palette.color(QPalette::Base));
    const qreal toward = (luma(pixel) - base) / (text - base);
    return toward > 0.02 && toward < 0.3;
}

} // namespace

class TestContentView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sidebarMirrorsTheStore()
    {
        Sandbox sandbox;
        sandbox.writeNote("old.md", "old", minutesAgo(9));
        sandbox.writeNote("new.md", "new", minutesAgo(1));
        NoteStore store(sandbox.documents());
        ContentView window(&store);
        QAbstractItemModelTester tester(window.sidebar()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(rowsOf(window.sidebar()), (QStringList {"new", "old"}));
        QCOMPARE(selectedRow(window.sidebar()), "new");

        store.create("# Untitled\n\n");
        QCOMPARE(rowsOf(window.sidebar()), (QStringList {"Untitled", "new", "old"}));
        QCOMPARE(selectedRow(window.sidebar()), "Untitled");
        store.setSelection("old");
        QCOMPARE(selectedRow(window.sidebar()), "old");
        store.reload(); // the list is rebuilt and still shows the selection
        QCOMPARE(selectedRow(window.sidebar()), "old");
    }

    // The list moves and changes its rows as the store's list changes, so the view keeps its
    // scroll position and its selection.
    void listKeepsItsPlace_data()
    {
        QTest::addColumn<int>("touched"); // the row whose note becomes the newest
        QTest::addColumn<bool>("removeOne");
        QTest::addColumn<bool>("autosaved"); // by the store's own save, not another program
        QTest::newRow("a note below the view moves to the top") << 250 << false << false;
        QTest::newRow("the selected note moves to the top") << 150 << false << false;
        QTest::newRow("the newest note is saved again") << 0 << false << false;
        QTest::newRow("a note moves up and another goes") << 250 << true << false;
        QTest::newRow("the selected note is autosaved") << 150 << false << true;
    }

    void listKeepsItsPlace()
    {
        QFETCH(int, touched);
        QFETCH(bool, removeOne);
        QFETCH(bool, autosaved);
        Sandbox sandbox;
        for (int i = 0; i < 300; ++i)
            sandbox.writeNote(QStringLiteral("note %1.md").arg(i), "x", minutesAgo(i + 10));
        NoteStore store(sandbox.documents());
        ContentView window(&store);
        QAbstractItemModelTester tester(window.sidebar()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        window.resize(1000, 600);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        store.setSelection("note 150");
        QApplication::processEvents();
        const int scrolled = window.sidebar()->verticalScrollBar()->value();
        QVERIFY(scrolled > 0);

        QSignalSpy resets(window.sidebar()->model(), &QAbstractItemModel::modelReset);
        const QString first = QStringLiteral("note %1").arg(touched);
        if (autosaved) {
            store.setText("edited");
            QTRY_COMPARE(rowsOf(window.sidebar()).first(), first);
        } else {
            QFile file(sandbox.notePath(first + ".md"));
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(minutesAgo(1), QFileDevice::FileModificationTime));
            file.close();
            if (removeOne)
                QVERIFY(QFile::remove(sandbox.notePath("note 299.md")));
            store.reload();
        }
        QCOMPARE(rowsOf(window.sidebar()), namesOf(store));
        QCOMPARE(rowsOf(window.sidebar()).first(), first);
        QCOMPARE(resets.count(), 0);
        QCOMPARE(selectedRow(window.sidebar()), "note 150");
        QCOMPARE(window.sidebar()->verticalScrollBar()->value(), scrolled);
    }

    // A saved note's row is repainted when what it shows changed, the day included.
    void autosavedRowShowsItsDay_data()
    {
        QTest::addColumn<int>("minutesBefore"); // since the note was saved last
        QTest::addColumn<bool>("repainted");
        QTest::newRow("saved earlier today") << 1 << false;
        QTest::newRow("saved days ago") << 3 * 24 * 60 << true;
    }

    void autosavedRowShowsItsDay()
    {
        QFETCH(int, minutesBefore);
        QFETCH(bool, repainted);
        const QDateTime saved = minutesAgo(minutesBefore);
        if (!repainted && saved.date() != QDate::currentDate())
            QSKIP("Just after midnight a minute ago was yesterday");
        Sandbox sandbox;
        sandbox.writeNote("a.md", "alpha", saved);
        NoteStore store(sandbox.documents());
        ContentView window(&store);
        QSignalSpy changed(window.sidebar()->model(), &QAbstractItemModel::dataChanged);
        store.setText("edited");
        QTRY_COMPARE_WITH_TIMEOUT(sandbox.readNote("a.md"), "edited", saveWaitMs);
        QTRY_COMPARE(store.notes().first().modified.date(), QDate::currentDate());
        QCOMPARE(window.sidebar()->model()->index(0, 0).data(NoteListModel::ModifiedTextRole),
                 QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
        QCOMPARE(changed.count(), repainted ? 1 : 0);
    }

    // Whatever other programs do to the folder, the rows end as the store's list.
    void listFollowsAnyChange()
    {
        Sandbox sandbox;
        for (int i = 0; i < 40; ++i)
            sandbox.writeNote(QStringLiteral("n%1.md").arg(i), "x", minutesAgo(i + 100));
        NoteStore store(sandbox.documents());
        ContentView window(&store);
        QAbstractItemModelTester tester(window.sidebar()->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QRandomGenerator random(7);
        for (int round = 0; round < 60; ++round) {
            for (int change = random.bounded(1, 5); change > 0; --change) {
                const QString name = QStringLiteral("n%1.md").arg(random.bounded(60));
                if (random.bounded(3) == 0)
                    QFile::remove(sandbox.notePath(name));
                else
                    sandbox.writeNote(name, "y", minutesAgo(random.bounded(200)));
            }
            store.reload();
            QCOMPARE(rowsOf(window.sidebar()), namesOf(store));
            for (int row = 0; row < store.notes().size(); ++row)
                QCOMPARE(
                    window.sidebar()->model()->index(row, 0).data(NoteListModel::ModifiedTextRole),
                    QLocale().toString(store.notes()[row].modified.date(), QLocale::ShortFormat));
        }
    }

    void choosingARowLoadsTheNote()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "alpha", minutesAgo(1));
        sandbox.writeNote("b.md", "bravo", minutesAgo(2));
        NoteStore store(sandbox.documents());
        ContentView window(&store);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const QRect row = window.sidebar()->visualRect(window.sidebar()->model()->index(1, 0));
        QTest::mouseClick(window.sidebar()->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(store.selection(), std::optional<QString>("b"));
        QCOMPARE(window.editor()->noteText(), "bravo");
        QCOMPARE(window.preview()->source(), "bravo");
        QCOMPARE(window.windowTitle(), "b");
        QTRY_VERIFY(window.editor()->hasFocus());
    }

    void typingReachesTheFileAfterThePause()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "text");
        NoteStore store(sandbox.documents());
        ContentView window(&store);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        typeAtEnd(window.editor(), " more");
        QCOMPARE(store.text(), "text more");
        QCOMPARE(window.preview()->source(), "text more");
        QCOMPARE(sandbox.readNote("a.md"), "text");
        QTRY_COMPARE_WITH_TIMEOUT(sandbox.readNote("a.md"), "text more", saveWaitMs);
    }

    // Typing through the real widget changes the file by exactly what was typed.
    void typedBytesAreTheOnlyChange_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("added");
        const QByteArray mixed("\xEF\xBB\xBF# T\r\nline\rx\xC2\xA0y\xE2\x80\xA8z");
        QTest::newRow("one character") << mixed << "!" << QByteArray("!");
        QTest::newRow("Enter in a CR LF note")
            << QByteArray("a\r\nb") << "\r" << QByteArray("\r\n");
        QTest::newRow("Enter in a LF note") << QByteArray("a\nb") << "\r" << QByteArray("\n");
        QTest::newRow("NUL survives") << QByteArray("a\0b", 3) << "c" << QByteArray("c");
        const QByteArray scripts("\xEF\xBB\xBF"
                                 "\xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7\r\n" // مرحبا
                                 "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D\r" // שלום
                                 "abc \xD9\x85\xD8\xB1\xC2\xA0\xE2\x80\xA9" // abc مر
                                 "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB" // 👩‍💻
                                 "\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA\0\n" // 🇩🇪
                                 "\xD7\xA9",
                                 60);
        QTest::newRow("right-to-left and emoji lines") << scripts << "!" << QByteArray("!");
    }

    void typedBytesAreTheOnlyChange()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, typed);
        QFETCH(QByteArray, added);
        Sandbox sandbox;
        sandbox.writeNote("n.md", bytes);
        NoteStore store(sandbox.documents());
        ContentView window(&store);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.editor()->setFocus();
        QTest::keyClick(window.editor(), Qt::Key_End, Qt::ControlModifier);
        if (typed == "\r")
            QTest::keyClick(window.editor(), Qt::Key_Return);
        else
            QTest::keyClicks(window.editor(), typed);
        store.flush();
        QCOMPARE(sandbox.readNote("n.md"), bytes + added);
    }

    // Edits reach the store as changes to its text: whatever is typed, deleted, replaced, undone
    // or pasted, among characters of one to four bytes and any line breaks, the store ends with
    // exactly the editor's text.
    void everyEditReachesTheStoreExactly()
    {
        Sandbox sandbox;
        sandbox.writeNote("n.md",
                          "\xEF\xBB\xBF# T\r\nline \xC3\xA9\rx\xC2\xA0y\xE2\x80\xA8z "
                          "\xE6\x97\xA5\xF0\x9F\x98\x80\nend");
        NoteStore store(sandbox.documents());
        ContentView window(&store);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        NoteEditor *editor = window.editor();
        editor->setFocus();
        const QStringList typed {"a", "é", "日本", "😀", "  "};
        QRandomGenerator random(11);
        for (int step = 0; step < 300; ++step) {
            // A random place, moved to the start of its character.
            const long length = editor->SendScintilla(QsciScintilla::SCI_GETLENGTH);
            const long place = editor->SendScintilla(QsciScintilla::SCI_POSITIONAFTER,
                                                     long(random.bounded(int(length) + 1)));
            editor->SendScintilla(QsciScintilla::SCI_GOTOPOS,
                                  editor->SendScintilla(QsciScintilla::SCI_POSITIONBEFORE, place));
            switch (random.bounded(7)) {
            case 0:
                QTest::keyClick(editor, Qt::Key_Backspace);
                break;
            case 1:
                QTest::keyClick(editor, Qt::Key_Delete);
                break;
            case 2:
                QTest::keyClick(editor, Qt::Key_Right, Qt::ShiftModifier);
                QTest::keyClick(editor, Qt::Key_Right, Qt::ShiftModifier);
                typeText(editor, typed[random.bounded(typed.size())]);
                break;
            case 3:
                editor->undo();
                break;
            case 4:
                editor->redo();
                break;
            case 5:
                QTest::keyClick(editor, Qt::Key_Return);
                break;
            default:
                typeText(editor, typed[random.bounded(typed.size())]);
                break;
            }
            QCOMPARE(store.text(), editor->noteText());
        }
        store.flush();
        QCOMPARE(sandbox.readNote("n.md"), editor->noteText().toUtf8());
    }

    void editsEndAsTheWholeTextWould_data()
    {
        QTest::addColumn<QString>("note");
        QTest::addColumn<qsizetype>("at");
        QTest::addColumn<qsizetype>("removed");
        QTest::addColumn<QString>("inserted");

        const QString note = "# Title\r\n\r\nfirst para\r\nmore \U0001F600\r\n\r\n- item\r\n\r\n"
                             "```\r\ncode\r\n```\r\nlast";
        QTest::newRow("insert at the start") << note << 0ll << 0ll << "x";
        QTest::newRow("delete in the middle, across line ends") << note << 10ll << 14ll << "";
        QTest::newRow("replace at the end") << note << note.size() - 4 << 4ll << "LAST";
        QTest::newRow("surrogate pair replaced") << note << 28ll << 2ll << "\U0001F642";
        QTest::newRow("a paragraph split") << note << 20ll << 0ll << "\r\n\r\n";
        QTest::newRow("a paragraph and a list merged") << note << 30ll << 6ll << "\r\n";
        // Long enough that the preview is still drawing it when the edit comes.
        QString longNote = "```\n";
        for (int i = 0; i < 3000; ++i)
            longNote += QStringLiteral("para %1 with some words\n\n## heading %1\n").arg(i);
        QTest::newRow("a fence closed far above") << longNote << 0ll << 4ll << "";
        QTest::newRow("a fence opened far above") << longNote.sliced(4) << 0ll << 0ll << "```\n";
        QTest::newRow("typed in the part not drawn yet")
            << longNote << longNote.size() - 20 << 3ll << "x";
        QTest::newRow("deleted from the part drawn into the part not drawn yet")
            << longNote << 100ll << longNote.size() - 200 << "x\n# y\n";
        QTest::newRow("a large block pasted in the middle")
            << longNote << longNote.size() / 2 << 0ll << longNote.sliced(100, 20000);
    }

    // An edit, followed in place by the store and the preview, leaves the store, the editor and
    // the preview as the whole new text, shown afresh, would.
    void editsEndAsTheWholeTextWould()
    {
        QFETCH(QString, note);
        QFETCH(qsizetype, at);
        QFETCH(qsizetype, removed);
        QFETCH(QString, inserted);
        Sandbox sandbox;
        sandbox.writeNote("n.md", note.toUtf8());
        NoteStore store(sandbox.documents());
        // The edit comes before the event loop runs, while a long note is still being drawn.
        ContentView window(&store);
        NoteEditor *editor = window.editor();
        const long from =
            editor->SendScintilla(QsciScintilla::SCI_POSITIONRELATIVECODEUNITS, 0ul, long(at));
        const long to = editor->SendScintilla(QsciScintilla::SCI_POSITIONRELATIVECODEUNITS,
                                              static_cast<unsigned long>(from), long(removed));
        editor->SendScintilla(QsciScintilla::SCI_SETTARGETRANGE, static_cast<unsigned long>(from),
                              to);
        const QByteArray utf8 = inserted.toUtf8();
        editor->SendScintilla(QsciScintilla::SCI_REPLACETARGET,
                              static_cast<unsigned long>(utf8.size()), utf8.constData());

        const QString expected = QString(note).replace(at, removed, inserted);
        QCOMPARE(store.text(), expected);
        QCOMPARE(editor->noteText(), expected);
        window.show();
        MarkdownView *preview = window.preview();
        QTRY_VERIFY_WITH_TIMEOUT(!preview->hasBackgroundWork(), 20000);
        QCOMPARE(preview->source(), expected);
        const QString shown = preview->document()->toHtml();
        preview->showNewSource(expected);
        QTRY_VERIFY_WITH_TIMEOUT(!preview->hasBackgroundWork(), 20000);
        QVERIFY(shown == preview->document()->toHtml());
    }

    void outsideChangeKeepsTheCursor()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "first line\nsecond line");
        NoteStore store(sandbox.documents());
        ContentView window(&store);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.editor()->setCursorPosition(1, 3);
        sandbox.writeNote("a.md", "first line\nsecond line, changed elsewhere");
        QTRY_COMPARE_WITH_TIMEOUT(window.editor()->noteText(),
                                  "first line\nsecond line, changed elsewhere", saveWaitMs);
        int line = -1, index = -1;
        window.editor()->getCursorPosition(&line, &index);
        QCOMPARE(line, 1);
        QCOMPARE(index, 3);
        QCOMPARE(window.preview()->source(), store.text());
    }

    void placeholderAndTitleFollowTheSelection()
    {
        Sandbox sandbox;
        sandbox.writeNote("a[*]b.md", "x");
        NoteStore store(sandbox.documents());
        ContentView window(&store);
        QVERIFY(window.showsNote());
        QCOMPARE(window.windowTitle(), "a[[*]]b"); // shown as "a[*]b"
        store.setSelection(std::nullopt);
        QVERIFY(!window.showsNote());
        QCOMPARE(window.windowTitle(), "Penwick");
        QCOMPARE(selectedRow(window.sidebar()), QString());
        store.setSelection("a[*]b");
        QVERIFY(window.showsNote());
    }

    // A palette set while the program runs, a dark one as well, reaches the editor, the preview
    // and the toolbar's icons.
    void followsThePaletteWhileRunning_data()
    {
        QTest::addColumn<QPalette>("palette");
        QTest::newRow("default") << QApplication::palette();
        QTest::newRow("dark") << QPalette(QColor(0x35, 0x35, 0x35), QColor(0x2b, 0x2b, 0x2b));
    }

    void followsThePaletteWhileRunning()
    {
        QFETCH(QPalette, palette);
        Sandbox sandbox;
        sandbox.writeNote("a.md", "plain words\n\nsome `code` here\n\n```\nbox\n```\n");
        NoteStore store(sandbox.documents());
        ContentView window(&store);
        window.resize(1000, 600);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPalette original = QApplication::palette();
        const auto restore = qScopeGuard([&original] { QApplication::setPalette(original); });
        QApplication::setPalette(palette);
        QCoreApplication::processEvents();

        const QColor base = palette.color(QPalette::Base);
        const QImage editor = window.editor()->viewport()->grab().toImage();
        QCOMPARE(editor.pixelColor(editor.width() - 2, editor.height() - 2), base);
        const int lineHeight = window.editor()->textHeight(0);
        QVERIFY(isText(inkIn(editor, QRect(0, 0, editor.width() / 2, lineHeight), base), palette));

        MarkdownView *preview = window.preview();
        const QImage shot = preview->viewport()->grab().toImage();
        QCOMPARE(shot.pixelColor(shot.width() - 2, shot.height() - 2), base);
        const QAbstractTextDocumentLayout *layout = preview->document()->documentLayout();
        const QTextBlock paragraph = preview->document()->findBlockByNumber(1);
        const QRectF paragraphRect = layout->blockBoundingRect(paragraph);
        QVERIFY(isText(inkIn(shot, paragraphRect.toRect(), base), palette));
        const QTextLine line = paragraph.layout()->lineAt(0);
        const QPointF inCodeSpan(line.cursorToX(7),
                                 paragraphRect.top() + line.y() + line.height() - 1);
        QVERIFY(isTint(shot.pixelColor(inCodeSpan.toPoint()), palette));
        const QRectF codeBox = layout->blockBoundingRect(paragraph.next());
        QVERIFY(isTint(shot.pixelColor(shot.width() - 20, int(codeBox.center().y())), palette));

        const QColor windowColour = palette.color(QPalette::Window);
        for (const QAction *action : {window.newAction(), window.renameAction(),
                                      window.deleteAction(), window.alwaysOnTopAction()}) {
            const QImage icon = action->icon().pixmap(QSize(16, 16), 1.0).toImage();
            QColor ink = windowColour;
            for (int y = 0; y < icon.height(); ++y) {
                for (int x = 0; x < icon.width(); ++x) {
                    if (icon.pixelColor(x, y).alpha() == 255)
                        ink = icon.pixelColor(x, y);
                }
            }
            QVERIFY2(std::abs(luma(ink) - luma(windowColour)) > 0.4, qPrintable(action->text()));
            // Drawn anew for a screen at twice the scale, not enlarged.
            QCOMPARE(action->icon().pixmap(QSize(16, 16), 2.0).size(), QSize(32, 32));
        }
    }

    void unreadableNoteIsReadOnly()
    {
        Sandbox sandbox;
        sandbox.writeNote("bad.md", "\xFF\xFE");
        NoteStore store(sandbox.documents());
        ContentView window(&store);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(window.editor()->isReadOnly());
        const QList<QLabel *> labels = window.findChildren<QLabel *>();
        QVERIFY(std::any_of(labels.cbegin(), labels.cend(), [](const QLabel *label) {
            return label->isVisible() && label->text().contains("bad")
                && !label->text().contains(u'\n');
        }));
        typeAtEnd(window.editor(), "typed");
        store.flush();
        QCOMPARE(sandbox.readNote("bad.md"), "\xFF\xFE");
    }

    void secondWindowStaysInStep()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "alpha", minutesAgo(1));
        sandbox.writeNote("b.md", "bravo", minutesAgo(2));
        NoteStore store(sandbox.documents());
        ContentView first(&store);
        ContentView second(&store);
        first.show();
        second.show();
        QVERIFY(QTest::qWaitForWindowExposed(&second));
        typeAtEnd(first.editor(), "!");
        QCOMPARE(second.editor()->noteText(), "alpha!");
        QCOMPARE(second.preview()->source(), "alpha!");
        second.sidebar()->selectionModel()->setCurrentIndex(second.sidebar()->model()->index(1, 0),
                                                            QItemSelectionModel::ClearAndSelect);
        QCOMPARE(first.editor()->noteText(), "bravo");
        QCOMPARE(selectedRow(first.sidebar()), "b");
        QCOMPARE(sandbox.readNote("a.md"), "alpha!");
    }

    // Windows share one document: what is typed in one is not pasted whole into the others as
    // steps to undo, and undoing in any window undoes the typing, once.
    void windowsShareOneHistory()
    {
        Sandbox sandbox;
        sandbox.writeNote("a.md", "alpha");
        NoteStore store(sandbox.documents());
        QSignalSpy edits(&store, &NoteStore::textChanged);
        auto first = std::make_unique<ContentView>(&store);
        ContentView second(&store);
        first->show();
        second.show();
        QVERIFY(QTest::qWaitForWindowExposed(&second));
        typeAtEnd(first->editor(), "0123456789");
        QCOMPARE(edits.count(), 10); // one store assignment a keystroke, not one a window
        QCOMPARE(second.editor()->noteText(), "alpha0123456789");
        int steps = 0;
        for (; second.editor()->isUndoAvailable() && steps < 100; ++steps)
            second.editor()->undo();
        QVERIFY2(steps <= 10, qPrintable(QString::number(steps)));
        QCOMPARE(store.text(), "alpha");
        QCOMPARE(first->editor()->noteText(), "alpha");

        // The window that told the store of edits closes; the other takes over.
        first.reset();
        typeAtEnd(second.editor(), "!");
        QCOMPARE(store.text(), "alpha!");
    }

    void quittingWritesPendingText_data()
    {
        QTest::addColumn<int>("signalNumber"); // 0: quit from the program
        QTest::newRow("quit") << 0;
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }

    void quittingWritesPendingText()
    {
        QFETCH(int, signalNumber);
        Sandbox sandbox;
        sandbox.writeNote("a.md", "text");
        PenwickApp app;
        // Quitting closes the windows, and a closed window deletes itself.
        QPointer<ContentView> window = app.newWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
        typeAtEnd(window->editor(), "!");
        QTimer::singleShot(0, [signalNumber] {
            if (signalNumber)
                ::raise(signalNumber);
            else
                QCoreApplication::quit();
        });
        QCoreApplication::exec(); // returns on quit, after aboutToQuit
        QCOMPARE(sandbox.readNote("a.md"), "text!");
        delete window.data();
    }

    void textThatCannotBeWrittenAtQuitIsKept_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::newRow("save elsewhere") << "Save As…";
        QTest::newRow("go back") << "Back to Penwick";
        QTest::newRow("discard") << "Discard Changes";
    }

    void textThatCannotBeWrittenAtQuitIsKept()
    {
        QFETCH(QString, choice);
        Sandbox sandbox;
        sandbox.writeNote("a.md", "text");
        PenwickApp app;
        QPointer<ContentView> window = app.newWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QVERIFY(QFile::remove(sandbox.notePath("a.md")));
        QVERIFY(QDir().rmdir(sandbox.notesFolder()));
        putFileAt(sandbox.notesFolder());
        typeAtEnd(window->editor(), "!");
        const QString elsewhere = sandbox.documents() + "/kept.md";

        QString shown;
        QTimer::singleShot(0, &QCoreApplication::quit);
        answerModal([&](QMessageBox *box) {
            shown = box->text();
            clickButton(box, choice);
            if (choice == "Save As…")
                answerFileDialog(elsewhere);
            else if (choice == "Back to Penwick")
                QTimer::singleShot(100, &QCoreApplication::quit); // after the folder is free
        });
        if (choice == "Back to Penwick") {
            QTimer::singleShot(50, [&] {
                QVERIFY(window && window->isVisible());
                QVERIFY(QFile::remove(sandbox.notesFolder()));
            });
        }
        QCoreApplication::exec();
        QVERIFY2(shown.contains("“a”"), qPrintable(shown));
        QVERIFY(shown.contains("could not be saved"));
        if (choice == "Save As…")
            QCOMPARE(readFile(elsewhere), "text!");
        if (choice == "Back to Penwick")
            QCOMPARE(sandbox.readNote("a.md"), "text!");
        delete window.data();
    }

private:
    // Handles the next modal message box once it shows.
    static void answerModal(const std::function<void(QMessageBox *)> &answer)
    {
        QTimer::singleShot(100, [answer] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                answer(box);
            else
                answerModal(answer);
        });
    }

    static void clickButton(QMessageBox *box, const QString &text)
    {
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == text) {
                QTimer::singleShot(0, button, &QAbstractButton::click);
                return;
            }
        }
        QFAIL(qPrintable("No button " + text));
    }

    static void answerFileDialog(const QString &path)
    {
        QTimer::singleShot(100, [path] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return answerFileDialog(path);
            // Typed, as a person would: the dialog may still be filling in its own suggestion.
            auto *fileName = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(fileName);
            fileName->setText(path);
            static_cast<QDialog *>(dialog)->accept();
        });
    }

    static QByteArray readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
};

QTEST_MAIN(TestContentView)
#include "tst_contentview.moc"
