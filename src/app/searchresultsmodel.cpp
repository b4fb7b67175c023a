#include "app/searchresultsmodel.h"

#include "app/notelistmodel.h"
#include "store/notestore.h"

#include <QLocale>

SearchResultsModel::SearchResultsModel(NoteStore *store, NoteSearch *search, QObject *parent)
    : QAbstractListModel(parent), m_store(store), m_search(search)
{
    connect(search, &NoteSearch::changed, this, &SearchResultsModel::update);
    connect(search, &NoteSearch::readyChanged, this, &SearchResultsModel::update);
}

void SearchResultsModel::setQuery(const QString &query)
{
    m_query = query;
    update();
}

// A blank query is never shown: the sidebar shows the store's list then. Matching it would walk
// every note after each save.
void SearchResultsModel::update()
{
    const bool blank = m_query.trimmed().isEmpty();
    if (blank && m_names.isEmpty())
        return;
    beginResetModel();
    m_names = blank ? QStringList() : m_search->matches(m_query);
    m_snippets.clear();
    m_rowInStore.clear();
    endResetModel();
}

int SearchResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant SearchResultsModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const QString &name = m_names.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return name;
    case NoteListModel::ModifiedTextRole:
        return modifiedText(name);
    case SnippetRole: {
        if (!m_search->isReady())
            return QVariant::fromValue(NoteSearch::Snippet {tr("Searching the notes' text…"), {}});
        auto cached = m_snippets.constFind(index.row());
        if (cached == m_snippets.cend())
            cached = m_snippets.insert(index.row(), m_search->snippet(name, m_query));
        return QVariant::fromValue(*cached);
    }
    default:
        return {};
    }
}

int SearchResultsModel::rowOf(const QString &name) const
{
    for (int row = 0; row < m_names.size(); ++row) {
        if (sameNoteName(m_names[row], name))
            return row;
    }
    return -1;
}

QString SearchResultsModel::modifiedText(const QString &name) const
{
    const QList<Note> &notes = m_store->notes();
    if (m_rowInStore.isEmpty()) {
        for (qsizetype row = notes.size() - 1; row >= 0; --row)
            m_rowInStore.insert(notes[row].name, row);
    }
    const qsizetype row = m_rowInStore.value(name, -1);
    if (row < 0 || row >= notes.size() || !notes[row].modified.isValid())
        return {};
    return QLocale().toString(notes[row].modified.date(), QLocale::ShortFormat);
}
