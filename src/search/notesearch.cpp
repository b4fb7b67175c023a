#include "search/notesearch.h"

#include "platform/fileservices.h"
#include "search/folding.h"
#include "store/notestore.h"
#include "text/utf8length.h"

#include <QThread>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <thread>
#include <utility>

namespace {

// Long enough that typing does not fold the note at every keystroke, short enough that the
// results follow the editor before the user turns to the search field.
constexpr int editorPauseMs = 300;
// A line is cut to start this many characters before its first match, so that the match is in
// sight in a narrow row, and to this length.
constexpr qsizetype snippetLead = 20;
constexpr qsizetype snippetLength = 160;
// Where a term was found in a note's text: not at all (which rules the note out), or not looked
// for as it was in the name.
constexpr qsizetype textNotFound = -1;
constexpr qsizetype textNotLooked = -2;
// Enough of each text to tell which bytes are rare, without adding up a huge note each time
// it is edited.
constexpr qsizetype countedBytes = 4096;
// Fewer notes than this are read on one thread: starting others would cost more than it saves.
constexpr size_t notesPerThread = 64;
// Folded texts are kept in shelves of this size, but for longer ones; a shelf leaves less than a
// text unused, but for each thread's last one, which is cut to size when much of it is left.
constexpr size_t shelfSize = 256 * 1024;
// A few characters fold to more bytes than they take; room for this share more keeps a shelf from
// growing to twice its size, and being copied to be cut back, for a few bytes over.
constexpr size_t foldingGrowth = 32;
// The niceness of the threads that read notes: the lowest, because at 5 a reader on a shared core
// still took a quarter of it, and the first window with 10,000 notes came up a third later.
constexpr int readerNiceness = 19;

// Reading shares the cores with the window, which must come up and answer at once: at a lower
// priority the readers get what the window leaves. (Qt's thread priorities change nothing under
// Linux's default scheduling.)
void yieldToTheWindow()
{
    setpriority(PRIO_PROCESS, id_t(gettid()), readerNiceness);
}

// A shelf's room that was never filled costs little, as its pages are never touched; copying a
// long note's shelf to give it back would leave the whole old one unused.
void cutToSize(std::string &shelf)
{
    if (shelf.capacity() - shelf.size() > shelf.capacity() / 4)
        shelf.shrink_to_fit();
}

// The editor's text as the store keeps it, read a line at a time: putting the whole of a long
// note together for one line of it would copy megabytes each time a row is painted.
class EditedText
{
public:
    explicit EditedText(const TextBuffer &text) : m_text(text) { }
    qsizetype size() const { return m_text.size(); }
    qsizetype indexOf(char c, qsizetype from) const { return m_text.indexOf(QLatin1Char(c), from); }
    QChar operator[](qsizetype position) const { return m_text.view(position, 1).front(); }
    // Valid until the text is next viewed, as TextBuffer::view() is.
    QStringView sliced(qsizetype position, qsizetype length) const
    {
        return m_text.view(position, length);
    }

private:
    const TextBuffer &m_text;
};

template<typename View> auto lineAt(View text, qsizetype line) -> decltype(text.sliced(0, 0))
{
    qsizetype start = 0;
    for (; line > 0; --line) {
        const qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            return {};
        start = end + 1;
    }
    qsizetype end = text.indexOf('\n', start);
    if (end < 0)
        end = text.size();
    if (end > start && text[end - 1] == '\r')
        --end;
    return text.sliced(start, end - start);
}

QString toString(QStringView text)
{
    return text.toString();
}

QString toString(QByteArrayView utf8)
{
    return QString::fromUtf8(utf8);
}

template<typename View> QString firstLineWithText(View text)
{
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        const QString line = toString(text.sliced(start, end - start)).trimmed();
        if (!line.isEmpty())
            return line;
        start = end + 1;
    }
    return {};
}

