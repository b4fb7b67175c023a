#include "preview/previewlayout.h"

#include "preview/previewstyle.h"

#include <QDeadlineTimer>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

namespace {

// Breaking a word longer than a line where it does not fit takes time that grows with the square
// of its length: seconds for a line of thousands of letters. Such a block wraps anywhere.
bool hasLongWord(const QString &text)
{
    constexpr qsizetype longWord = 500;
    qsizetype run = 0;
    for (const QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        if (run > longWord)
            return true;
    }
    return false;
}

// Whether a line of the block reaches into the clip, a pixel more on either side for glyphs that
// reach out of their line. A clip that only meets the margin of a block, as the one of a line
// typed in the next block does, leaves its text alone, which drawing would shape again.
bool linesReach(const QTextLayout &layout, qreal top, const QRectF &clip)
{
    if (layout.lineCount() == 0)
        return false;
    constexpr qreal overhang = 1;
    const QTextLine first = layout.lineAt(0);
    const QTextLine last = layout.lineAt(layout.lineCount() - 1);
    return top + first.y() - overhang <= clip.bottom()
        && top + last.y() + last.height() + overhang >= clip.top();
}

} // namespace

PreviewLayout::PreviewLayout(QTextDocument *document) : QAbstractTextDocumentLayout(document) { }

qreal PreviewLayout::textWidth() const
{
    const qreal width = document()->pageSize().width();
    return width > 0 ? width : 1e6;
}

qreal PreviewLayout::margin() const
{
    return document()->documentMargin();
}

// Where the document's first block begins: below the margin and the text before it.
qreal PreviewLayout::origin() const
{
    return margin() + m_aboveHeight;
}

// The blocks that changed are laid out again; the others keep their lines and only move. A new
// width leaves every block waiting, with its old height as the estimate.
void PreviewLayout::documentChanged(int from, int charsRemoved, int charsAdded)
{
    const int oldCount = int(m_heights.size());
    const int newCount = document()->blockCount();
    const QTextBlock firstBlock = document()->findBlock(from);
    QTextBlock lastBlock = document()->findBlock(from + charsAdded);
    if (!lastBlock.isValid())
        lastBlock = document()->lastBlock();
    int first = firstBlock.blockNumber();
    int newAffected = lastBlock.blockNumber() - first + 1;
    int oldAffected = newAffected - (newCount - oldCount);
    const std::optional<int> keptBefore = std::exchange(m_keptBefore, std::nullopt);
    if (oldAffected < 0 || first + oldAffected > oldCount) {
        first = 0;
        newAffected = newCount;
        oldAffected = oldCount;
    } else if (keptBefore == first && newAffected != oldAffected) {
        ++first;
        --newAffected;
        --oldAffected;
    }
    const std::optional<RetypedBlock> retyped = std::exchange(m_retyped, std::nullopt);
    std::optional<ShownBlock> shownBefore;
    if (retyped && newCount == oldCount && retypedOnly(*retyped, from, charsAdded)) {
        first = retyped->number;
        newAffected = oldAffected = 1;
        shownBefore = retyped->shown;
    }
    // The document asks for everything to be laid out again when its width or margin changes.
    const bool sameBlocks = from == 0 && charsRemoved == 0 && newCount == oldCount
        && charsAdded == document()->characterCount();
    const bool widthChanged = textWidth() != m_width;
    m_width = textWidth();
    if (sameBlocks || widthChanged)
        markAllStale();
    if (sameBlocks) {
        Q_EMIT documentSizeChanged(documentSize());
        return;
    }
    layOutChanged(first, newAffected, oldAffected, document()->findBlockByNumber(first),
                  shownBefore);
}

void PreviewLayout::markAllStale()
{
    m_laidOut.assign(m_laidOut.size(), false);
    m_hasLines.assign(m_hasLines.size(), false);
    m_staleCount = int(m_laidOut.size());
    m_firstStale = 0;
    Q_EMIT update(QRectF(0, 0, 1e9, 1e9));
}

