#pragma once

#include <QAbstractTextDocumentLayout>

#include <vector>

class QTextBlock;

// Lays out the preview's document, a flat list of text blocks (no frames, tables or floats), so
// that a change costs the changed blocks only: each block's layout is kept, the blocks' tops are
// one array, and painting and hit testing find their blocks by halving. Code boxes, quote bars
// and rules are painted behind the blocks they belong to, by the kind each block's user state
// names.
class PreviewLayout : public QAbstractTextDocumentLayout
{
    Q_OBJECT
public:
    explicit PreviewLayout(QTextDocument *document);

    void draw(QPainter *painter, const PaintContext &context) override;
    int hitTest(const QPointF &point, Qt::HitTestAccuracy accuracy) const override;
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override;
    QRectF frameBoundingRect(QTextFrame *frame) const override;
    QRectF blockBoundingRect(const QTextBlock &block) const override;

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    void layoutAll();
    qreal layoutBlock(const QTextBlock &block) const;
    void drawDecoration(QPainter *painter, const QTextBlock &block, qreal top,
                        const QPalette &palette) const;
    int blockAt(qreal y) const;
    qreal textWidth() const;
    qreal margin() const;

    qreal m_width = -1;
    // m_tops[i] is where block i begins below the document margin; the last entry is where the
    // last block ends.
    std::vector<qreal> m_tops {0};
};