NoteSearch::Snippet cutAroundFirstMatch(const QString &line, const search::SearchQuery &query)
{
    const QList<search::TextRange> ranges = query.findIn(line);
    if (ranges.isEmpty() || (ranges.first().start <= snippetLead && line.size() <= snippetLength))
        return {line, ranges};
    qsizetype start = std::max<qsizetype>(0, ranges.first().start - snippetLead);
    if (start > 0 && line[start].isLowSurrogate())
        --start;
    qsizetype end = std::min(line.size(), start + snippetLength);
    if (end < line.size() && line[end].isLowSurrogate())
        ++end;
    const QString prefix = start > 0 ? QStringLiteral("…") : QString();
    NoteSearch::Snippet snippet {prefix + line.sliced(start, end - start), {}};
    for (const search::TextRange &range : ranges) {
        const qsizetype from = std::max(range.start, start);
        const qsizetype to = std::min(range.start + range.length, end);
        if (from < to)
            snippet.matches.append({from - start + prefix.size(), to - from});
    }
    return snippet;
}

// The line of a match, or when line is -1, the first line with text.
template<typename View>
NoteSearch::Snippet snippetOf(View text, qsizetype line, const search::SearchQuery &query)
{
    if (line < 0)
        return {firstLineWithText(text), {}};
    return cutAroundFirstMatch(toString(lineAt(text, line)), query);
}

} // namespace

struct NoteSearch::Entry
{
    QString key;
    QString name;
    QUrl url;
    QDateTime modified;
    QByteArray foldedName;
    Shelf textShelf; // holds the folded text
    QByteArrayView foldedText; // empty until read, and for a note that cannot be read
    quint64 version = 0; // raised whenever the text is to be read again
    quint64 seen = 0; // the generation that last found the note listed
    bool read = false;

    bool hasTerm(const search::SearchQuery::Term &term) const
    {
        return term.occursIn(foldedName) || term.occursIn(foldedText);
    }
};

NoteSearch::NoteSearch(NoteStore *store, QObject *parent) : QObject(parent), m_store(store)
{
    m_editorPause.setSingleShot(true);
    m_editorPause.setInterval(editorPauseMs);
    connect(&m_editorPause, &QTimer::timeout, this, &NoteSearch::takeEditorText);
    connect(store, &NoteStore::noteMoved, this, &NoteSearch::followMovedNote);
    connect(store, &NoteStore::notesChanged, this, &NoteSearch::followNotes);
    connect(store, &NoteStore::selectionChanged, this, &NoteSearch::followSelection);
    connect(store, &NoteStore::textChanged, &m_editorPause, qOverload<>(&QTimer::start));
    // The selected note is read from its file like the others until it is edited.
    followNotes();
    m_editorName = store->selection();
}

NoteSearch::~NoteSearch()
{
    m_stop = true;
    if (m_reader) {
        m_reader->wait();
        delete m_reader;
    }
}

bool NoteSearch::isReady() const
{
    return m_ready;
}

