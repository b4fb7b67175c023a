#include "store/notestore.h"

#include "platform/fileservices.h"

#include <QFileInfo>

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

QString noteNameForPath(const QString &path)
{
    const QString fileName = QFileInfo(path).fileName();
    return noteNameForFileName(fileName).value_or(fileName);
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
    m_watcher.addPath(m_folder);
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
    const bool changed =
        name.has_value() != m_selection.has_value() || (name && !sameNoteName(*name, *m_selection));
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
    return m_text;
}

void NoteStore::setText(const QString &text)
{
    assignText(text);
    if (!m_loading)
        scheduleSave();
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
    const auto isNote = [](const QString &fileName) {
        return noteNameForFileName(fileName).has_value();
    };
    QList<Note> notes;
    for (const fileservices::Entry &entry : fileservices::listFolder(m_folder, isNote))
        notes.append({*noteNameForFileName(entry.fileName), QUrl::fromLocalFile(entry.path),
                      entry.modified});
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

void NoteStore::create(const QString &initial)
{
    // The new note takes the selection, so the current text must be on disk first.
    if (!writePending())
        return;
    const QString name = uniqueName(QStringLiteral("Untitled"));
    QString error;
    if (!fileservices::writeText(pathFor(name), initial, &error)) {
        report(tr("Could not create the note “%1”: %2").arg(name, error));
        Q_EMIT alert();
        return;
    }
    reload();
    setSelection(name);
}

void NoteStore::rename(const QString &to)
{
    const QString name = QString(to).replace(u'/', u'-').trimmed();
    if (!m_selection || name.isEmpty() || sameNoteName(name, *m_selection))
        return;
    const Note *note = findNote(*m_selection);
    if (!note)
        return;
    // The note's text must be in its file before the file moves.
    if (!writePending())
        return;
    if (isTaken(name)) {
        Q_EMIT alert();
        return;
    }
    QString error;
    if (!fileservices::move(note->url.toLocalFile(), pathFor(name), &error)) {
        report(tr("Could not rename “%1” to “%2”: %3").arg(note->name, name, error));
        Q_EMIT alert();
        return;
    }
    reload();
    setSelection(name);
}

void NoteStore::deleteSelected()
{
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
        const fileservices::ReadResult file = fileservices::readText(path);
        m_currentPath = path;
        m_knownDigest = file.status == fileservices::ReadStatus::Missing
            ? std::nullopt
            : std::optional<size_t>(file.digest);
        m_readOnlyReason = file.status == fileservices::ReadStatus::Unreadable
            ? tr("“%1” is shown read-only and will not be changed: %2").arg(note->name, file.error)
            : QString();
        assignText(file.text);
    }
    m_loading = false;
    watchCurrentFile();
}

void NoteStore::scheduleSave()
{
    m_saveTimer.stop();
    if (!m_currentPath || !isEditable())
        return;
    m_unsaved = true;
    m_saveTimer.start();
}

// Every edit restarts the timer and every change of note or text without an edit stops it, so
// when it fires the current text and file are the ones the last edit scheduled.
void NoteStore::writeScheduledSave()
{
    m_unsaved = !save(*m_currentPath);
    reload();
}

bool NoteStore::writePending()
{
    if (!m_unsaved || !m_currentPath)
        return true;
    m_saveTimer.stop();
    m_unsaved = !save(*m_currentPath);
    return !m_unsaved;
}

// What another program wrote since the store last read or wrote the file is kept first; when it
// cannot be kept, the file is not written.
bool NoteStore::save(const QString &path)
{
    const std::optional<QByteArray> onDisk = fileservices::readBytes(path);
    if (onDisk && fileservices::digest(*onDisk) != m_knownDigest
        && !keepOtherVersion(path, *onDisk))
        return false;
    const QByteArray bytes = m_text.toUtf8();
    QString error;
    if (!fileservices::writeBytes(path, bytes, &error)) {
        report(tr("Could not save “%1”: %2").arg(noteNameForPath(path), error));
        return false;
    }
    m_knownDigest = fileservices::digest(bytes);
    return true;
}

bool NoteStore::keepOtherVersion(const QString &path, const QByteArray &bytes)
{
    const QString name = noteNameForPath(path);
    const QString kept =
        uniqueName(tr("%1 (conflict %2)")
                       .arg(name, QDateTime::currentDateTime().toString(u"yyyy-MM-dd HHmmss")));
    QString error;
    if (!fileservices::writeBytes(pathFor(kept), bytes, &error)) {
        report(tr("“%1” was changed by another program, and that version could not be kept: %2")
                   .arg(name, error));
        return false;
    }
    m_knownDigest = fileservices::digest(bytes);
    report(
        tr("“%1” was changed by another program; that version is kept as “%2”.").arg(name, kept));
    return true;
}

// After a burst of changes in the folder: the selected note, if another program changed it, is
// kept beside the user's unsaved edit or loaded again, and the list is read again once, with
// any kept version in it.
void NoteStore::takeOutsideChanges()
{
    std::optional<QByteArray> onDisk;
    if (m_currentPath)
        onDisk = fileservices::readBytes(*m_currentPath);
    const bool changedOutside = onDisk && fileservices::digest(*onDisk) != m_knownDigest;
    if (changedOutside && m_unsaved)
        keepOtherVersion(*m_currentPath, *onDisk);
    reload();
    if (changedOutside && !m_unsaved)
        loadSelected();
    watchCurrentFile();
}

// A program that saves by writing a new file and renaming it over the note ends the watch of
// the old file, so the watch is set again after every look.
void NoteStore::watchCurrentFile()
{
    const QStringList watched = m_watcher.files();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    if (m_currentPath && fileservices::entryExists(*m_currentPath))
        m_watcher.addPath(*m_currentPath);
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

void NoteStore::assignText(const QString &text)
{
    m_text = text;
    Q_EMIT textChanged();
}

const Note *NoteStore::findNote(const QString &name) const
{
    const auto it = std::find_if(m_notes.cbegin(), m_notes.cend(), [&name](const Note &note) {
        return sameNoteName(note.name, name);
    });
    return it == m_notes.cend() ? nullptr : &*it;
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

QString NoteStore::pathFor(const QString &name) const
{
    return m_folder + u'/' + fileNameForNoteName(name);
}
