#include "app/contentview.h"

#include "app/commands.h"
#include "app/findbar.h"
#include "app/markdownhighlighter.h"
#include "app/noteeditor.h"
#include "app/notefinder.h"
#include "app/notelistmodel.h"
#include "app/notelistview.h"
#include "app/noterowdelegate.h"
#include "app/scrollfollower.h"
#include "app/searchfield.h"
#include "app/statuscounts.h"
#include "app/tintediconengine.h"
#include "app/windowaccessor.h"
#include "preview/markdownview.h"
#include "search/notesearch.h"
#include "store/notestore.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QStyleHints>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

// The icons live in this static library, where the linker would drop them unless asked for.
static void initIcons()
{
    Q_INIT_RESOURCE(icons);
}

namespace {

constexpr int sidebarMinimumWidth = 180;
constexpr int sidebarInitialWidth = 220;
constexpr int paneMinimumWidth = 250;
constexpr QSize contentMinimumSize(900, 500);
// A screen too small for the content's minimum lets it shrink to this height (a dozen lines in
// each pane); its width never goes below what the panes need.
constexpr int smallScreenContentHeight = 300;

enum DetailPage { NotePage, PlaceholderPage };

constexpr int zoomMessageMs = 2000;
constexpr int zoomSteps[] = {50, 67, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300};

// A tooltip says what the command does and how to reach it from the keyboard.
QString tooltip(const QString &help, const QString &keys)
{
    return QStringLiteral("%1 (%2)").arg(help, keys);
}

QString nativeText(QKeySequence::StandardKey key)
{
    return QKeySequence(key).toString(QKeySequence::NativeText);
}

// Qt takes "[*]" in a window title for the modified mark; a note name is shown as it is.
QString titleFor(const std::optional<QString> &selection)
{
    if (!selection)
        return QStringLiteral("Penwick");
    QString title = *selection;
    return title.replace(QStringLiteral("[*]"), QStringLiteral("[[*]]"));
}

} // namespace

ContentView::ContentView(NoteStore *store, QWidget *parent)
    : ContentView(store, new NoteSearch(store), parent)
{
    m_search->setParent(this);
}

