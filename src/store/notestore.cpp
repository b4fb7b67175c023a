#include "store/notestore.h"

#include "platform/fileservices.h"

#include <QFileInfo>
#include <QPromise>
#include <QThreadPool>

#include <algorithm>
#include <limits>

namespace {

constexpr int autosaveDelayMs = 500;
constexpr int watchDelayMs = 200;

QString welcomeText()
{
    return QStringLiteral("# Welcome to Penwick\n\nStart writing **Markdown** here.\n");
}

// Newest first, and unknown dates after every known one.
qint64 sortKey(const QDateTime &modified)
{
    return modified.isValid() ? modified.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
}

bool isNoteFile(const QString &fileName)
{
    return noteNameForFileName(fileName).has_value();
}

// "/" would make a name a path, and surrounding white space is not seen in the sidebar.
QString safeName(const QString &typed)
{
    return QString(typed).replace(u'/', u'-').trimmed();
}

QString noteNameForPath(const QString &path)
{
    const QString fileName = QFileInfo(path).fileName();
    return noteNameForFileName(fileName).value_or(fileName);
}

// Reading a long note back at every pause would cost more than writing it. A file whose stamp
// is the one the store last saw holds what it saw, and is not read (nullopt): another program's
// version written in place in the same clock tick, as many bytes, is the one change a stamp can
// miss, and a save never removes such a version unkept, because writeBytesKeepingOther compares
// what it displaces with the known digest.
std::optional<fileservices::FileRead>
readIfChanged(const QString &path, const std::optional<fileservices::FileStamp> &knownStamp,
              std::optional<size_t> knownDigest)
{
    if (knownStamp && knownDigest && fileservices::fileStamp(path) == knownStamp)
        return std::nullopt;
    return fileservices::readFile(path);
}

} // namespace

NoteStore::NoteStore(QObject *parent) : NoteStore(fileservices::documentsDirectory(), parent) { }

NoteStore::NoteStore(const QString &documentsDir, QObject *parent)
    : QObject(parent), m_folder(documentsDir + QStringLiteral("/Penwick"))
{
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setTimerType(Qt::PreciseTimer);
    m_saveTimer.setInterval(autosaveDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &NoteStore::writeScheduledSave);
    m_watchDelay.setSingleShot(true);
    m_watchDelay.setInterval(watchDelayMs);
    connect(&m_watchDelay, &QTimer::timeout, this, &NoteStore::takeOutsideChanges);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_watchDelay,
            qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_watchDelay,
            qOverload<>(&QTimer::start));

    QString error;
    if (!fileservices::makeFolder(m_folder, &error))
        report(tr("Could not create the notes folder “%1”: %2").arg(m_folder, error));
    watchFolder();
    reload();
    if (m_notes.isEmpty())
        create(welcomeText());
    else
        setSelection(m_notes.first().name);
    m_constructed = true;
}

QString NoteStore::folder() const
{
    return m_folder;
}

const QList<Note> &NoteStore::notes() const
{
    return m_notes;
}

std::optional<QString> NoteStore::selection() const
{
    return m_selection;
}

void NoteStore::setSelection(const std::optional<QString> &name)
{
    const bool changed = name.has_value() != m_selection.has_value()
        || (name && *name != *m_selection
            && (!sameNoteName(*name, *m_selection) || findNote(*name) != findNote(*m_selection)));
    // Loading another note replaces the text; when the text could not be written it would be
    // lost, so the selection stays on its note until a write succeeds.
    if (changed && !writePending()) {
        Q_EMIT selectionChanged();
        return;
    }
    m_selection = name;
    Q_EMIT selectionChanged();
    if (changed)
        loadSelected();
}

QString NoteStore::text() const
{
    return m_text->toString();
}

QByteArray NoteStore::textUtf8() const
{
    return m_text->toUtf8();
}

void NoteStore::setText(const QString &text)
{
    assignText(text);
    if (!m_loading)
        scheduleSave();
}