// The view hands over few blocks at a time, so the changed ones are laid out at once.
void PreviewLayout::layOutChanged(int first, int newAffected, int oldAffected,
                                  const QTextBlock &firstBlock,
                                  const std::optional<ShownBlock> &shownBefore)
{
    forgetLines(first, newAffected, oldAffected);
    std::vector<qreal> heights;
    heights.reserve(newAffected);
    qreal top = origin() + m_tops[first];
    for (QTextBlock block = firstBlock;
         block.isValid() && block.blockNumber() < first + newAffected; block = block.next()) {
        heights.push_back(nearSight(top) ? layOutForPainting(block) : layOutBlock(block, false));
        top += heights.back();
    }
    if (newAffected == oldAffected && int(heights.size()) == newAffected
        && keepsHeights(first, heights)) {
        emitUpdate(changedArea(first, newAffected, false, shownBefore));
        return;
    }
    for (int i = first; i < first + oldAffected; ++i)
        m_staleCount -= m_laidOut[i] ? 0 : 1;
    m_heights.erase(m_heights.begin() + first, m_heights.begin() + first + oldAffected);
    m_laidOut.erase(m_laidOut.begin() + first, m_laidOut.begin() + first + oldAffected);
    m_heights.insert(m_heights.begin() + first, heights.begin(), heights.end());
    m_laidOut.insert(m_laidOut.begin() + first, heights.size(), true);
    m_firstStale = std::min(m_firstStale, first);

    const qreal oldEnd = m_tops.back();
    moveTopsFrom(first);
    const bool moved = m_tops.back() != oldEnd || newAffected != oldAffected;
    if (moved)
        Q_EMIT documentSizeChanged(documentSize());
    emitUpdate(changedArea(first, newAffected, moved, shownBefore));
}

// Marks found across a line break may come or go with the text of the line beside them.
void PreviewLayout::aboutToRetype(const QTextBlock &block, bool changedLinesOnly)
{
    const int number = block.blockNumber();
    const bool hasLines = size_t(number) < m_hasLines.size() && m_hasLines[number];
    m_retyped = RetypedBlock {number, std::nullopt};
    if (changedLinesOnly && hasLines && !m_markFinder)
        m_retyped->shown = shownBlock(block);
}

void PreviewLayout::aboutToChangeBlocksAfter(const QTextBlock &block)
{
    m_keptBefore = block.blockNumber();
}

// The document reports a change from the separator before the block to the start of the next.
bool PreviewLayout::retypedOnly(const RetypedBlock &retyped, int from, int charsAdded) const
{
    const QTextBlock block = document()->findBlockByNumber(retyped.number);
    return block.isValid() && from >= block.position() - 1
        && from + charsAdded <= block.position() + block.length();
}

PreviewLayout::ShownBlock PreviewLayout::shownBlock(const QTextBlock &block) const
{
    const QString text = block.text();
    const QList<QTextLayout::FormatRange> formats = block.textFormats();
    const QTextLayout *layout = block.layout();
    ShownBlock shown {block.userState(), block.blockFormat(), {}};
    shown.lines.reserve(layout->lineCount());
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        const int begin = std::max(0, line.textStart() - 1);
        const int end = std::min(int(text.size()), line.textStart() + line.textLength() + 1);
        ShownLine shownLine {line.naturalTextRect(), text.mid(begin, end - begin), {}};
        for (const QTextLayout::FormatRange &range : formats) {
            const int from = std::max(begin, range.start);
            const int to = std::min(end, range.start + range.length);
            if (from < to)
                shownLine.formats.append({from - begin, to - from, range.format});
        }
        shown.lines.push_back(std::move(shownLine));
    }
    return shown;
}

// The changed blocks, or for one block whose lines were kept, its lines that show something else:
// the ones between the first and the last that differ, or all from the first down when the blocks
// below moved.
QRectF PreviewLayout::changedArea(int first, int newAffected, bool moved,
                                  const std::optional<ShownBlock> &before) const
{
    const qreal top = origin() + m_tops[first];
    const QRectF blocks(0, top, m_width, moved ? 1e9 : m_tops[first + newAffected] - m_tops[first]);
    if (!before || newAffected != 1 || !m_hasLines[first])
        return blocks;
    const ShownBlock after = shownBlock(document()->findBlockByNumber(first));
    if (after.kind != before->kind || after.format != before->format)
        return blocks;
    return changedLines(*before, after, top, moved);
}

