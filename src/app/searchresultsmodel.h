#pragma once

#include "search/notesearch.h"

#include <QAbstractListModel>
#include <QHash>

class NoteStore;

Q_DECLARE_METATYPE(NoteSearch::Snippet)

// The notes that match a query, in the search's order, each with the line of its text around
// the first match. It asks the search again whenever the notes or their texts change. A blank
// query has no rows: the sidebar shows the store's own list then.
class SearchResultsModel : public QAbstractListModel
{
    Q_OBJECT
public:
    // NoteListModel's roles, and one more.
    enum Role { SnippetRole = Qt::UserRole + 2 };

    SearchResultsModel(NoteStore *store, NoteSearch *search, QObject *parent = nullptr);

    QString query() const { return m_query; }
    void setQuery(const QString &query);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // DisplayRole: the name; ModifiedTextRole: the date; SnippetRole: a NoteSearch::Snippet, or
    // a note that texts are still being read.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // The row of the first note of that name, or -1.
    int rowOf(const QString &name) const;

private:
    void update();
    QString modifiedText(const QString &name) const;

    NoteStore *m_store;
    NoteSearch *m_search;
    QString m_query;
    QStringList m_names;
    mutable QHash<int, NoteSearch::Snippet> m_snippets; // of the rows shown so far
    mutable QHash<QString, qsizetype> m_rowInStore; // made when a date is first asked for
};
