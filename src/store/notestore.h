#pragma once

#include "platform/fileservices.h"
#include "store/note.h"
#include "text/textbuffer.h"

#include <QFileSystemWatcher>
#include <QFuture>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>

#include <memory>
#include <optional>

// The one owner of the notes: it lists the notes folder newest first, holds the selected note's
// text, and writes that text back half a second after the last edit, or at once when the
// selection moves, a note is created, or flush() is called.
//
// The autosave's write runs on a thread of its own, one at a time, so that encoding and syncing a
// long note never holds up typing; every other write (a change of note, create, rename, delete,
// flush()) waits for it and writes at once.
//
// Every assignment of notes, selection or text emits its signal, even of an equal value.
// The folder is watched: notes other programs add, remove or rename show up by themselves, and
// a selected note another program changed is loaded again, or, when it holds an edit not yet
// written, kept as "<name> (conflict <date time>)" beside the user's text. Nothing another
// program wrote is ever written over without being kept first.
// File-system failures never throw and never lose text: they are reported through
// errorOccurred() and the text stays in memory, to be written on the next edit or flush().
class NoteStore : public QObject
{
    Q_OBJECT
public:
    // Uses the user's documents folder.
    explicit NoteStore(QObject *parent = nullptr);
    // Keeps the notes in documentsDir + "/Penwick", creating it when missing. Selects and loads
    // the newest note; in a folder without notes, writes and selects a welcome note.
    explicit NoteStore(const QString &documentsDir, QObject *parent = nullptr);

    QString folder() const;
    // All notes of the folder, newest first; notes of equal date in listing order.
    const QList<Note> &notes() const;

    std::optional<QString> selection() const;
    // Writes the previous note's pending text, then loads the named note (or empty text when no
    // listed note has that name). Assigning the name already selected does nothing more.
    void setSelection(const std::optional<QString> &name);

    // The whole text, put together when asked: nothing that runs on every keystroke asks.
    QString text() const;
    // The whole text in UTF-8, made when asked without a whole copy in UTF-16 on the way.
    QByteArray textUtf8() const;
    qsizetype textLength() const { return m_text->size(); }
    // Takes an edit of the selected note; it is written 500 ms after the last edit.
    void setText(const QString &text);
    // As setText, for the text with `removed` characters at `position` replaced by inserted
    // (UTF-16 code units), made in place: no whole text is copied or compared. False, changing
    // nothing, when that range is not within the text.
    bool editText(qsizetype position, qsizetype removed, QStringView inserted);
    // The edit that the latest textChanged() was for, when it was one (editText); none when the
    // text was given or loaded whole.
    std::optional<TextEdit> lastEdit() const { return m_lastEdit; }
    // The text as the store keeps it, for observers that follow each edit (lastEdit()) instead
    // of taking the whole text. It is edited in place and replaced when the text is given or
    // loaded whole; a buffer that was replaced is never edited again.
    std::shared_ptr<const TextBuffer> textBuffer() const { return m_text; }

    // False while the loaded note cannot be read (not UTF-8, not a regular file, no permission):
    // its text is then shown as well as it can be, and nothing is ever written to its file.
    bool isEditable() const;
    // Why the loaded note is not editable, in one line; empty when it is.
    QString readOnlyReason() const;