QRectF PreviewLayout::changedLines(const ShownBlock &before, const ShownBlock &after, qreal top,
                                   bool moved) const
{
    const std::vector<ShownLine> &old = before.lines;
    const std::vector<ShownLine> &now = after.lines;
    const size_t common = std::min(old.size(), now.size());
    size_t firstDiffering = 0;
    while (firstDiffering < common && old[firstDiffering] == now[firstDiffering])
        ++firstDiffering;
    if (firstDiffering == old.size() && firstDiffering == now.size())
        return {};
    auto lineTop = [](const std::vector<ShownLine> &lines, size_t i) {
        return i < lines.size() ? lines[i].rect.top() : 1e9;
    };
    // A pixel more on each side for glyphs that reach out of their line.
    constexpr qreal overhang = 1;
    const qreal from =
        top + std::min(lineTop(old, firstDiffering), lineTop(now, firstDiffering)) - overhang;
    if (moved || old.size() != now.size())
        return QRectF(0, from, m_width, 1e9);
    size_t lastDiffering = now.size() - 1;
    while (lastDiffering > firstDiffering && old[lastDiffering] == now[lastDiffering])
        --lastDiffering;
    const qreal to = top
        + std::max(old[lastDiffering].rect.bottom(), now[lastDiffering].rect.bottom()) + overhang;
    return QRectF(0, from, m_width, to - from);
}

void PreviewLayout::emitUpdate(const QRectF &area)
{
    if (!area.isEmpty())
        Q_EMIT update(area);
}

// Typing within a block mostly leaves it as tall as it was: then no block below it moves, and
// a keystroke costs no time for the blocks after it.
bool PreviewLayout::keepsHeights(int first, const std::vector<qreal> &heights)
{
    if (!std::equal(heights.cbegin(), heights.cend(), m_heights.cbegin() + first))
        return false;
    for (int i = first; i < first + int(heights.size()); ++i) {
        m_staleCount -= m_laidOut[i] ? 0 : 1;
        m_laidOut[i] = true;
    }
    return true;
}

// The changed blocks are new to their layouts; the flags of the blocks after them move only when
// the number of blocks changes, so that an edit within a block costs nothing for the rest.
void PreviewLayout::forgetLines(int first, int newAffected, int oldAffected)
{
    const auto begin = m_hasLines.begin() + first;
    if (newAffected == oldAffected) {
        std::fill(begin, begin + newAffected, false);
        return;
    }
    m_hasLines.erase(begin, begin + oldAffected);
    m_hasLines.insert(m_hasLines.begin() + first, newAffected, false);
}

void PreviewLayout::moveTopsFrom(int first)
{
    m_tops.resize(m_heights.size() + 1);
    for (size_t i = first; i < m_heights.size(); ++i)
        m_tops[i + 1] = m_tops[i] + m_heights[i];
}

bool PreviewLayout::layOutIfStale(const QTextBlock &block, bool keepLines)
{
    const int number = block.blockNumber();
    if (m_laidOut[number])
        return false;
    m_heights[number] = layOutBlock(block, keepLines);
    m_laidOut[number] = true;
    --m_staleCount;
    return true;
}

void PreviewLayout::layOutRange(qreal top, qreal bottom)
{
    m_sightTop = top;
    m_sightBottom = bottom;
    layOutStaleIn(top, bottom);
}

void PreviewLayout::layOutStaleIn(qreal top, qreal bottom)
{
    if (m_staleCount == 0)
        return;
    const int first = blockAt(top);
    bool changed = false;
    qreal y = origin() + m_tops[first];
    for (QTextBlock block = document()->findBlockByNumber(first); block.isValid() && y <= bottom;
         block = block.next()) {
        changed |= layOutIfStale(block, true);
        y += m_heights[block.blockNumber()];
    }
    if (!changed)
        return;
    const qreal oldEnd = m_tops.back();
    moveTopsFrom(first);
    if (m_tops.back() != oldEnd)
        Q_EMIT documentSizeChanged(documentSize());
    Q_EMIT update(QRectF(0, origin() + m_tops[first], m_width, 1e9));
}

bool PreviewLayout::layOutStaleBlocks(const QDeadlineTimer &deadline)
{
    if (m_staleCount == 0)
        return false;
    const int first = m_firstStale;
    QTextBlock block = document()->findBlockByNumber(first);
    for (; block.isValid() && m_staleCount > 0 && !deadline.hasExpired(); block = block.next())
        layOutIfStale(block, nearSight(blockTop(block.blockNumber())));
    m_firstStale = block.isValid() ? block.blockNumber() : int(m_heights.size());
    const qreal oldEnd = m_tops.back();
    moveTopsFrom(first);
    if (m_tops.back() != oldEnd)
        Q_EMIT documentSizeChanged(documentSize());
    Q_EMIT update(QRectF(0, 0, 1e9, 1e9));
    return m_staleCount > 0;
}

