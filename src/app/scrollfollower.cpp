#include "app/scrollfollower.h"

#include "app/noteeditor.h"

#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace {

// How far into its last screen the leader is, from 0 before it to 1 at the end. Over that screen
// the follower is drawn toward its own end by this share of the distance its aligned place would
// leave, so both reach their ends together and neither jumps on the way.
double endShare(double position, double end, double page)
{
    const double zone = std::min(page, end);
    return zone > 0 ? std::clamp((position - (end - zone)) / zone, 0.0, 1.0) : 0;
}

} // namespace

ScrollFollower::ScrollFollower(NoteEditor *editor, MarkdownView *preview, QObject *parent)
    : QObject(parent), m_editor(editor), m_preview(preview), m_caret(editor->caretBytePosition())
{
    m_editorMoved.setSingleShot(true);
    m_editorMoved.setInterval(0);
    connect(&m_editorMoved, &QTimer::timeout, this, &ScrollFollower::takeEditorMoves);
    connect(m_editor, &QsciScintillaBase::SCN_UPDATEUI, &m_editorMoved,
            qOverload<>(&QTimer::start));
    connect(m_preview, &MarkdownView::scrolledByUser, this, &ScrollFollower::followPreview);
    connect(m_preview, &MarkdownView::placesMoved, this, &ScrollFollower::followAgain);
}

// A top line that stands where it stood is no scroll of the user's: it is the editor following,
// or wrapping that changed the number of display lines above it.
void ScrollFollower::takeEditorMoves()
{
    const EditorTop top = editorTop();
    if (top != m_editorTop) {
        m_editorTop = top;
        m_lead = Lead::EditorTop;
        followEditor();
    }
    const long caret = m_editor->caretBytePosition();
    if (std::exchange(m_caret, caret) != caret && revealCaret())
        m_lead = Lead::Caret;
}

void ScrollFollower::followEditor()
{
    const long top = m_editor->topDisplayLine();
    const long last = m_editor->lastTopDisplayLine();
    const double end = m_preview->verticalScrollBar()->maximum();
    double y = m_preview->heightOf(spotOfDisplayLine(top));
    const double share = endShare(top, last, m_editor->displayLinesOnScreen());
    if (share > 0)
        y += share * (end - m_preview->heightOf(spotOfDisplayLine(last)));
    m_preview->verticalScrollBar()->setValue(qRound(std::clamp(y, 0.0, std::max(end, 0.0))));
}

bool ScrollFollower::revealCaret()
{
    return m_preview->reveal(spotOfDisplayLine(m_editor->caretDisplayLine()));
}

void ScrollFollower::followPreview()
{
    m_lead = Lead::Preview;
    const QScrollBar *bar = m_preview->verticalScrollBar();
    const double y = bar->value();
    const double end = bar->maximum();
    double line = displayLineOfSpot(m_preview->spotAt(y));
    const double share = endShare(y, end, m_preview->viewport()->height());
    if (share > 0)
        line +=
            share * (m_editor->lastTopDisplayLine() - displayLineOfSpot(m_preview->spotAt(end)));
    // The line the preview's top is in, not the nearest; the preview's whole pixels may fall a
    // little short of a line's place.
    constexpr double pixelSlack = 0.05;
    m_editor->scrollToDisplayLine(long(std::floor(std::max(line, 0.0) + pixelSlack)));
    m_editorTop = editorTop();
}

// The preview wrote or laid out more of the text: what the editor leads to may stand elsewhere
// now. A preview the user scrolled keeps its place by itself.
void ScrollFollower::followAgain()
{
    if (m_lead == Lead::EditorTop)
        followEditor();
    else if (m_lead == Lead::Caret)
        revealCaret();
}

MarkdownView::Spot ScrollFollower::spotOfDisplayLine(long line) const
{
    const qsizetype place = m_preview->placeAtSource(m_editor->positionAtDisplayLine(line));
    const MarkdownView::SourceRange range = m_preview->sourceRangeOf(place);
    const long first = m_editor->displayLineAt(range.begin);
    const long next = m_editor->displayLineAt(range.end);
    const double fraction = next > first ? double(line - first) / double(next - first) : 0;
    return {place, std::clamp(fraction, 0.0, 1.0)};
}

double ScrollFollower::displayLineOfSpot(const MarkdownView::Spot &spot) const
{
    const MarkdownView::SourceRange range = m_preview->sourceRangeOf(spot.place);
    const long first = m_editor->displayLineAt(range.begin);
    const long next = m_editor->displayLineAt(range.end);
    return first + spot.fraction * (next - first);
}

ScrollFollower::EditorTop ScrollFollower::editorTop() const
{
    const long top = m_editor->topDisplayLine();
    const qsizetype lineBegin = m_editor->positionAtDisplayLine(top);
    return {lineBegin, top - m_editor->displayLineAt(lineBegin)};
}