ContentView::ContentView(NoteStore *store, NoteSearch *search, QWidget *parent)
    : QMainWindow(parent), m_store(store), m_search(search), m_model(new NoteListModel(store, this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    initIcons();

    auto *split = new QSplitter(Qt::Horizontal);
    split->addWidget(buildSidebar());
    split->addWidget(buildDetail());
    split->setCollapsible(0, false);
    split->setCollapsible(1, false);
    split->setStretchFactor(1, 1);
    split->setSizes({sidebarInitialWidth, 900});
    setCentralWidget(split);
    buildToolbar();
    buildRenamePrompt();
    buildDeletePrompt();
    m_commands = new Commands(this);
    m_counts = new StatusCounts(m_editor);
    statusBar()->addPermanentWidget(m_counts);
    describeForAccessibility();
    fitToScreen();
    // As soon as this window exists, every window takes this window's level (off at first).
    new WindowAccessor([this](QWidget *) { applyLevel(); }, this);

    // The list keeps its scroll position when notes come, go or move; it follows a new selection.
    connect(m_model, &NoteListModel::aboutToFollowStore, this, [this] { m_selectingRow = true; });
    connect(m_model, &NoteListModel::followedStore, this, [this] {
        m_selectingRow = false;
        selectRowOfSelection(false);
    });
    connect(m_store, &NoteStore::selectionChanged, this, &ContentView::showSelection);
    connect(m_store, &NoteStore::textChanged, this, &ContentView::showText);
    // An error stays until another message replaces it; it is not about the note in sight only.
    connect(m_store, &NoteStore::errorOccurred, this, [this](const QString &message) {
        m_noteMessageShown = false;
        statusBar()->showMessage(message);
    });
    connect(m_store, &NoteStore::nameTaken, this, [this](const QString &name) {
        showNoteMessage(tr("A note named “%1” already exists.").arg(name));
    });
    connect(m_editor, &NoteEditor::zoomRequested, this,
            [this](int steps) { steps > 0 ? zoomIn() : zoomOut(); });
    connect(m_finder, &NoteFinder::listChanged, this, &ContentView::followList);
    connect(m_finder, &NoteFinder::editorWanted, this, &ContentView::focusEditor);
    connect(m_finder->field(), &QLineEdit::textChanged, this, &ContentView::takeQuery);
    followList();
    // A row chosen with the mouse or Enter hands over to the editor; arrow keys stay in the list.
    connect(m_sidebar, &QListView::clicked, this, [this] { m_editor->setFocus(); });
    connect(m_sidebar, &QListView::activated, this, [this] { m_editor->setFocus(); });
    connect(m_editor, &NoteEditor::edited, this, &ContentView::takeEdit);
    shareEditorDocument();
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    // Some desktops report their switch between light and dark apart from the palette that
    // comes with it: the icons are drawn again on the switch as well.
    connect(QGuiApplication::styleHints(), &QStyleHints::colorSchemeChanged, this,
            &ContentView::tintIcons);
#endif

    showSelection();
    showText();
    m_counts->countNow();
    // Typing goes into the note from the start; the list is one key away (Ctrl+L, F6).
    (showsNote() ? static_cast<QWidget *>(m_editor) : m_sidebar)->setFocus();
}

QWidget *ContentView::buildSidebar()
{
    m_sidebar = new NoteListView;
    m_sidebar->setModel(m_model);
    m_sidebar->setItemDelegate(new NoteRowDelegate(m_sidebar));
    m_sidebar->setSelectionMode(QAbstractItemView::SingleSelection);
    m_sidebar->setUniformItemSizes(true);
    m_sidebar->setMinimumWidth(sidebarMinimumWidth);
    m_sidebar->setFrameShape(QFrame::NoFrame);
    m_finder = new NoteFinder(m_store, m_search, m_model, m_sidebar, this);

    auto *sidebar = new QWidget;
    auto *layout = new QVBoxLayout(sidebar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_finder->field());
    layout->addWidget(m_sidebar, 1);
    return sidebar;
}

QWidget *ContentView::buildDetail()
{
    m_notice = new QLabel;
    m_notice->setWordWrap(false);
    m_notice->setContentsMargins(8, 4, 8, 4);
    m_notice->hide();
    m_editor = new NoteEditor;
    m_editor->setMinimumWidth(paneMinimumWidth);
    new MarkdownHighlighter(m_editor);
    m_preview = new MarkdownView;
    m_preview->setMinimumWidth(paneMinimumWidth);
    new ScrollFollower(m_editor, m_preview, this);

    m_findBar = new FindBar(m_editor);
    auto *editorColumn = new QWidget;
    editorColumn->setMinimumWidth(paneMinimumWidth);
    auto *editorLayout = new QVBoxLayout(editorColumn);
    editorLayout->setContentsMargins(0, 0, 0, 0);
    editorLayout->setSpacing(0);
    editorLayout->addWidget(m_editor, 1);
    editorLayout->addWidget(m_findBar);

    auto *panes = new QSplitter(Qt::Horizontal);
    panes->addWidget(editorColumn);
    panes->addWidget(m_preview);
    panes->setCollapsible(0, false);
    panes->setCollapsible(1, false);

    auto *notePage = new QWidget;
    auto *layout = new QVBoxLayout(notePage);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_notice);
    layout->addWidget(panes, 1);

    auto *placeholder = new QLabel(tr("No note selected"));
    placeholder->setAlignment(Qt::AlignCenter);
    placeholder->setForegroundRole(QPalette::PlaceholderText);

    m_detail = new QStackedWidget;
    m_detail->insertWidget(NotePage, notePage);
    m_detail->insertWidget(PlaceholderPage, placeholder);
    return m_detail;
}