bool NoteStore::editText(qsizetype position, qsizetype removed, QStringView inserted)
{
    if (!m_text->replace(position, removed, inserted))
        return false;
    m_lastEdit = TextEdit {position, removed, inserted.size()};
    Q_EMIT textChanged();
    if (!m_loading)
        scheduleSave();
    return true;
}

bool NoteStore::isEditable() const
{
    return m_readOnlyReason.isEmpty();
}

QString NoteStore::readOnlyReason() const
{
    return m_readOnlyReason;
}

void NoteStore::reload()
{
    QList<Note> notes;
    m_undecodablePaths.clear();
    const QList<fileservices::Entry> entries = fileservices::listFolder(m_folder, isNoteFile);
    m_listedNames = fileservices::nameSetDigest(entries);
    for (const fileservices::Entry &entry : entries) {
        const QString name = *noteNameForFileName(entry.fileName);
        notes.append({name, QUrl::fromLocalFile(entry.path), entry.modified});
        if (!entry.nameIsUtf8)
            m_undecodablePaths.insert(name, entry.nativePath);
    }
    // Stable, so that notes of equal date keep the listing's order.
    std::stable_sort(notes.begin(), notes.end(), [](const Note &a, const Note &b) {
        return sortKey(a.modified) > sortKey(b.modified);
    });
    m_notes = std::move(notes);
    Q_EMIT notesChanged();
}

void NoteStore::flush()
{
    writePending();
}

bool NoteStore::hasUnsavedText() const
{
    return m_unsaved && m_currentPath;
}

bool NoteStore::writeCopy(const QString &path)
{
    QString error;
    if (fileservices::writeText(path, text(), &error))
        return true;
    report(tr("Could not save a copy as “%1”: %2").arg(path, error));
    return false;
}

void NoteStore::create(const QString &initial)
{
    create(initial, QStringLiteral("Untitled"));
}

void NoteStore::create(const QString &initial, const QString &typedName)
{
    // The new note takes the selection, so the current text must be on disk first.
    if (!writePending())
        return;
    const QString base = safeName(typedName);
    const QString name = uniqueName(base.isEmpty() ? QStringLiteral("Untitled") : base);
    QString error;
    if (!fileservices::makeFolder(m_folder, &error)
        || !fileservices::writeText(pathFor(name), initial, &error)) {
        report(tr("Could not create the note “%1”: %2").arg(name, error));
        Q_EMIT alert();
        return;
    }
    watchFolder();
    reload();
    setSelection(name);
}

void NoteStore::rename(const QString &to)
{
    // The write's outcome may move the note in the list.
    settleWrite();
    const QString name = safeName(to);
    if (!m_selection || name.isEmpty() || sameNoteName(name, *m_selection))
        return;
    const Note *note = findNote(*m_selection);
    if (!note)
        return;
    // The note's text must be in its file before the file moves.
    if (!writePending())
        return;
    if (isTaken(name)) {
        Q_EMIT nameTaken(name);
        Q_EMIT alert();
        return;
    }
    QString error;
    const auto undecodable = m_undecodablePaths.constFind(note->name);
    const bool moved = undecodable == m_undecodablePaths.cend()
        ? fileservices::move(note->url.toLocalFile(), pathFor(name), &error)
        : fileservices::moveFrom(*undecodable, pathFor(name), &error);
    if (!moved) {
        report(tr("Could not rename “%1” to “%2”: %3").arg(note->name, name, error));
        Q_EMIT alert();
        return;
    }
    reload();
    setSelection(name);
}

void NoteStore::deleteSelected()
{
    // A write landing after the move would make the note again.
    settleWrite();
    const Note *note = m_selection ? findNote(*m_selection) : nullptr;
    if (!note)
        return;
    // The pending save is held back, not dropped, until the trash has the file: if it refuses,
    // the text is still the user's.
    m_saveTimer.stop();
    QString error;
    if (!fileservices::moveToTrash(note->url.toLocalFile(), &error)) {
        report(tr("Could not move “%1” to the trash: %2").arg(note->name, error));
        if (m_unsaved)
            m_saveTimer.start();
        return;
    }
    m_unsaved = false;
    m_currentPath.reset();
    watchCurrentFile();
    reload();
    setSelection(m_notes.isEmpty() ? std::nullopt : std::optional<QString>(m_notes.first().name));
    if (m_notes.isEmpty())
        create(QStringLiteral("# Untitled\n\n"));
}