void PreviewLayout::setAboveHeight(qreal height)
{
    if (height == m_aboveHeight)
        return;
    m_aboveHeight = height;
    Q_EMIT documentSizeChanged(documentSize());
    Q_EMIT update(QRectF(0, 0, 1e9, 1e9));
}

void PreviewLayout::setPendingHeight(qreal height)
{
    if (height == m_pendingHeight)
        return;
    m_pendingHeight = height;
    Q_EMIT documentSizeChanged(documentSize());
}

qreal PreviewLayout::blockTop(int number) const
{
    return origin() + m_tops[std::clamp<size_t>(number, 0, m_tops.size() - 1)];
}

// A screen above and below the view, so that scrolling a little, or typing, finds the lines there.
bool PreviewLayout::nearSight(qreal top) const
{
    const qreal reach = m_sightBottom - m_sightTop;
    return top >= m_sightTop - reach && top <= m_sightBottom + reach;
}

// Measuring on a layout of the block's own would keep its lines as long as the block lives; a
// layout made from the block is laid out exactly as that one.
qreal PreviewLayout::layOutBlock(const QTextBlock &block, bool keepLines) const
{
    if (!keepLines) {
        QTextLayout measured(block);
        return layOutLines(block, measured);
    }
    m_hasLines[block.blockNumber()] = true;
    return layOutLines(block, *block.layout());
}

// A changed block in sight is painted in the same turn. Its text as shaped for the layout is kept
// for that drawing, which would shape it again otherwise, and lets it go.
qreal PreviewLayout::layOutForPainting(const QTextBlock &block) const
{
    QTextLayout *layout = block.layout();
    layout->setCacheEnabled(true);
    const qreal height = layOutBlock(block, true);
    layout->setCacheEnabled(false);
    return height;
}

// At the width the block was measured for, the lines come out as tall as it was measured, so
// nothing moves.
void PreviewLayout::ensureLines(const QTextBlock &block) const
{
    const size_t number = block.blockNumber();
    if (number < m_hasLines.size() && !m_hasLines[number])
        layOutBlock(block, true);
}

// Lines are placed relative to the block's top-left corner at the document's left edge; the
// block's height includes its margins.
qreal PreviewLayout::layOutLines(const QTextBlock &block, QTextLayout &layout) const
{
    const QTextBlockFormat format = block.blockFormat();
    QTextOption option = document()->defaultTextOption();
    option.setTextDirection(block.textDirection());
    option.setAlignment(QStyle::visualAlignment(block.textDirection(), Qt::AlignLeft));
    option.setWrapMode(hasLongWord(block.text()) ? QTextOption::WrapAnywhere
                                                 : QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);

    const qreal left = margin() + format.leftMargin();
    const qreal available =
        std::max<qreal>(1, m_width - 2 * margin() - format.leftMargin() - format.rightMargin());
    const bool fixedHeight = format.lineHeightType() == QTextBlockFormat::FixedHeight;
    qreal y = format.topMargin();
    bool firstLine = true;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        const qreal indent = firstLine ? format.textIndent() : 0;
        line.setLineWidth(available - indent);
        line.setPosition(QPointF(left + indent, y));
        y += fixedHeight ? format.lineHeight() : line.height();
        firstLine = false;
    }
    layout.endLayout();
    layout.setPosition(QPointF());
    return y + format.bottomMargin();
}

QSizeF PreviewLayout::documentSize() const
{
    return QSizeF(m_width, m_aboveHeight + m_tops.back() + m_pendingHeight + 2 * margin());
}

QRectF PreviewLayout::frameBoundingRect(QTextFrame *) const
{
    return QRectF(QPointF(), documentSize());
}

QRectF PreviewLayout::blockBoundingRect(const QTextBlock &block) const
{
    const int number = block.blockNumber();
    if (number < 0 || number + 1 >= int(m_tops.size()))
        return QRectF();
    // Painting, hit testing and the text control find places in a block through its lines, and
    // ask for its rectangle first.
    ensureLines(block);
    return QRectF(0, origin() + m_tops[number], m_width, m_tops[number + 1] - m_tops[number]);
}

int PreviewLayout::blockAt(qreal y) const
{
    const auto after = std::upper_bound(m_tops.begin(), m_tops.end() - 1, y - origin());
    return std::max(0, int(after - m_tops.begin()) - 1);
}