// The window opens at the size it asks for, within the room its screen has.
void ContentView::fitToScreen()
{
    fitMinimumToScreen();
    if (const QScreen *screen = this->screen())
        resize(sizeHint().boundedTo(roomOn(*screen)).expandedTo(minimumSizeHint()));
}

// The content's minimum size gives way on a small or scaled screen (1280 by 720 at 150 % leaves
// about 850 by 450 points), down to what the panes need, so that the whole window fits.
void ContentView::fitMinimumToScreen()
{
    QWidget *content = centralWidget();
    content->setMinimumSize(contentMinimumSize);
    const QScreen *screen = this->screen();
    if (!screen)
        return;
    layout()->invalidate();
    const QSize excess = (minimumSizeHint() - roomOn(*screen)).expandedTo(QSize(0, 0));
    const QSize floor(content->minimumSizeHint().width(), smallScreenContentHeight);
    content->setMinimumSize(
        (contentMinimumSize - excess).expandedTo(floor).boundedTo(contentMinimumSize));
}

// The room a screen has for the window inside its frame. The desktop's frame is known only once
// the window is shown; until then, one like the style's own is allowed for.
QSize ContentView::roomOn(const QScreen &screen) const
{
    QMargins frame = isVisible() ? windowHandle()->frameMargins() : QMargins();
    if (frame.isNull()) {
        const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
        const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
        frame = QMargins(border, title + border, border, border);
    }
    return screen.availableGeometry().size().shrunkBy(frame);
}

// A window moved to another screen takes that screen's room for its minimum size.
void ContentView::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_followsScreen) {
        m_followsScreen = true;
        connect(windowHandle(), &QWindow::screenChanged, this, &ContentView::fitMinimumToScreen);
    }
}

bool ContentView::showsNote() const
{
    return m_detail->currentIndex() == NotePage;
}

void ContentView::buildToolbar()
{
    QToolBar *toolbar = addToolBar(tr("Note"));
    toolbar->setObjectName(QStringLiteral("noteToolbar"));
    toolbar->setMovable(false);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);

    m_newAction = toolbar->addAction(tr("New"), this, &ContentView::newNote);
    m_newAction->setToolTip(tooltip(tr("New note"), nativeText(QKeySequence::New)));

    m_renameAction = toolbar->addAction(tr("Rename"), this, &ContentView::askRename);
    m_renameAction->setToolTip(
        tooltip(tr("Rename note"), QKeySequence(Qt::Key_F2).toString(QKeySequence::NativeText)));

    m_deleteAction = toolbar->addAction(tr("Delete"), this, &ContentView::askDelete);
    m_deleteAction->setToolTip(tooltip(
        tr("Delete note"), tr("%1 in the note list").arg(nativeText(QKeySequence::Delete))));

    m_alwaysOnTopAction = toolbar->addAction(tr("Always on top"));
    m_alwaysOnTopAction->setCheckable(true);
    m_alwaysOnTopAction->setToolTip(tr("Always on top"));
    connect(m_alwaysOnTopAction, &QAction::toggled, this, &ContentView::applyLevel);
    tintIcons();
}

// The desktop theme's icons where it has them; ours are drawn in the palette's colours, again
// whenever the palette changes.
void ContentView::tintIcons()
{
    m_newAction->setIcon(themedOrTintedIcon(QStringLiteral("document-new"),
                                            QStringLiteral(":/icons/new-note.svg"), palette()));
    m_renameAction->setIcon(themedOrTintedIcon(QStringLiteral("edit-rename"),
                                               QStringLiteral(":/icons/rename.svg"), palette()));
    m_deleteAction->setIcon(themedOrTintedIcon(QStringLiteral("edit-delete"),
                                               QStringLiteral(":/icons/delete.svg"), palette()));
    m_alwaysOnTopAction->setIcon(QIcon(new TintedIconEngine(
        QStringLiteral(":/icons/pin.svg"), QStringLiteral(":/icons/pin-filled.svg"), palette())));
}

void ContentView::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        tintIcons();
}

