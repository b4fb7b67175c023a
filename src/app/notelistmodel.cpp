#include "app/notelistmodel.h"

#include "store/notestore.h"

#include <QLocale>

namespace {

// Rows are told apart by the exact name: twin names that differ only in normalisation are two
// rows. A row shows its name and date.
bool sameRow(const Note &a, const Note &b)
{
    return a.name == b.name;
}

bool sameData(const Note &a, const Note &b)
{
    return a.name == b.name && a.modified == b.modified && a.url == b.url;
}

QString modifiedText(const Note &note)
{
    return note.modified.isValid() ? QLocale().toString(note.modified.date(), QLocale::ShortFormat)
                                   : QString();
}

// A row shows the name and the day: a note saved again on the same day looks as it did.
bool sameLook(const Note &a, const Note &b)
{
    return a.name == b.name && modifiedText(a) == modifiedText(b);
}

} // namespace

NoteListModel::NoteListModel(NoteStore *store, QObject *parent)
    : QAbstractListModel(parent), m_store(store), m_rows(store->notes())
{
    m_rows.detach();
    connect(store, &NoteStore::noteMoved, this, &NoteListModel::followMove);
    connect(store, &NoteStore::notesChanged, this, &NoteListModel::follow);
}

int NoteListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant NoteListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Note &note = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return note.name;
    case ModifiedTextRole:
        return modifiedText(note);
    default:
        return {};
    }
}

int NoteListModel::rowOf(const QString &name) const
{
    return int(indexOfNote(m_rows, name));
}

void NoteListModel::follow()
{
    if (std::exchange(m_followedMove, false))
        return;
    Q_EMIT aboutToFollowStore();
    followRows();
    Q_EMIT followedStore();
}

// In a folder of thousands, comparing every row after each pause in typing would cost more than
// the save. Anything unexpected is left to follow(). The note at the top saved again, the common
// case while typing, looks the same most days, and a repaint of its row would show nothing new.
void NoteListModel::followMove(qsizetype from, qsizetype to)
{
    const QList<Note> &notes = m_store->notes();
    if (m_rows.size() != notes.size() || from < 0 || to < 0 || from >= notes.size()
        || to >= notes.size() || !sameRow(m_rows[from], notes[to]))
        return;
    Q_EMIT aboutToFollowStore();
    if (from != to) {
        beginMoveRows(QModelIndex(), int(from), int(from), QModelIndex(),
                      int(to > from ? to + 1 : to));
        m_rows.move(from, to);
        endMoveRows();
    }
    const bool looksAlike = sameLook(m_rows[to], notes[to]);
    m_rows[to] = notes[to];
    if (!looksAlike)
        Q_EMIT dataChanged(index(int(to)), index(int(to)));
    m_followedMove = true;
    Q_EMIT followedStore();
}

// Only the rows between the first and the last difference are looked at.
void NoteListModel::followRows()
{
    const QList<Note> now = m_store->notes();
    const int shorter = int(std::min(m_rows.size(), now.size()));
    int first = 0;
    while (first < shorter && sameData(m_rows[first], now[first]))
        ++first;
    int last = 0; // rows alike at the end
    while (last < shorter - first
           && sameData(m_rows[m_rows.size() - 1 - last], now[now.size() - 1 - last]))
        ++last;
    followRange(first, int(m_rows.size()) - last, int(now.size()) - last, now);
    m_rows = now;
    m_rows.detach();
}

// Row by row, each row of the new list is found further down and moved up, or put in; what is
// left at the end is gone. Finding a note saved anew, moved to the top, is one search. A list
// shuffled beyond a fixed amount of searching is taken out and put in whole from there.
void NoteListModel::followRange(int first, int wasEnd, int nowEnd, const QList<Note> &now)
{
    qsizetype searchesLeft = 200'000;
    int row = first;
    for (; row < nowEnd; ++row) {
        int found = row;
        while (found < wasEnd && !sameRow(m_rows[found], now[row]) && --searchesLeft > 0)
            ++found;
        if (searchesLeft <= 0)
            break;
        if (found == wasEnd) {
            beginInsertRows(QModelIndex(), row, row);
            m_rows.insert(row, now[row]);
            endInsertRows();
            ++wasEnd;
            continue;
        }
        if (found > row) {
            beginMoveRows(QModelIndex(), found, found, QModelIndex(), row);
            m_rows.move(found, row);
            endMoveRows();
        }
        if (!sameData(m_rows[row], now[row])) {
            m_rows[row] = now[row];
            Q_EMIT dataChanged(index(row), index(row));
        }
    }
    if (wasEnd > row) {
        beginRemoveRows(QModelIndex(), row, wasEnd - 1);
        m_rows.remove(row, wasEnd - row);
        endRemoveRows();
    }
    if (nowEnd > row) {
        beginInsertRows(QModelIndex(), row, nowEnd - 1);
        m_rows.insert(row, nowEnd - row, Note());
        std::copy(now.cbegin() + row, now.cbegin() + nowEnd, m_rows.begin() + row);
        endInsertRows();
    }
}
