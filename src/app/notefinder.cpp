#include "app/notefinder.h"

#include "app/notelistmodel.h"
#include "app/searchfield.h"
#include "app/searchresultsmodel.h"
#include "search/folding.h"
#include "store/notestore.h"

#include <QListView>

NoteFinder::NoteFinder(NoteStore *store, NoteSearch *search, NoteListModel *allNotes,
                       QListView *list, QWidget *window)
    : QObject(window),
      m_store(store),
      m_allNotes(allNotes),
      m_results(new SearchResultsModel(store, search, this)),
      m_list(list),
      m_field(new SearchField)
{
    connect(m_field, &QLineEdit::textChanged, this, &NoteFinder::search);
    connect(m_field, &SearchField::stepRequested, this, &NoteFinder::step);
    connect(m_field, &SearchField::openRequested, this, &NoteFinder::open);
    connect(m_field, &SearchField::createRequested, this, &NoteFinder::create);
    connect(m_field, &SearchField::leaveRequested, this, &NoteFinder::leave);
    connect(m_results, &QAbstractItemModel::modelReset, this, &NoteFinder::countResults);
}

QString NoteFinder::query() const
{
    return showsResults() ? m_results->query() : QString();
}

int NoteFinder::rowOf(const QString &name) const
{
    return showsResults() ? m_results->rowOf(name) : m_allNotes->rowOf(name);
}

void NoteFinder::focusField()
{
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

bool NoteFinder::showsResults() const
{
    return m_list->model() == m_results;
}

// A blank query shows the store's own list, so that an empty field changes nothing at all.
void NoteFinder::search(const QString &query)
{
    if (query.trimmed().isEmpty()) {
        m_results->setQuery(QString());
        show(m_allNotes);
    } else {
        m_results->setQuery(query);
        show(m_results);
    }
    countResults();
}

void NoteFinder::countResults()
{
    m_field->setResultCount(showsResults() ? std::optional<int>(m_results->rowCount())
                                           : std::nullopt);
}

void NoteFinder::show(QAbstractItemModel *model)
{
    if (m_list->model() == model)
        return;
    QItemSelectionModel *previous = m_list->selectionModel();
    m_list->setModel(model);
    delete previous;
    // Connected after the new selection model is, which clears itself on a reset: the row of
    // the selected note is selected again after that.
    disconnect(m_followReset);
    m_followReset = connect(model, &QAbstractItemModel::modelReset, this, &NoteFinder::listChanged);
    Q_EMIT listChanged();
}

void NoteFinder::step(int rows)
{
    const int count = m_list->model()->rowCount();
    if (count == 0)
        return;
    const QModelIndex current = m_list->selectionModel()->currentIndex();
    const int row = current.isValid() && m_list->selectionModel()->isSelected(current)
        ? std::clamp(current.row() + rows, 0, count - 1)
        : 0;
    m_list->selectionModel()->setCurrentIndex(m_list->model()->index(row, 0),
                                              QItemSelectionModel::ClearAndSelect);
}

// The note whose name is the query, folded as the search folds; or else the first result; or,
// with no results, a new note.
void NoteFinder::open()
{
    const QString query = m_field->text().trimmed();
    if (query.isEmpty()) {
        Q_EMIT editorWanted(false);
        return;
    }
    if (m_results->rowCount() == 0) {
        create();
        return;
    }
    const QByteArray wanted = search::fold(query);
    QString chosen = m_results->index(0).data().toString();
    for (int row = 0; row < m_results->rowCount(); ++row) {
        const QString name = m_results->index(row).data().toString();
        if (search::fold(name) == wanted) {
            chosen = name;
            break;
        }
    }
    m_store->setSelection(chosen);
    Q_EMIT editorWanted(false);
}

void NoteFinder::create()
{
    const QString query = m_field->text().trimmed();
    if (query.isEmpty())
        return;
    const std::optional<QString> before = m_store->selection();
    m_store->create(QStringLiteral("# %1\n\n").arg(query), query);
    if (m_store->selection() != before)
        Q_EMIT editorWanted(true);
}

void NoteFinder::leave()
{
    m_list->setFocus(Qt::ShortcutFocusReason);
}