void ContentView::buildRenamePrompt()
{
    m_renamePrompt = new QDialog(this);
    m_renamePrompt->setWindowTitle(tr("Rename Note"));
    m_renamePrompt->setWindowModality(Qt::WindowModal);
    m_newName = new QLineEdit;
    m_newName->setPlaceholderText(tr("Name"));
    m_newName->setMinimumWidth(280);
    auto *buttons = new QDialogButtonBox;
    buttons->addButton(tr("Rename"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    auto *layout = new QVBoxLayout(m_renamePrompt);
    layout->addWidget(new QLabel(tr("Rename Note")));
    layout->addWidget(m_newName);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, m_renamePrompt, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, m_renamePrompt, &QDialog::reject);
    connect(m_renamePrompt, &QDialog::accepted, this,
            [this] { m_store->rename(m_newName->text()); });
}

void ContentView::buildDeletePrompt()
{
    m_deletePrompt = new QMessageBox(this);
    m_deletePrompt->setIcon(QMessageBox::Warning);
    m_deletePrompt->setWindowTitle(tr("Delete this note?"));
    m_deletePrompt->setText(tr("Delete this note?"));
    m_deletePrompt->setInformativeText(tr("It will be moved to the Trash."));
    m_deletePrompt->setWindowModality(Qt::WindowModal);
    QPushButton *confirm = m_deletePrompt->addButton(tr("Delete"), QMessageBox::DestructiveRole);
    QPushButton *cancel = m_deletePrompt->addButton(tr("Cancel"), QMessageBox::RejectRole);
    m_deletePrompt->setDefaultButton(cancel);
    m_deletePrompt->setEscapeButton(cancel);
    connect(m_deletePrompt, &QMessageBox::buttonClicked, this,
            [this, confirm](QAbstractButton *button) {
                if (button == confirm)
                    m_store->deleteSelected();
            });
}

// The last window is not taken apart when it closes: the application quits right after it, and
// freeing a long note's editor and preview piece by piece held up the quit for as long as the
// note was large (a tenth of a second for 100,000 lines, several while the editor still wraps).
void ContentView::closeEvent(QCloseEvent *event)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    const bool last = std::none_of(windows.begin(), windows.end(), [this](QWidget *widget) {
        return widget != this && qobject_cast<ContentView *>(widget) && widget->isVisible();
    });
    if (last)
        setAttribute(Qt::WA_DeleteOnClose, false);
    QMainWindow::closeEvent(event);
}

void ContentView::newNote()
{
    const std::optional<QString> before = m_store->selection();
    m_store->create(QStringLiteral("# Untitled\n\n"));
    if (m_store->selection() == before)
        return;
    m_editor->setFocus();
    m_editor->SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
}

// The accessible names are the visible texts; these are the controls without one.
void ContentView::describeForAccessibility()
{
    m_sidebar->setAccessibleName(tr("Notes"));
    m_sidebar->setAccessibleDescription(tr("All notes, newest first"));
    m_editor->setAccessibleName(tr("Note text"));
    m_editor->setAccessibleDescription(tr("The Markdown text of the selected note"));
    m_preview->setAccessibleName(tr("Preview"));
    m_preview->setAccessibleDescription(tr("The selected note, formatted"));
    m_counts->setAccessibleDescription(tr("Words and characters of the note or the selection"));
    const QList<QAction *> toolbarActions {m_newAction, m_renameAction, m_deleteAction,
                                           m_alwaysOnTopAction};
    QToolBar *toolbar = findChild<QToolBar *>(QStringLiteral("noteToolbar"));
    for (QAction *action : toolbarActions) {
        QWidget *button = toolbar->widgetForAction(action);
        button->setAccessibleName(action->text());
        button->setAccessibleDescription(action->toolTip());
    }
}

// The search field sits above the list and leads into it with Up and Down.
void ContentView::focusNoteList()
{
    m_finder->focusField();
}