int PreviewLayout::hitTest(const QPointF &point, Qt::HitTestAccuracy accuracy) const
{
    const QTextBlock block = document()->findBlockByNumber(blockAt(point.y()));
    if (!block.isValid())
        return -1;
    const QRectF bounds = blockBoundingRect(block);
    const QPointF inBlock = point - bounds.topLeft();
    const QTextLayout *layout = block.layout();
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        const bool lastLine = i + 1 == layout->lineCount();
        if (inBlock.y() > line.y() + line.height() && !lastLine)
            continue;
        if (accuracy == Qt::ExactHit
            && (!line.naturalTextRect().contains(inBlock) || inBlock.y() < line.y()))
            return -1;
        return block.position() + line.xToCursor(inBlock.x());
    }
    return accuracy == Qt::ExactHit ? -1 : block.position();
}

void PreviewLayout::draw(QPainter *painter, const PaintContext &context)
{
    const QRectF clip =
        context.clip.isValid() ? context.clip : QRectF(0, 0, m_width, documentSize().height());
    layOutStaleIn(clip.top(), clip.bottom());
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    for (QTextBlock block = document()->findBlockByNumber(blockAt(clip.top())); block.isValid();
         block = block.next()) {
        const QRectF bounds = blockBoundingRect(block);
        if (bounds.top() > clip.bottom())
            break;
        drawDecoration(painter, block, bounds.top(), context.palette);
        if (!linesReach(*block.layout(), bounds.top(), clip))
            continue;
        QList<QTextLayout::FormatRange> selections;
        appendMarks(block, context.palette, selections);
        for (const Selection &selection : context.selections) {
            const int start =
                std::max(selection.cursor.selectionStart(), block.position()) - block.position();
            const int end =
                std::min(selection.cursor.selectionEnd(), block.position() + block.length())
                - block.position();
            if (start < end)
                selections.append({start, end - start, selection.format});
        }
        painter->setPen(context.palette.color(QPalette::Text));
        block.layout()->draw(painter, bounds.topLeft(), selections, clip);
        const int cursor = context.cursorPosition - block.position();
        if (cursor >= 0 && cursor < block.length())
            block.layout()->drawCursor(painter, bounds.topLeft(), cursor);
    }
    painter->restore();
}

void PreviewLayout::setMarkFinder(MarkFinder finder)
{
    m_markFinder = std::move(finder);
    Q_EMIT update(QRectF(0, 0, 1e9, 1e9));
}

// The marks go under the user's selection, which is drawn over them; their colour is the
// editor's for the same matches.
void PreviewLayout::appendMarks(const QTextBlock &block, const QPalette &palette,
                                QList<QTextLayout::FormatRange> &ranges) const
{
    if (!m_markFinder)
        return;
    QColor colour = palette.color(QPalette::Highlight);
    colour.setAlpha(90);
    QTextCharFormat mark;
    mark.setBackground(colour);
    for (const auto &[start, length] : m_markFinder(block.text()))
        ranges.append({start, length, mark});
}

void PreviewLayout::drawDecoration(QPainter *painter, const QTextBlock &block, qreal top,
                                   const QPalette &palette) const
{
    const QTextLayout *layout = block.layout();
    if (layout->lineCount() == 0)
        return;
    const QTextLine firstLine = layout->lineAt(0);
    const QTextLine lastLine = layout->lineAt(layout->lineCount() - 1);
    const qreal textTop = top + firstLine.y();
    const qreal textHeight = lastLine.y() + lastLine.height() - firstLine.y();
    const qreal left = margin();
    const qreal width = m_width - 2 * margin();
    switch (block.userState()) {
    case preview::Code: {
        QPainterPath box;
        box.addRoundedRect(QRectF(left, textTop - preview::codePadding, width,
                                  textHeight + 2 * preview::codePadding),
                           preview::codeCornerRadius, preview::codeCornerRadius);
        painter->fillPath(box, preview::secondaryColor(palette, 0.15));
        break;
    }
    case preview::Quote:
        painter->fillRect(QRectF(left, textTop, preview::quoteBarWidth, textHeight),
                          preview::secondaryColor(palette, 0.5));
        break;
    case preview::Rule:
        painter->fillRect(QRectF(left, top + firstLine.y(), width, 1),
                          preview::secondaryColor(palette, 0.5));
        break;
    default:
        break;
    }
}
