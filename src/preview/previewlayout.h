#pragma once

#include <QAbstractTextDocumentLayout>
#include <QTextFormat>
#include <QTextLayout>

#include <functional>
#include <optional>
#include <vector>

class QDeadlineTimer;
class QTextBlock;

// Lays out the preview's document, a flat list of text blocks (no frames, tables or floats), so
// that a change costs the changed blocks only: each block's layout is kept, the blocks' tops are
// one array, and painting and hit testing find their blocks by halving. Code boxes, quote bars
// and rules are painted behind the blocks they belong to, by the kind each block's user state
// names.
//
// A new width does not lay out every block at once: each block keeps its height from the old
// width as an estimate until it is laid out again, which happens for the blocks in sight before
// they are painted (layOutRange) and for the rest in slices (layOutStaleBlocks), so that
// resizing a long note costs what is on screen. Text the view has not put into the document, after
// its blocks or before them, is counted in the document's height as pendingHeight and aboveHeight.
//
// Only blocks that come near the view are given lines: a block's own layout keeps them for as
// long as the block lives, tens of megabytes for a long note. The others are measured on a layout
// that is dropped at once, and given their lines when they are painted or asked for a place in
// them, laid out the same way, so they come out exactly as tall as they were measured.
class PreviewLayout : public QAbstractTextDocumentLayout
{
    Q_OBJECT
public:
    // The places in a block's text to mark, as the matches of a search are: start and length,
    // in order.
    using MarkFinder = std::function<QList<std::pair<int, int>>(QStringView text)>;

    explicit PreviewLayout(QTextDocument *document);

    void draw(QPainter *painter, const PaintContext &context) override;
    int hitTest(const QPointF &point, Qt::HitTestAccuracy accuracy) const override;
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override;
    QRectF frameBoundingRect(QTextFrame *frame) const override;
    QRectF blockBoundingRect(const QTextBlock &block) const override;

    // The estimated height of text still to come after the document's last block.
    void setPendingHeight(qreal height);
    // The estimated height of text before the document's first block, which begins below it.
    void setAboveHeight(qreal height);
    // The height of the blocks in the document, as far as they are known.
    qreal blocksHeight() const { return m_tops.back(); }
    // Lays out the blocks between the two heights (document coordinates) that still wait for the
    // current width. Blocks above `top` keep their places. The range is taken for the view's:
    // blocks near it keep their lines.
    void layOutRange(qreal top, qreal bottom);
    // Lays out waiting blocks, top to bottom, until the deadline; false when none is left.
    bool layOutStaleBlocks(const QDeadlineTimer &deadline);
    bool hasStaleBlocks() const { return m_staleCount > 0; }
    // Marks what the finder finds in each block as it is painted, so that only the blocks in
    // sight are looked at; an empty finder marks nothing.
    void setMarkFinder(MarkFinder finder);
    const MarkFinder &markFinder() const { return m_markFinder; }
    // Told before the text and formats of one block alone are replaced, as a keystroke replaces
    // them: the document reports its neighbours changed as well, but only that block is laid out
    // again. With changedLinesOnly, of a block in sight only the lines that come out different
    // are painted again. The next change to the document uses it up.
    void aboutToRetype(const QTextBlock &block, bool changedLinesOnly);
    // Told before blocks are put in or taken out right after this one, which keeps its text: the
    // document reports it changed, but it keeps its lines and is not painted again. The next
    // change to the document uses it up.
    void aboutToChangeBlocksAfter(const QTextBlock &block);
    // The number of the block whose extent holds y (document coordinates), or the nearest one.
    int blockAt(qreal y) const;
    qreal blockTop(int number) const;

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    // What one line of a block shows: where it stands and what it holds, with a character of
    // context on either side, which shaping may look at.
    struct ShownLine
    {
        QRectF rect;
        QString text;
        QList<QTextLayout::FormatRange> formats;
        bool operator==(const ShownLine &) const = default;
    };
    struct ShownBlock
    {
        int kind = 0;
        QTextBlockFormat format;
        std::vector<ShownLine> lines;
    };
    struct RetypedBlock
    {
        int number = 0;
        std::optional<ShownBlock> shown;
    };

    void markAllStale();
    ShownBlock shownBlock(const QTextBlock &block) const;
    bool retypedOnly(const RetypedBlock &retyped, int from, int charsAdded) const;
    void layOutChanged(int first, int newAffected, int oldAffected, const QTextBlock &firstBlock,
                       const std::optional<ShownBlock> &shownBefore);
    QRectF changedArea(int first, int newAffected, bool moved,
                       const std::optional<ShownBlock> &before) const;
    QRectF changedLines(const ShownBlock &before, const ShownBlock &after, qreal top,
                        bool moved) const;
    void emitUpdate(const QRectF &area);

    void layOutStaleIn(qreal top, qreal bottom);
    bool layOutIfStale(const QTextBlock &block, bool keepLines);
    bool keepsHeights(int first, const std::vector<qreal> &heights);
    void forgetLines(int first, int newAffected, int oldAffected);
    void moveTopsFrom(int first);
    bool nearSight(qreal top) const;
    qreal layOutBlock(const QTextBlock &block, bool keepLines) const;
    qreal layOutForPainting(const QTextBlock &block) const;
    void ensureLines(const QTextBlock &block) const;
    qreal layOutLines(const QTextBlock &block, QTextLayout &layout) const;
    void appendMarks(const QTextBlock &block, const QPalette &palette,
                     QList<QTextLayout::FormatRange> &ranges) const;
    void drawDecoration(QPainter *painter, const QTextBlock &block, qreal top,
                        const QPalette &palette) const;
    qreal textWidth() const;
    qreal margin() const;
    qreal origin() const;

    qreal m_width = -1;
    std::vector<qreal> m_heights; // of each block, margins included
    // m_tops[i] is where block i begins below the document margin; the last entry is where the
    // last block ends.
    std::vector<qreal> m_tops {0};
    // Whether block i is laid out for the current width; otherwise its height is an estimate.
    std::vector<bool> m_laidOut;
    // Whether block i's own layout holds its lines for the current width.
    mutable std::vector<bool> m_hasLines;
    // The range last laid out to be shown (document coordinates).
    qreal m_sightTop = 0;
    qreal m_sightBottom = 0;
    int m_staleCount = 0;
    int m_firstStale = 0; // no block before it waits
    qreal m_pendingHeight = 0;
    qreal m_aboveHeight = 0;
    MarkFinder m_markFinder;
    std::optional<RetypedBlock> m_retyped;
    std::optional<int> m_keptBefore; // the block before those the next change puts in or takes out
};
