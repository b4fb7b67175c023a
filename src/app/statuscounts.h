#pragma once

#include <QLabel>

class NoteEditor;
class QTimer;

// The words and characters of the note, or of the selection when there is one, for the status
// bar. Counting waits until typing pauses, so a keystroke costs a timer restart however long the
// note is.
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

    // Counts at once, without waiting for the pause.
    void countNow();
    // What the editor changing costs the counter: the pause starts again.
    void noteChanged();

private:
    NoteEditor *m_editor;
    QTimer *m_pause;
};