QStringList NoteSearch::matches(const QString &query) const
{
    const bool counted = std::any_of(m_byteCounts.cbegin(), m_byteCounts.cend(),
                                     [](quint64 count) { return count > 0; });
    const search::SearchQuery parsed(query, counted ? &m_byteCounts : nullptr);
    const auto &terms = parsed.terms();
    const bool narrowing = m_lastGeneration == m_generation && parsed.narrows(m_lastQuery);
    const std::vector<std::vector<Origin>> origins =
        narrowing ? originsOf(parsed) : std::vector<std::vector<Origin>>(size_t(terms.size()));
    // A term that is one of the previous query's cannot rule a previous result out, so it is
    // looked for last.
    std::vector<size_t> order;
    for (size_t term = 0; term < size_t(terms.size()); ++term)
        order.push_back(term);
    std::stable_partition(order.begin(), order.end(), [&](size_t term) {
        return !std::any_of(origins[term].cbegin(), origins[term].cend(), [&](const Origin &o) {
            return terms[qsizetype(term)].folded() == m_lastQuery.terms()[o.previousTerm].folded();
        });
    });

    std::vector<Entry *> &found = m_spareResults;
    std::vector<qsizetype> &textAt = m_spareTextAt;
    found.clear();
    textAt.clear();
    m_inName.clear();
    const std::vector<Entry *> &candidates = narrowing ? m_lastResults : m_order;
    for (size_t candidate = 0; candidate < candidates.size(); ++candidate) {
        const Entry &entry = *candidates[candidate];
        const size_t first = textAt.size();
        textAt.resize(first + order.size());
        bool allInName = true;
        bool matched = true;
        for (const size_t term : order) {
            const search::SearchQuery::Term &searched = terms[qsizetype(term)];
            const bool inName = searched.occursIn(entry.foldedName);
            const qsizetype at =
                inName ? textNotLooked : findInText(searched, entry, origins[term], candidate);
            if (at == textNotFound) {
                matched = false;
                break;
            }
            textAt[first + term] = at;
            allInName = allInName && inName;
        }
        if (!matched) {
            textAt.resize(first);
            continue;
        }
        found.push_back(candidates[candidate]);
        m_inName.push_back(allInName);
    }

    // A letter typed often leaves the results as they were, and their names need not be listed
    // again.
    const bool sameResults =
        m_lastGeneration == m_generation && found == m_lastResults && m_inName == m_lastInName;
    if (!sameResults) {
        m_lastNames.clear();
        m_lastNames.reserve(qsizetype(found.size()));
        for (const bool byName : {true, false}) {
            for (size_t i = 0; i < found.size(); ++i) {
                if (m_inName[i] == byName)
                    m_lastNames.append(found[i]->name);
            }
        }
    }
    m_lastQuery = parsed;
    std::swap(m_lastResults, m_spareResults);
    std::swap(m_lastTextAt, m_spareTextAt);
    std::swap(m_lastInName, m_inName);
    m_lastGeneration = m_generation;
    return m_lastNames;
}

// A term that holds a term of the previous query occurs in a text no earlier than that one did,
// less where it lies in this one.
std::vector<std::vector<NoteSearch::Origin>>
NoteSearch::originsOf(const search::SearchQuery &query) const
{
    std::vector<std::vector<Origin>> origins;
    for (const search::SearchQuery::Term &term : query.terms()) {
        std::vector<Origin> &inside = origins.emplace_back();
        for (qsizetype previous = 0; previous < m_lastQuery.terms().size(); ++previous) {
            const qsizetype offset = term.folded().indexOf(m_lastQuery.terms()[previous].folded());
            if (offset >= 0)
                inside.push_back({previous, offset});
        }
    }
    return origins;
}

qsizetype NoteSearch::findInText(const search::SearchQuery::Term &term, const Entry &entry,
                                 const std::vector<Origin> &origins, size_t previousResult) const
{
    qsizetype from = 0;
    const size_t previousTerms = size_t(m_lastQuery.terms().size());
    for (const Origin &origin : origins) {
        const qsizetype previous =
            m_lastTextAt[previousResult * previousTerms + size_t(origin.previousTerm)];
        if (previous != textNotLooked)
            from = std::max(from, previous - origin.offset);
    }
    const qsizetype at = term.indexIn(entry.foldedText, from);
    return at < 0 ? textNotFound : at;
}