void NoteStore::loadSelected()
{
    m_loading = true;
    const Note *note = m_selection ? findNote(*m_selection) : nullptr;
    if (!note) {
        m_currentPath.reset();
        m_readOnlyReason.clear();
        assignText(QString());
    } else {
        const QString path = note->url.toLocalFile();
        const auto undecodable = m_undecodablePaths.constFind(note->name);
        const bool nameIsUtf8 = undecodable == m_undecodablePaths.cend();
        // Taken before reading: a change while reading then gives another stamp.
        m_knownStamp = nameIsUtf8 ? fileservices::fileStamp(path) : std::nullopt;
        const fileservices::ReadResult file =
            nameIsUtf8 ? fileservices::readText(path) : fileservices::readTextAt(*undecodable);
        m_currentPath = path;
        m_knownDigest = file.status == fileservices::ReadStatus::Missing
            ? std::nullopt
            : std::optional<size_t>(file.digest);
        // A name that is not UTF-8 cannot be spelled back: saving would make a second file.
        const QString reason = !nameIsUtf8
            ? tr("Its file name is not valid UTF-8; give it a new name to edit it")
            : file.error;
        m_readOnlyReason = file.status == fileservices::ReadStatus::Unreadable || !nameIsUtf8
            ? tr("“%1” is shown read-only and will not be changed: %2").arg(note->name, reason)
            : QString();
        assignText(file.text);
    }
    m_loading = false;
    watchCurrentFile();
}

void NoteStore::scheduleSave()
{
    ++m_revision;
    m_saveTimer.stop();
    if (!m_currentPath || !isEditable())
        return;
    m_unsaved = true;
    m_saveTimer.start();
}

// Every edit restarts the timer and every change of note or text without an edit stops it, so
// when it fires the current text and file are the ones the last edit scheduled. One write of a
// note at a time, so that an older text never lands after a newer one.
void NoteStore::writeScheduledSave()
{
    if (m_writing)
        m_writeAgain = true;
    else
        startWrite();
}

// The writer gets the text encoded here, as bytes of its own: the next key edits the buffer. It
// tells the store it is done with one queued call: a QFutureWatcher would wake the main thread
// for each step of the future, half a dozen times a write.
void NoteStore::startWrite()
{
    auto promise = std::make_shared<QPromise<WriteOutcome>>();
    promise->start();
    m_writing = true;
    m_write = promise->future();
    WriteJob job {m_folder, *m_currentPath, textUtf8(), m_knownDigest, m_knownStamp, m_revision};
    m_writer.start([this, promise, job = std::move(job)] {
        promise->addResult(writeAside(job));
        promise->finish();
        QMetaObject::invokeMethod(this, &NoteStore::finishWrite, Qt::QueuedConnection);
    });
}

// Nothing changes the note or the file it belongs to while its write is under way: whatever
// would, waits for the write first (settleWrite), or until it is done (a look at the folder).
void NoteStore::finishWrite()
{
    if (!m_writing || !m_write.isFinished())
        return;
    m_writing = false;
    if (!takeWriteOutcome() || !moveSavedNoteToTop())
        reload();
    if (std::exchange(m_writeAgain, false) && m_unsaved)
        startWrite();
    if (std::exchange(m_lookAfterWrite, false))
        m_watchDelay.start();
}

// An edit made while the write was under way is still to be written.
bool NoteStore::takeWriteOutcome()
{
    const WriteOutcome outcome = m_write.result();
    const QString name = noteNameForPath(*m_currentPath);
    switch (outcome.status) {
    case WriteOutcome::Status::Written:
        takeWritten(name, outcome.written);
        m_unsaved = outcome.revision != m_revision;
        return true;
    case WriteOutcome::Status::LeftToMainThread:
        m_unsaved = !save(*m_currentPath);
        return !m_unsaved;
    case WriteOutcome::Status::Failed:
        report(tr("Could not save “%1”: %2").arg(name, outcome.error));
        return false;
    }
    return false;
}

