#include "app/contentview.h"

#include "app/noteeditor.h"
#include "app/notelistmodel.h"
#include "app/noterowdelegate.h"
#include "markdown/markdownview.h"
#include "store/notestore.h"

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

constexpr int sidebarMinimumWidth = 180;
constexpr int sidebarInitialWidth = 220;
constexpr int paneMinimumWidth = 250;

enum DetailPage { NotePage, PlaceholderPage };

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
    : QMainWindow(parent), m_store(store), m_model(new NoteListModel(store, this))
{
    setAttribute(Qt::WA_DeleteOnClose);

    m_sidebar = new QListView;
    m_sidebar->setModel(m_model);
    m_sidebar->setItemDelegate(new NoteRowDelegate(m_sidebar));
    m_sidebar->setSelectionMode(QAbstractItemView::SingleSelection);
    m_sidebar->setUniformItemSizes(true);
    m_sidebar->setMinimumWidth(sidebarMinimumWidth);
    m_sidebar->setFrameShape(QFrame::NoFrame);

    auto *split = new QSplitter(Qt::Horizontal);
    split->addWidget(m_sidebar);
    split->addWidget(buildDetail());
    split->setCollapsible(0, false);
    split->setCollapsible(1, false);
    split->setStretchFactor(1, 1);
    split->setSizes({sidebarInitialWidth, 900});
    split->setMinimumSize(900, 500);
    setCentralWidget(split);
    buildMenus();

    connect(m_store, &NoteStore::notesChanged, this, &ContentView::selectRowOfSelection);
    connect(m_store, &NoteStore::selectionChanged, this, &ContentView::showSelection);
    connect(m_store, &NoteStore::textChanged, this, &ContentView::showText);
    connect(m_store, &NoteStore::errorOccurred, this,
            [this](const QString &message) { statusBar()->showMessage(message); });
    connect(m_sidebar->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ContentView::takeRowChoice);
    // A row chosen with the mouse or Enter hands over to the editor; arrow keys stay in the list.
    connect(m_sidebar, &QListView::clicked, this, [this] { m_editor->setFocus(); });
    connect(m_sidebar, &QListView::activated, this, [this] { m_editor->setFocus(); });
    connect(m_editor, &NoteEditor::edited, this, &ContentView::takeEdit);

    showSelection();
    showText();
    statusBar();
}

QWidget *ContentView::buildDetail()
{
    m_notice = new QLabel;
    m_notice->setWordWrap(false);
    m_notice->setContentsMargins(8, 4, 8, 4);
    m_notice->hide();
    m_editor = new NoteEditor;
    m_editor->setMinimumWidth(paneMinimumWidth);
    m_preview = new MarkdownView;
    m_preview->setMinimumWidth(paneMinimumWidth);

    auto *panes = new QSplitter(Qt::Horizontal);
    panes->addWidget(m_editor);
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

void ContentView::buildMenus()
{
    QMenu *file = menuBar()->addMenu(tr("&File"));
    QAction *newWindow = file->addAction(tr("New &Window"), this, &ContentView::newWindowRequested);
    newWindow->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    QAction *closeWindow = file->addAction(tr("&Close Window"), this, &QWidget::close);
    closeWindow->setShortcut(QKeySequence::Close);
    file->addSeparator();
    QAction *quit = file->addAction(tr("&Quit"), qApp, &QApplication::quit);
    quit->setShortcut(QKeySequence::Quit);
}

bool ContentView::showsNote() const
{
    return m_detail->currentIndex() == NotePage;
}

void ContentView::showSelection()
{
    setWindowTitle(titleFor(m_store->selection()));
    m_detail->setCurrentIndex(m_store->selection() ? NotePage : PlaceholderPage);
    selectRowOfSelection();
}

// The list follows the store, after every reload and every change of selection.
void ContentView::selectRowOfSelection()
{
    const std::optional<QString> selection = m_store->selection();
    const int row = selection ? m_model->rowOf(*selection) : -1;
    m_selectingRow = true;
    if (row < 0) {
        m_sidebar->selectionModel()->clear();
    } else {
        const QModelIndex index = m_model->index(row);
        m_sidebar->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
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

void ContentView::showText()
{
    const std::optional<QString> selection = m_store->selection();
    const bool sameNote = selection.has_value() == m_shownNote.has_value()
        && (!selection || sameNoteName(*selection, *m_shownNote));
    m_shownNote = selection;
    // The window the edit came from already shows it.
    if (!m_passingEdit && m_editor->noteText() != m_store->text())
        m_editor->setNoteText(m_store->text(), sameNote);
    m_editor->setReadOnly(!m_store->isEditable());
    m_notice->setText(m_store->readOnlyReason());
    m_notice->setVisible(!m_store->isEditable());
    m_preview->setSource(m_store->text());
    if (!sameNote)
        m_preview->showFromTop();
}

void ContentView::takeEdit()
{
    m_passingEdit = true;
    m_store->setText(m_editor->noteText());
    m_passingEdit = false;
}