NoteSearch::Snippet NoteSearch::snippet(const QString &name, const QString &query) const
{
    const Entry *entry = findByName(name);
    if (!entry || !entry->read)
        return {};
    const search::SearchQuery parsed(query);
    qsizetype first = -1;
    for (const search::SearchQuery::Term &term : parsed.terms()) {
        const qsizetype at = term.indexIn(entry->foldedText);
        if (at >= 0 && (first < 0 || at < first))
            first = at;
    }
    const qsizetype line = first < 0
        ? -1
        : std::count(entry->foldedText.cbegin(), entry->foldedText.cbegin() + first, '\n');
    // The editor's text may be newer than the folded one by a pause in typing; the line the
    // match was on is still the best guess. Other notes are read again for the few rows in sight:
    // keeping every text as well as its folded form would double the memory the search takes.
    if (m_editorName && sameNoteName(*m_editorName, name) && m_store->isEditable())
        return snippetOf(EditedText(*m_store->textBuffer()), line, parsed);
    const fileservices::FileRead file = fileservices::readFile(entry->url.toLocalFile());
    return file.status == fileservices::ReadStatus::Ok
        ? snippetOf(QByteArrayView(file.bytes), line, parsed)
        : Snippet {};
}

// The list is matched against what is known, so that a reload costs no reading: only notes
// that are new or whose date changed are read again.
void NoteSearch::followNotes()
{
    const quint64 generation = ++m_generation;
    if (std::exchange(m_followedMove, false)) {
        Q_EMIT changed();
        return;
    }
    const QList<Note> &notes = m_store->notes();
    std::vector<Entry *> order;
    order.reserve(size_t(notes.size()));
    for (const Note &note : notes) {
        auto [at, isNew] = m_entries.try_emplace(note.name);
        // Two files can give one name ("a.md" and "a.MD"); the second is kept under its URL.
        if (!isNew && at->second->seen == generation)
            std::tie(at, isNew) = m_entries.try_emplace(note.name + QChar(0) + note.url.toString());
        if (isNew) {
            m_allRead = false;
            at->second = std::make_unique<Entry>();
            at->second->key = at->first;
            at->second->name = note.name;
            at->second->foldedName = search::fold(note.name);
        }
        Entry &entry = *at->second;
        entry.seen = generation;
        order.push_back(&entry);
        if (!isNew && entry.url == note.url && entry.modified == note.modified)
            continue;
        entry.url = note.url;
        entry.modified = note.modified;
        // The editor's text is newer than the file, or the same.
        if (!(isEditorNote(entry) && m_store->isEditable()))
            queue(entry);
    }
    if (m_entries.size() != order.size())
        std::erase_if(m_entries,
                      [generation](const auto &item) { return item.second->seen != generation; });
    m_order = std::move(order);
    startReading();
    updateReady();
    Q_EMIT changed();
}

// The store saved one note: in a folder of thousands, looking up every note again would cost
// each pause in typing more than the write. Anything unexpected is left to followNotes().
void NoteSearch::followMovedNote(qsizetype from, qsizetype to)
{
    const QList<Note> &notes = m_store->notes();
    if (m_order.size() != size_t(notes.size()) || from < 0 || to < 0 || from >= notes.size()
        || to >= notes.size() || m_order[size_t(from)]->name != notes[to].name)
        return;
    Entry *moved = m_order[size_t(from)];
    m_order.erase(m_order.begin() + from);
    m_order.insert(m_order.begin() + to, moved);
    m_followedMove = true;
    if (moved->url == notes[to].url && moved->modified == notes[to].modified)
        return;
    moved->url = notes[to].url;
    moved->modified = notes[to].modified;
    if (!(isEditorNote(*moved) && m_store->isEditable())) {
        queue(*moved);
        startReading();
        updateReady();
    }
}

// The text still belongs to the note that was selected, and the store has written it: what the
// editor held last is what that note's file holds now.
void NoteSearch::followSelection()
{
    const std::optional<QString> selection = m_store->selection();
    if (selection == m_editorName)
        return;
    if (m_editorPause.isActive())
        takeEditorText();
    m_editorName = selection;
}

void NoteSearch::takeEditorText()
{
    m_editorPause.stop();
    Entry *entry = m_editorName ? findByName(*m_editorName) : nullptr;
    if (!entry)
        return;
    if (m_store->isEditable())
        queue(*entry, editorText());
    else
        queue(*entry);
    startReading();
}