// Waits for the write under way, and for the one an autosave left to follow it, and takes their
// outcomes: what the caller does next may write or move the note at once.
void NoteStore::settleWrite()
{
    while (m_writing) {
        m_write.waitForFinished();
        finishWrite();
    }
}

// Runs on the writer thread: it touches nothing but the job.
NoteStore::WriteOutcome NoteStore::writeAside(const WriteJob &job)
{
    WriteOutcome outcome;
    outcome.revision = job.revision;
    if (!fileservices::makeFolder(job.folder, &outcome.error))
        return outcome;
    const std::optional<fileservices::FileRead> onDisk =
        readIfChanged(job.path, job.knownStamp, job.knownDigest);
    const bool known = !onDisk || onDisk->status == fileservices::ReadStatus::Missing
        || (onDisk->status == fileservices::ReadStatus::Ok
            && fileservices::digest(onDisk->bytes) == job.knownDigest);
    if (!known) {
        outcome.status = WriteOutcome::Status::LeftToMainThread;
        return outcome;
    }
    const std::optional<Written> written =
        writeNote(job.folder, job.path, job.utf8, job.knownDigest, &outcome.error);
    if (written) {
        outcome.status = WriteOutcome::Status::Written;
        outcome.written = *written;
    }
    return outcome;
}

std::optional<NoteStore::Written> NoteStore::writeNote(const QString &folder, const QString &path,
                                                       const QByteArray &utf8,
                                                       std::optional<size_t> knownDigest,
                                                       QString *error)
{
    Written written;
    if (!fileservices::writeBytesKeepingOther(path, utf8, knownDigest, &written.displaced, error))
        return std::nullopt;
    written.digest = fileservices::digest(utf8);
    written.stamp = fileservices::fileStamp(path);
    // A kept copy is a new note the next look at the folder must list.
    if (written.displaced.isEmpty())
        written.folderStamp = fileservices::modificationStamp(folder);
    return written;
}

void NoteStore::takeWritten(const QString &name, const Written &written)
{
    m_knownDigest = written.digest;
    m_knownStamp = written.stamp;
    if (!written.displaced.isEmpty())
        keepDisplacedVersion(name, written.displaced);
    watchFolder();
    m_ownFolderStamp = written.folderStamp;
}

// After its own write the store knows what changed in the folder: one note's date. Reading the
// whole folder for that would cost a folder of thousands of notes a listing at every pause.
bool NoteStore::moveSavedNoteToTop()
{
    const qsizetype index = indexOfNote(m_notes, noteNameForPath(*m_currentPath));
    if (index < 0 || m_notes[index].url.toLocalFile() != *m_currentPath)
        return false;
    Note saved = m_notes.takeAt(index);
    saved.modified = fileservices::modificationTime(*m_currentPath);
    const auto position = std::find_if(m_notes.begin(), m_notes.end(), [&saved](const Note &note) {
        return sortKey(note.modified) <= sortKey(saved.modified);
    });
    const qsizetype to = position - m_notes.begin();
    m_notes.insert(position, saved);
    Q_EMIT noteMoved(index, to);
    Q_EMIT notesChanged();
    return true;
}

bool NoteStore::writePending()
{
    settleWrite();
    if (!m_unsaved || !m_currentPath)
        return true;
    m_saveTimer.stop();
    m_unsaved = !save(*m_currentPath);
    return !m_unsaved;
}

