#pragma once

#include "preview/markdownview.h"

#include <QObject>
#include <QTimer>

#include <utility>

class NoteEditor;

// Keeps the preview in step with the editor, block by block, and the editor with the preview
// when the user scrolls that: the block at the top of the one goes to the top of the other, a
// tall block by the share of it scrolled past, and over the last screen both run to their ends
// together. The caret moved into a block the preview does not show brings that block into view.
//
// The view that was moved by the user leads; the other follows and is never followed back, so a
// follow never comes round again as a scroll to follow.
class ScrollFollower : public QObject
{
    Q_OBJECT
public:
    ScrollFollower(NoteEditor *editor, MarkdownView *preview, QObject *parent = nullptr);

private:
    enum class Lead { EditorTop, Caret, Preview };
    // The editor's top as where its line of the text begins and which display line of that line
    // it is: unlike the display line alone, it stays the same while the lines above are wrapped.
    using EditorTop = std::pair<qsizetype, long>;

    void takeEditorMoves();
    void followEditor();
    bool revealCaret();
    void followPreview();
    void followAgain();
    MarkdownView::Spot spotOfDisplayLine(long line) const;
    double displayLineOfSpot(const MarkdownView::Spot &spot) const;
    EditorTop editorTop() const;

    NoteEditor *m_editor;
    MarkdownView *m_preview;
    Lead m_lead = Lead::EditorTop;
    EditorTop m_editorTop {0, 0};
    long m_caret;
    // The editor tells of its moves while it paints; the preview follows once that is done.
    QTimer m_editorMoved;
};
