#pragma once

#include <QObject>

class QsciScintilla;

// Keeps the caret of an editor between user-perceived characters (extended grapheme clusters):
// Left and Right step over a whole emoji sequence, a flag or a letter with its marks, Delete and
// Backspace remove one, and a click or a vertical move never leaves the caret inside one. The
// editor itself steps by code point. Only the text near the caret is looked at, so a keystroke
// costs the same in any note.
class GraphemeCaret : public QObject
{
    Q_OBJECT
public:
    // Watches the editor's input from now on; owned by the editor.
    explicit GraphemeCaret(QsciScintilla *editor);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool step(int key, Qt::KeyboardModifiers modifiers);
    bool erase(int key);
    void keepCaretOnBoundary();

    QsciScintilla *m_editor;
    bool m_composing = false;
};