// What another program wrote since the store last read or wrote the file is kept first; when it
// cannot be kept, the file is not written. A version that lands while the write is under way (a
// synchroniser may deliver one at any instant) is kept too.
bool NoteStore::save(const QString &path)
{
    const QString name = noteNameForPath(path);
    QString error;
    // A folder another program removed is made again; a file in its place is reported.
    if (!fileservices::makeFolder(m_folder, &error)) {
        report(tr("Could not save “%1”: %2").arg(name, error));
        return false;
    }
    const std::optional<fileservices::FileRead> onDisk =
        readIfChanged(path, m_knownStamp, m_knownDigest);
    if (onDisk && onDisk->status == fileservices::ReadStatus::Unreadable) {
        report(tr("Could not save “%1”: the file there cannot be read to keep it: %2")
                   .arg(name, onDisk->error));
        return false;
    }
    const bool changedOutside = onDisk && onDisk->status == fileservices::ReadStatus::Ok
        && fileservices::digest(onDisk->bytes) != m_knownDigest;
    if (changedOutside && !keepOtherVersion(path, onDisk->bytes))
        return false;
    const std::optional<Written> written =
        writeNote(m_folder, path, textUtf8(), m_knownDigest, &error);
    if (!written) {
        report(tr("Could not save “%1”: %2").arg(name, error));
        return false;
    }
    takeWritten(name, *written);
    // A kept copy is a new note the next look at the folder must list.
    if (changedOutside)
        m_ownFolderStamp.reset();
    return true;
}

// The other version is in a file of its own already; only the name of a conflict copy is still
// to be given. Should even that fail, the file stays where it is, and the message says where.
void NoteStore::keepDisplacedVersion(const QString &name, const QString &displaced)
{
    const QString kept = conflictName(name);
    QString error;
    if (fileservices::move(displaced, pathFor(kept), &error))
        report(tr("“%1” was changed by another program; that version is kept as “%2”.")
                   .arg(name, kept));
    else
        report(tr("“%1” was changed by another program; that version is kept in “%2”: %3")
                   .arg(name, displaced, error));
}

bool NoteStore::keepOtherVersion(const QString &path, const QByteArray &bytes)
{
    const QString name = noteNameForPath(path);
    const QString kept = conflictName(name);
    QString error;
    if (!fileservices::writeBytes(pathFor(kept), bytes, &error)) {
        report(tr("“%1” was changed by another program, and that version could not be kept: %2")
                   .arg(name, error));
        return false;
    }
    m_knownDigest = fileservices::digest(bytes);
    m_knownStamp.reset();
    report(
        tr("“%1” was changed by another program; that version is kept as “%2”.").arg(name, kept));
    return true;
}

// After a burst of changes in the folder: the selected note, if another program changed it, is
// kept beside the user's unsaved edit or loaded again, and the list is read again once, with
// any kept version in it.
void NoteStore::takeOutsideChanges()
{
    // The events may well be the write's own; it is told apart once it is done.
    if (m_writing) {
        m_lookAfterWrite = true;
        return;
    }
    std::optional<fileservices::FileRead> onDisk;
    if (m_currentPath)
        onDisk = readIfChanged(*m_currentPath, m_knownStamp, m_knownDigest);
    const bool changedOutside = onDisk && onDisk->status == fileservices::ReadStatus::Ok
        && fileservices::digest(onDisk->bytes) != m_knownDigest;
    if (changedOutside && m_unsaved)
        keepOtherVersion(*m_currentPath, onDisk->bytes);
    if (changedOutside || !isFolderStampOwn())
        reload();
    else
        checkListedNamesAside();
    if (changedOutside && !m_unsaved)
        loadSelected();
    watchCurrentFile();
}

// The store's own saves change the folder too, and listing a folder of thousands of notes after
// each of them would cost every pause in typing. No entry was added, removed or renamed since
// the store's last save when the folder's date is the one that save left, unless that happened
// in the same tick of the system's coarse clock.
bool NoteStore::isFolderStampOwn() const
{
    return m_ownFolderStamp && fileservices::modificationStamp(m_folder) == m_ownFolderStamp;
}