void ContentView::focusNextPane(bool forward)
{
    QList<QWidget *> panes {m_sidebar};
    if (showsNote())
        panes << m_editor << m_preview;
    const QWidget *focused = focusWidget();
    qsizetype current = panes.indexOf(focused);
    if (current < 0 && m_findBar->isAncestorOf(focused))
        current = panes.indexOf(m_editor);
    const qsizetype count = panes.size();
    const qsizetype next = current < 0 ? 0 : (current + (forward ? 1 : count - 1)) % count;
    panes[next]->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}

void ContentView::selectAdjacentNote(int step)
{
    const int rows = m_model->rowCount();
    if (rows == 0)
        return;
    const std::optional<QString> selection = m_store->selection();
    const int current = selection ? m_model->rowOf(*selection) : -1;
    const int next = current < 0 ? 0 : std::clamp(current + step, 0, rows - 1);
    if (next != current)
        m_store->setSelection(m_model->index(next).data().toString());
}

void ContentView::zoomIn()
{
    for (const int step : zoomSteps) {
        if (step > m_zoomPercent) {
            setZoomPercent(step);
            return;
        }
    }
}

void ContentView::zoomOut()
{
    for (auto step = std::rbegin(zoomSteps); step != std::rend(zoomSteps); ++step) {
        if (*step < m_zoomPercent) {
            setZoomPercent(*step);
            return;
        }
    }
}

void ContentView::resetZoom()
{
    setZoomPercent(100);
}

// The editor zooms in whole points of its font, the nearest to the percentage.
void ContentView::setZoomPercent(int percent)
{
    m_zoomPercent = percent;
    const qreal points = QFontInfo(m_editor->font()).pointSizeF();
    m_editor->zoomTo(qRound(points * (percent - 100) / 100.0));
    m_preview->setZoomFactor(percent / 100.0);
    statusBar()->showMessage(tr("Zoom %1 %").arg(percent), zoomMessageMs);
}

void ContentView::setFullScreen(bool fullScreen)
{
    setWindowState(windowState().setFlag(Qt::WindowFullScreen, fullScreen));
}

void ContentView::showNoteMessage(const QString &message)
{
    m_noteMessageShown = true;
    statusBar()->showMessage(message);
}

// The field starts from the selected name every time, whatever was typed and cancelled before.
void ContentView::askRename()
{
    if (!m_store->selection())
        return;
    m_newName->setText(*m_store->selection());
    m_newName->selectAll();
    m_renamePrompt->open();
}

void ContentView::askDelete()
{
    if (m_store->selection())
        m_deletePrompt->open();
}

bool ContentView::isFloating() const
{
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

// Every main window takes this window's setting; other windows keep their own level.
void ContentView::applyLevel()
{
    const bool floating = m_alwaysOnTopAction->isChecked();
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *window = qobject_cast<ContentView *>(widget))
            window->setFloating(floating);
    }
}

// QWidget::setWindowFlag would destroy the native window and make another (it flickers, and the
// desktop may place it anew); the window that is there is asked to change its state instead.
void ContentView::setFloating(bool floating)
{
    if (isFloating() == floating)
        return;
    overrideWindowFlags(windowFlags().setFlag(Qt::WindowStaysOnTopHint, floating));
    if (QWindow *native = windowHandle())
        native->setFlag(Qt::WindowStaysOnTopHint, floating);
}

void ContentView::showSelection()
{
    if (m_noteMessageShown) {
        statusBar()->clearMessage();
        m_noteMessageShown = false;
    }
    setWindowTitle(titleFor(m_store->selection()));
    m_renameAction->setEnabled(m_store->selection().has_value());
    m_deleteAction->setEnabled(m_store->selection().has_value());
    m_detail->setCurrentIndex(m_store->selection() ? NotePage : PlaceholderPage);
    selectRowOfSelection(true);
}

// The list follows the store, after every reload and every change of selection.
void ContentView::selectRowOfSelection(bool scroll)
{
    const std::optional<QString> selection = m_store->selection();
    const int row = selection ? m_finder->rowOf(*selection) : -1;
    m_selectingRow = true;
    if (row < 0) {
        m_sidebar->selectionModel()->clear();
    } else {
        const QModelIndex index = m_sidebar->model()->index(row, 0);
        m_sidebar->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        if (scroll)
            m_sidebar->scrollTo(index);
    }
    m_selectingRow = false;
}

