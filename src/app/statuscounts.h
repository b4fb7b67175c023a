#pragma once

#include <QLabel>

class NoteEditor;
class QTimer;

// The words and characters of the note, or of the selection when there is one, for the status
// bar. Counting waits until typing pauses, so a keystroke costs a timer restart however long the
// note is, and goes on in slices, so a pause in a long note does not hold up the window.
class StatusCounts : public QLabel
{
    Q_OBJECT
public:
    explicit StatusCounts(NoteEditor *editor, QWidget *parent = nullptr);

    struct Counts
    {
        qsizetype words = 0;
        qsizetype characters = 0;
        bool operator==(const Counts &) const = default;
    };
    // A word is a run of letters, digits and the characters outside ASCII, which an apostrophe
    // or an underscore may join; characters are code points, line breaks not counted.
    static Counts count(const char *utf8, qsizetype size);

    // Counting that can stop after any character and go on from there.
    struct Progress
    {
        Counts counts;
        qsizetype done = 0; // bytes counted
        bool inWord = false;
    };
    // Counts on from progress.done to `until`, or a little beyond to finish a character.
    static void countOn(const char *utf8, qsizetype size, qsizetype until, Progress &progress);

    // Counts at once, without waiting for the pause.
    void countNow();
    // What the editor changing costs the counter: the pause starts again.
    void noteChanged();

protected:
    void changeEvent(QEvent *event) override;

private:
    void startCounting();
    bool countSlice(); // true when the counting is done and shown
    void show(const Counts &counts);
    void fitToText();

    NoteEditor *m_editor;
    QTimer *m_pause;
    QTimer *m_nextSlice;
    bool m_selected = false;
    qsizetype m_from = 0; // the range being counted
    qsizetype m_to = 0;
    Progress m_progress;
};