    // Lists the folder again. Changes nothing but notes.
    void reload();
    // Writes the selected note's text at once when it holds an edit not yet written.
    void flush();
    // Whether the text holds an edit that is not in the note's file yet.
    bool hasUnsavedText() const;
    // Writes the text to another file the user chose, leaving the note as it is. False, with
    // the failure reported, when it cannot be written.
    bool writeCopy(const QString &path);
    // Writes a new note "Untitled" (or the first free "Untitled N") with the initial text and
    // selects it. When the file cannot be written the selection stays where it was.
    void create(const QString &initial);
    // As create(initial), with the name made safe as rename() makes it (and "Untitled" when
    // nothing is left of it); a name that is taken gets " 2", " 3"…
    void create(const QString &initial, const QString &name);
    // Gives the selected note a new name: "/" becomes "-" and surrounding white space goes. An
    // empty or unchanged name, or no selection, does nothing. A name that is taken sounds the
    // alert and emits nameTaken() with the cleaned name. When the file cannot be moved, the note
    // keeps its name, stays selected and editable, and the failure is reported.
    void rename(const QString &to);
    // Moves the selected note to the trash, dropping an edit not yet written, and selects the
    // newest note, or a new one when none is left. When the trash refuses the file, the note stays
    // selected with its text and the failure is reported; a note is never deleted outright.
    void deleteSelected();

Q_SIGNALS:
    void notesChanged();
    // Sent just before the notesChanged() of the store's own save: the only change to the notes
    // is that the note at `from` now stands at `to`, with its new date. Observers may follow
    // that one note instead of looking at every note again.
    void noteMoved(qsizetype from, qsizetype to);
    void selectionChanged();
    void textChanged();
    void alert(); // the system alert sound is wanted
    void nameTaken(const QString &name); // a rename was refused: another note has that name
    void errorOccurred(const QString &message); // a file operation failed; shown to the user

private:
    void loadSelected();
    void scheduleSave();
    void writeScheduledSave();
    void startWrite();
    void finishWrite();
    bool takeWriteOutcome();
    void settleWrite();
    bool moveSavedNoteToTop();
    bool writePending();
    bool save(const QString &path);
    // What a write of a note left behind, for the store to know the file by from then on.
    struct Written
    {
        size_t digest = 0;
        std::optional<fileservices::FileStamp> stamp;
        QString displaced; // another program's version the write took the place of
        std::optional<qint64> folderStamp;
    };
    // What an autosave's write on the writer thread did. A file another program changed, or one
    // that cannot be read, is left to the main thread's save(), which keeps what it finds there.
    struct WriteOutcome
    {
        enum class Status { Written, Failed, LeftToMainThread };
        Status status = Status::Failed;
        Written written;
        QString error;
        quint64 revision = 0;
    };
    struct WriteJob
    {
        QString folder;
        QString path;
        QByteArray utf8; // the text
        std::optional<size_t> knownDigest;
        std::optional<fileservices::FileStamp> knownStamp;
        quint64 revision = 0;
    };
    static WriteOutcome writeAside(const WriteJob &job);
    static std::optional<Written> writeNote(const QString &folder, const QString &path,
                                            const QByteArray &utf8,
                                            std::optional<size_t> knownDigest, QString *error);
    void takeWritten(const QString &name, const Written &written);
    bool keepOtherVersion(const QString &path, const QByteArray &bytes);
    void keepDisplacedVersion(const QString &name, const QString &displaced);
    void takeOutsideChanges();
    bool isFolderStampOwn() const;
    void checkListedNamesAside();
    void takeNamesCheck();
    void watchCurrentFile();
    void watchFolder();
    void report(const QString &message);
    void assignText(const QString &text);
    const Note *findNote(const QString &name) const;
    bool isTaken(const QString &name) const;
    QString uniqueName(const QString &base) const;
    QString conflictName(const QString &name) const;
    QString pathFor(const QString &name) const;

    QString m_folder;
    QList<Note> m_notes;
    std::optional<QString> m_selection;
    std::shared_ptr<TextBuffer> m_text = std::make_shared<TextBuffer>();
    std::optional<TextEdit> m_lastEdit;
    bool m_loading = false;
    std::optional<QString> m_currentPath; // the file m_text belongs to
    QString m_readOnlyReason;
    // The text holds an edit that is not in the file yet; a failed write keeps it so.
    bool m_unsaved = false;
    QTimer m_saveTimer;
    // What the store last read from or wrote to m_currentPath; none when the file was absent.
    std::optional<size_t> m_knownDigest;
    // The file's stamp when the store read or wrote it, to spare reading a file it knows back.
    std::optional<fileservices::FileStamp> m_knownStamp;
    QFileSystemWatcher m_watcher;
    std::optional<std::pair<quint64, quint64>> m_watchedFolder; // the folder the watch is on
    QTimer m_watchDelay; // collects a burst of file-system events into one look
    bool m_constructed = false;
    // The folder's modification stamp right after the store's own last write, to tell that
    // write's folder events from another program's.
    std::optional<qint64> m_ownFolderStamp;
    size_t m_listedNames = 0; // the names in notes, as fileservices::nameSetDigest has them
    // The folder's names read off the main thread, and the listing they are checked against.
    QFuture<std::optional<size_t>> m_namesCheck;
    size_t m_namesCheckedAgainst = 0;
    // Notes whose file names are not UTF-8, by the name shown, with the path that reaches them.
    QHash<QString, QByteArray> m_undecodablePaths;

    quint64 m_revision = 0; // raised at every edit, to tell whether a write had the latest text
    QFuture<WriteOutcome> m_write;
    bool m_writing = false; // m_write's outcome is not taken yet
    bool m_writeAgain = false; // the autosave came while a write was under way
    bool m_lookAfterWrite = false; // a look at the folder waits for the write under way
    // The autosave's writes and the checks of the folder's names. Last, so that it is the first to
    // go: its threads are done before anything they report to.
    QThreadPool m_writer;
};