// A text given whole is shared at no cost. After an edit it has to be put together, and in UTF-8,
// which takes half the memory for most notes and is folded where it lies.
NoteSearch::EditorText NoteSearch::editorText() const
{
    if (m_store->lastEdit())
        return m_store->textBuffer()->toUtf8String();
    return m_store->text();
}

bool NoteSearch::isEditorNote(const Entry &entry) const
{
    return m_editorName && entry.name == *m_editorName;
}

void NoteSearch::queue(Entry &entry, EditorText text)
{
    ++entry.version;
    m_pending.push_back({entry.key, entry.url, entry.version, std::move(text)});
}

void NoteSearch::startReading()
{
    if (m_reader || m_pending.empty())
        return;
    // A note may have been queued again, or have gone, since it was queued first.
    std::vector<ReadRequest> requests;
    requests.reserve(m_pending.size());
    for (ReadRequest &request : m_pending) {
        const auto at = m_entries.find(request.key);
        if (at != m_entries.end() && at->second->version == request.version)
            requests.push_back(std::move(request));
    }
    m_pending.clear();
    m_stop = false;
    m_reader = QThread::create([this, requests = std::move(requests)]() mutable {
        m_readResults = read(requests, m_stop);
    });
    connect(m_reader, &QThread::finished, this, &NoteSearch::takeReadResults);
    m_reader->start();
}

void NoteSearch::takeReadResults()
{
    m_reader->wait();
    delete m_reader;
    m_reader = nullptr;
    ReadResults results = std::move(m_readResults);
    m_readResults = {};
    for (size_t byte = 0; byte < m_byteCounts.size(); ++byte)
        m_byteCounts[byte] += results.byteCounts[byte];
    for (ReadResult &result : results.notes) {
        if (!result.done)
            continue;
        auto at = m_entries.find(result.key);
        if (at == m_entries.end() || at->second->version != result.version)
            continue;
        Entry &entry = *at->second;
        entry.textShelf = results.shelves[result.shelf];
        entry.foldedText =
            QByteArrayView(entry.textShelf->data() + result.offset, qsizetype(result.length));
        entry.read = true;
    }
    ++m_generation;
    startReading();
    updateReady();
    Q_EMIT changed();
}

// A note once read stays read, and notes come only with a new list: after each edit's text is
// read, looking at every note of a folder of thousands again would cost more than the reading.
void NoteSearch::updateReady()
{
    m_allRead = m_allRead
        || std::all_of(m_order.cbegin(), m_order.cend(), [](const Entry *e) { return e->read; });
    const bool ready = !m_reader && m_pending.empty() && m_allRead;
    if (ready == m_ready)
        return;
    m_ready = ready;
    Q_EMIT readyChanged();
}

NoteSearch::Entry *NoteSearch::findByName(const QString &name) const
{
    const auto exact = std::find_if(m_order.cbegin(), m_order.cend(),
                                    [&name](const Entry *entry) { return entry->name == name; });
    if (exact != m_order.cend())
        return *exact;
    const auto equivalent =
        std::find_if(m_order.cbegin(), m_order.cend(),
                     [&name](const Entry *entry) { return sameNoteName(entry->name, name); });
    return equivalent != m_order.cend() ? *equivalent : nullptr;
}