// A change in the same clock tick as the store's save shows only in the names, and reading
// thousands of them costs the main thread more than the save: they are read on another thread,
// and the folder is listed when they differ from the listing's. A newer check replaces one
// still running; it read the folder later. It runs on the writer's threads, which the store
// waits for when it goes, as it tells the store the outcome.
void NoteStore::checkListedNamesAside()
{
    auto promise = std::make_shared<QPromise<std::optional<size_t>>>();
    promise->start();
    m_namesCheckedAgainst = m_listedNames;
    m_namesCheck = promise->future();
    m_writer.start([this, promise, folder = m_folder] {
        promise->addResult(fileservices::nameSetDigest(folder, isNoteFile));
        promise->finish();
        QMetaObject::invokeMethod(this, &NoteStore::takeNamesCheck, Qt::QueuedConnection);
    });
}

// The call of a check that a newer one replaced finds the newer one, and one that comes after
// the check was taken finds none. A listing made since the check began is as new as the names
// read.
void NoteStore::takeNamesCheck()
{
    if (!m_namesCheck.isFinished())
        return;
    const QFuture<std::optional<size_t>> check = std::exchange(m_namesCheck, {});
    if (check.resultCount() == 0 || m_listedNames != m_namesCheckedAgainst)
        return;
    if (check.result() != std::optional<size_t>(m_listedNames))
        reload();
}

// A program that saves by writing a new file and renaming it over the note ends the watch of
// the old file, so the watch is set again after every look.
void NoteStore::watchCurrentFile()
{
    watchFolder();
    const QStringList watched = m_watcher.files();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    if (m_currentPath && fileservices::entryExists(*m_currentPath))
        m_watcher.addPath(*m_currentPath);
}

// A watch follows the folder it was set on, also when it is moved away or removed; a folder made
// again at the same path is another one, and is watched from then on. It may well get the
// removed folder's inode number again, so a watch that ended counts as well as a new identity.
void NoteStore::watchFolder()
{
    const auto folder = fileservices::identity(m_folder);
    const bool watched = m_watcher.directories().contains(m_folder);
    // A folder made again may get the inode of the one removed; the watch on that one is gone.
    if (!folder || (folder == m_watchedFolder && watched))
        return;
    if (watched)
        m_watcher.removePath(m_folder);
    m_watcher.addPath(m_folder);
    m_watchedFolder = folder;
}

// Nobody can be connected while the constructor runs, so its failures are reported once the
// event loop runs.
void NoteStore::report(const QString &message)
{
    if (m_constructed)
        Q_EMIT errorOccurred(message);
    else
        QMetaObject::invokeMethod(
            this, [this, message] { Q_EMIT errorOccurred(message); }, Qt::QueuedConnection);
}

// Observers may still hold the buffer that was: it stays as it is, and a new one takes the text.
void NoteStore::assignText(const QString &text)
{
    m_text = std::make_shared<TextBuffer>(text);
    m_lastEdit.reset();
    Q_EMIT textChanged();
}

const Note *NoteStore::findNote(const QString &name) const
{
    const qsizetype index = indexOfNote(m_notes, name);
    return index < 0 ? nullptr : &m_notes[index];
}

// A listed note such as "Untitled.MD" takes its name even though "Untitled.md" is free on disk:
// a second note of that name could never be selected.
bool NoteStore::isTaken(const QString &name) const
{
    return fileservices::entryExists(pathFor(name)) || findNote(name);
}

QString NoteStore::uniqueName(const QString &base) const
{
    QString candidate = base;
    for (int counter = 2; isTaken(candidate); ++counter)
        candidate = base + u' ' + QString::number(counter);
    return candidate;
}

// The note's name is shortened, between characters, so that the copy's file name fits the
// file system's limit even with a counter after it.
QString NoteStore::conflictName(const QString &name) const
{
    const QString suffix =
        tr(" (conflict %1)").arg(QDateTime::currentDateTime().toString(u"yyyy-MM-dd HHmmss"));
    constexpr qsizetype counterRoom = 6;
    const qsizetype budget = fileservices::maxFileNameBytes - suffix.toUtf8().size()
        - fileNameForNoteName(QString()).toUtf8().size() - counterRoom;
    return uniqueName(fileservices::truncatedToBytes(name, budget) + suffix);
}

QString NoteStore::pathFor(const QString &name) const
{
    return m_folder + u'/' + fileNameForNoteName(name);
}
