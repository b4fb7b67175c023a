#pragma once

#include "search/searchquery.h"

#include <Qsci/qsciscintilla.h>

#include <functional>

// The plain-text editor of a note: monospaced, wrapping, without margins. It keeps every
// character: text goes in and out as UTF-8 of explicit length (a NUL or a leading byte-order
// mark survives), and Enter inserts the line break the note already uses.
class NoteEditor : public QsciScintilla
{
    Q_OBJECT
public:
    explicit NoteEditor(QWidget *parent = nullptr);

    // The whole text, exactly as the document holds it.
    QString noteText() const;
    // Replaces the whole text. A new note starts at its top with nothing to undo; the same note
    // changed elsewhere keeps the cursor and the scroll position where they were, as far as the
    // new text reaches.
    void setNoteText(const QString &text, bool sameNote);
    // As setNoteText, for the text in UTF-8, as the editor keeps it.
    void setNoteUtf8(const QByteArray &bytes, bool sameNote);
    // Several editors may show one document (setDocument); each change is told to the
    // store by one of them only.
    void setForwardsEdits(bool forwards);
    bool forwardsEdits() const;

    // The length of the whole text in UTF-16 code units, as QString counts it.
    qsizetype utf16Length() const;
    // Runs the changes the callback makes to the bytes from `from` to `to` as one: one step to
    // undo, and one edited() for the whole range once they are made.
    void editAsOne(long from, long to, const std::function<void()> &changes);
    // These keys belong to the window's commands: the editor's own bindings of them go, so that
    // they never edit the text (Ctrl+L would cut a line).
    void leaveKeysTo(const QList<QKeySequence> &keys);

    // Marks every occurrence of the query's words; a blank query marks nothing. Only the text
    // in sight is searched, again as it scrolls or changes, so a long note costs no more than
    // a short one.
    void setSearchQuery(const search::SearchQuery &query);
    // Puts the caret on the first occurrence of the query's words, in the middle of the view.
    void showFirstMatch();

    // The view counted in lines as shown, where a wrapped line counts as many as it takes on
    // screen, and positions counted in UTF-16 code units, as QString counts them. Each of these
    // costs about the same however long the note is.
    long topDisplayLine() const;
    // The top line when the view is scrolled to the end.
    long lastTopDisplayLine() const;
    long displayLinesOnScreen() const;
    void scrollToDisplayLine(long line);
    // The first display line of the line that holds the position; past the text, the number of
    // display lines.
    long displayLineAt(qsizetype position) const;
    // Where the line shown on that display line begins.
    qsizetype positionAtDisplayLine(long line) const;
    // The first display line of the line that holds the caret.
    long caretDisplayLine() const;
    // The caret in bytes of the text, which is cheaper to ask than in UTF-16.
    long caretBytePosition() const;

Q_SIGNALS:
    // The user changed the text (not setNoteText): at `position`, `removed` characters gave way
    // to `inserted`, both counted in UTF-16 code units, as QString counts them. Told for each
    // change the document makes, so the text before it and the edit give the text after it.
    void edited(qsizetype position, qsizetype removed, const QString &inserted);
    // Ctrl and the wheel: +1 to zoom in one step, -1 to zoom out. The window zooms the editor
    // and the preview together, so the editor never zooms by itself.
    void zoomRequested(int steps);

protected:
    void wheelEvent(QWheelEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void load(const QByteArray &bytes);
    void replaceChangedBytes(const QByteArray &bytes);
    const char *characters() const;
    qsizetype byteCount() const;
    void useLineBreaksOf(const QByteArray &bytes);
    void takeModification(int position, int type, const char *text, int length);
    qsizetype utf16Position(long position) const;
    qsizetype utf16Units(long position, long length) const;
    void markMatchesInSight();
    void followPalette();

    bool m_replacing = false;
    // A deletion as it stood before it was made, told once it is made.
    qsizetype m_deletedAt = 0;
    qsizetype m_deletedUnits = 0;
    search::SearchQuery m_query;
    std::pair<long, long> m_marked {0, 0}; // the byte range searched last
    bool m_marking = false;
};