void ContentView::takeRowChoice()
{
    if (m_selectingRow)
        return;
    const QModelIndexList rows = m_sidebar->selectionModel()->selectedRows();
    m_store->setSelection(rows.isEmpty() ? std::nullopt
                                         : std::optional<QString>(rows.first().data().toString()));
}

// The sidebar shows all notes or the results of a search, each with a selection of its own.
void ContentView::followList()
{
    disconnect(m_rowChoice);
    m_rowChoice = connect(m_sidebar->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                          &ContentView::takeRowChoice);
    selectRowOfSelection(true);
}

void ContentView::takeQuery()
{
    const search::SearchQuery query(m_finder->query());
    m_editor->setSearchQuery(query);
    m_preview->setMarkFinder(
        query.isBlank() ? PreviewLayout::MarkFinder() : [query](QStringView text) {
            QList<std::pair<int, int>> marks;
            for (const search::TextRange &match : query.findIn(text))
                marks.append({int(match.start), int(match.length)});
            return marks;
        });
}

void ContentView::focusEditor(bool atEnd)
{
    m_editor->setFocus(Qt::OtherFocusReason);
    if (atEnd)
        m_editor->SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
    else if (!m_finder->query().isEmpty())
        m_editor->showFirstMatch(); // the note chosen may be the one already open
}

void ContentView::showText()
{
    const std::optional<QString> selection = m_store->selection();
    // Exact spelling: two files whose names differ only in normalisation are two notes.
    const bool sameNote = selection == m_shownNote;
    m_shownNote = selection;
    // The window the edit came from already shows it.
    if (!s_passingEdit)
        m_editor->setNoteUtf8(m_store->textBuffer()->toUtf8(), sameNote);
    m_editor->setReadOnly(!m_store->isEditable());
    m_notice->setText(m_store->readOnlyReason());
    m_notice->setVisible(!m_store->isEditable());
    if (sameNote)
        showTextInPreview();
    else
        m_preview->showNewSource(m_store->textBuffer());
    // A note chosen from the results opens at what it was found for.
    if (!sameNote && !m_finder->query().isEmpty())
        m_editor->showFirstMatch();
}

// The store takes the edit in place, so a keystroke copies no whole text. Should the lengths
// ever disagree, the editor's text is taken whole.
void ContentView::takeEdit(qsizetype position, qsizetype removed, const QString &inserted)
{
    s_passingEdit = true;
    const bool fits = m_store->textLength() - removed + inserted.size() == m_editor->utf16Length()
        && m_store->editText(position, removed, inserted);
    if (!fits)
        m_store->setText(m_editor->noteText());
    s_passingEdit = false;
}

// An edit is followed in the store's own text; a text given whole is compared.
void ContentView::showTextInPreview()
{
    if (const std::optional<TextEdit> edit = m_store->lastEdit())
        m_preview->setEditedSource(m_store->textBuffer(), *edit);
    else
        m_preview->setSource(m_store->text());
}

ContentView::~ContentView()
{
    // Another window of the store takes over telling it of edits.
    const QList<ContentView *> others = windowsOfStore();
    if (m_editor->forwardsEdits() && !others.isEmpty())
        others.first()->m_editor->setForwardsEdits(true);
}

QList<ContentView *> ContentView::windowsOfStore() const
{
    QList<ContentView *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *window = qobject_cast<ContentView *>(widget);
        if (window && window != this && window->m_store == m_store)
            windows.append(window);
    }
    return windows;
}

// Every window shows the store's selected note, so they all edit one document: a keystroke is
// not copied as a whole text into each of them, and each has one history to undo.
void ContentView::shareEditorDocument()
{
    const QList<ContentView *> others = windowsOfStore();
    if (others.isEmpty())
        return;
    m_editor->setDocument(others.first()->m_editor->document());
    m_editor->setForwardsEdits(false);
}