// Runs on the reader thread, and on helpers when there are many notes: reading is mostly
// waiting on the system, and a folder's worth takes seconds on one thread. Each thread takes
// runs of notes in the sidebar's order and shelves their texts in that order. It touches nothing
// but its requests.
NoteSearch::ReadResults NoteSearch::read(std::vector<ReadRequest> &requests,
                                         const std::atomic<bool> &stop)
{
    ReadResults results;
    results.notes.resize(requests.size());
    const size_t threads = std::clamp<size_t>(requests.size() / notesPerThread, 1,
                                              size_t(std::max(QThread::idealThreadCount(), 1)));
    std::vector<std::vector<std::string>> shelves(threads);
    std::vector<search::ByteCounts> counts(threads, search::ByteCounts {});
    std::atomic<size_t> nextRun = 0;
    const auto work = [&](size_t thread) {
        yieldToTheWindow();
        for (size_t run; (run = nextRun++) * notesPerThread < requests.size();) {
            const size_t end = std::min(requests.size(), (run + 1) * notesPerThread);
            for (size_t i = run * notesPerThread; i < end && !stop; ++i) {
                results.notes[i] = readOne(requests[i], shelves[thread], counts[thread]);
                results.notes[i].reader = thread;
            }
        }
        if (!shelves[thread].empty())
            cutToSize(shelves[thread].back());
    };
    std::vector<std::thread> helpers;
    for (size_t helper = 1; helper < threads; ++helper)
        helpers.emplace_back(work, helper);
    work(0);
    for (std::thread &helper : helpers)
        helper.join();
    std::vector<size_t> firstShelf;
    for (size_t thread = 0; thread < threads; ++thread) {
        firstShelf.push_back(results.shelves.size());
        for (std::string &shelf : shelves[thread])
            results.shelves.push_back(std::make_shared<const std::string>(std::move(shelf)));
        for (size_t byte = 0; byte < results.byteCounts.size(); ++byte)
            results.byteCounts[byte] += counts[thread][byte];
    }
    for (ReadResult &result : results.notes)
        result.shelf += result.done ? firstShelf[result.reader] : 0;
    return results;
}

// Folded from the file as it is read, or from the editor's text, straight onto a shelf: a long
// note is never held whole beside its folded text, which on a reading thread of its own would
// leave memory in use that the rest of the program cannot take. Shelves are filled to a size
// fixed beforehand: growing one would copy it and touch new memory over and over. A note folds
// to about as many bytes as it has in UTF-8. A text longer than a shelf has one of its own, which
// goes with it when it is read again: texts put after it would keep it in memory for good.
NoteSearch::ReadResult NoteSearch::readOne(ReadRequest &request, std::vector<std::string> &shelves,
                                           search::ByteCounts &counts)
{
    const auto makeRoom = [&shelves](size_t expected) -> std::string & {
        if (shelves.empty() || shelves.back().size() >= shelfSize
            || shelves.back().capacity() - shelves.back().size() < expected)
            shelves.emplace_back().reserve(
                std::max(expected + expected / foldingGrowth, shelfSize));
        return shelves.back();
    };
    size_t offset = 0;
    if (auto *utf8 = std::get_if<std::string>(&request.text)) {
        // A shelf of its own, the size of the text, which no other text fits on.
        if (!search::foldUtf8InPlace(*utf8))
            utf8->clear();
        shelves.push_back(std::move(*utf8));
    } else if (const auto *text = std::get_if<QString>(&request.text)) {
        std::string &shelf = makeRoom(size_t(utf8Length(*text)));
        offset = shelf.size();
        search::foldOnto(*text, shelf);
    } else {
        std::optional<search::Utf8PieceFolder> folder;
        const fileservices::FileRead file = fileservices::readFileInPieces(
            request.url.toLocalFile(), [&](QByteArrayView piece, qsizetype fileSize) {
                if (!folder) {
                    std::string &shelf = makeRoom(size_t(fileSize));
                    offset = shelf.size();
                    folder.emplace(shelf);
                }
                folder->take(piece);
            });
        // A note that cannot be read, or is not UTF-8, is found by its name.
        if (!folder)
            offset = makeRoom(0).size();
        else if (file.status != fileservices::ReadStatus::Ok || !folder->finish())
            shelves.back().resize(offset);
    }
    const std::string_view shelf = shelves.back();
    const size_t length = shelf.size() - offset;
    for (const char byte : shelf.substr(offset, size_t(countedBytes)))
        ++counts[uchar(byte)];
    return {request.key, request.version, 0, shelves.size() - 1, offset, length, true};
}
