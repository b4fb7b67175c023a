#pragma once

#include "search/searchquery.h"

#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

class NoteStore;
class QThread;

// Finds notes by words in their names and texts. Every note's text is held in memory, folded
// once when it is read (see folding.h), so a query costs a scan of memory and no folding of
// texts; a query that extends the previous one looks only at the previous results.
//
// Texts are read off the main thread. The search follows the store: notes that are listed,
// saved, renamed, removed or changed by other programs are read again, and the selected note is
// searched as it stands in the editor. A note that cannot be read is found by its name.
class NoteSearch : public QObject
{
    Q_OBJECT
public:
    // Reads every listed note's text off the main thread and follows the store from then on.
    explicit NoteSearch(NoteStore *store, QObject *parent = nullptr);
    ~NoteSearch() override;

    // True once every note listed at the moment has been read.
    bool isReady() const;
    // Names of the matching notes in the order the sidebar shows them; a blank query matches
    // every note, in the store's order. A note matches when every word or phrase of the query
    // occurs in its name or its text; notes whose name holds every one come first.
    QStringList matches(const QString &query) const;

    // One line of a note's text around the first match of the query, with where the query's
    // words occur in it; for a note that matched by its name only, its first line with text.
    // Empty when the note's text is not known (yet).
    struct Snippet
    {
        QString text;
        QList<search::TextRange> matches;
    };
    Snippet snippet(const QString &name, const QString &query) const;

Q_SIGNALS:
    void readyChanged();
    void changed(); // a note's text or the list changed, so results may differ

private:
    struct Entry;
    using EditorText = std::variant<std::monostate, QString, std::string>;
    struct ReadRequest
    {
        QString key;
        QUrl url; // made a path on the reader: for a whole folder that takes a while
        quint64 version;
        // The editor's text: as the store holds it when it was given whole, which costs no
        // copy, or in UTF-8 after an edit, to be folded where it lies. Read from the file when
        // none.
        EditorText text;
    };
    // Folded texts one after the other, as one reading thread read them: a search then scans
    // memory in the order it lies, which the processor can fetch ahead.
    using Shelf = std::shared_ptr<const std::string>;
    struct ReadResult
    {
        QString key;
        quint64 version = 0;
        size_t reader = 0; // the thread that read it
        size_t shelf = 0; // that thread's, until all are put together
        size_t offset = 0; // of the folded text on its shelf
        size_t length = 0;
        bool done = false; // false when the reading was stopped before it
    };
    struct ReadResults
    {
        std::vector<ReadResult> notes;
        std::vector<Shelf> shelves;
        search::ByteCounts byteCounts {};
    };
    // Where the search for a term of a query may start in a text that the previous query
    // matched, from where the previous query's terms inside it occurred.
    struct Origin
    {
        qsizetype previousTerm;
        qsizetype offset; // of that term inside this one
    };

    void followNotes();
    void followMovedNote(qsizetype from, qsizetype to);
    void followSelection();
    void takeEditorText();
    EditorText editorText() const;
    bool isEditorNote(const Entry &entry) const;
    void queue(Entry &entry, EditorText text = {});
    void startReading();
    void takeReadResults();
    void updateReady();
    Entry *findByName(const QString &name) const;
    std::vector<std::vector<Origin>> originsOf(const search::SearchQuery &query) const;
    qsizetype findInText(const search::SearchQuery::Term &term, const Entry &entry,
                         const std::vector<Origin> &origins, size_t previousResult) const;
    static ReadResults read(std::vector<ReadRequest> &requests, const std::atomic<bool> &stop);
    static ReadResult readOne(ReadRequest &request, std::vector<std::string> &shelves,
                              search::ByteCounts &counts);

    struct KeyHash
    {
        size_t operator()(const QString &key) const { return qHash(key); }
    };

    NoteStore *m_store;
    // By name, or for a second file of the same name, by name and URL.
    std::unordered_map<QString, std::unique_ptr<Entry>, KeyHash> m_entries;
    std::vector<Entry *> m_order; // the store's order
    quint64 m_generation = 0; // counts changes of any note or of the list
    bool m_followedMove = false; // the next notesChanged() is a note moved, already followed
    std::optional<QString> m_editorName; // the note whose text comes from the editor
    QTimer m_editorPause; // an edit is read once typing pauses, not at every keystroke
    std::vector<ReadRequest> m_pending;
    QThread *m_reader = nullptr;
    ReadResults m_readResults; // written by the reader until it finishes
    std::atomic<bool> m_stop = false;
    bool m_ready = false;
    bool m_allRead = false; // every note in m_order was read, as far as updateReady() looked
    search::ByteCounts m_byteCounts {}; // of a sample of every text read

    // The previous query and its results, to narrow the next one: for each result, where each
    // of the query's terms first occurred in its text (or textNotFound, or textNotLooked when
    // the term was in its name). Spares keep their memory for the next query.
    mutable search::SearchQuery m_lastQuery;
    mutable std::vector<Entry *> m_lastResults;
    mutable std::vector<qsizetype> m_lastTextAt;
    mutable std::vector<Entry *> m_spareResults;
    mutable std::vector<qsizetype> m_spareTextAt;
    mutable std::vector<bool> m_inName;
    mutable std::vector<bool> m_lastInName; // whether each result holds every term in its name
    mutable QStringList m_lastNames;
    mutable quint64 m_lastGeneration = ~quint64(0);
};
