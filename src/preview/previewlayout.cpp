#include "preview/previewlayout.h"

#include "preview/previewstyle.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

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

// The blocks that changed are laid out again; the others keep their lines and only move.
void PreviewLayout::documentChanged(int from, int charsRemoved, int charsAdded)
{
    Q_UNUSED(charsRemoved);
    const int oldCount = int(m_tops.size()) - 1;
    const int newCount = document()->blockCount();
    const QTextBlock firstBlock = document()->findBlock(from);
    QTextBlock lastBlock = document()->findBlock(from + charsAdded);
    if (!lastBlock.isValid())
        lastBlock = document()->lastBlock();
    const int first = firstBlock.blockNumber();
    const int newAffected = lastBlock.blockNumber() - first + 1;
    const int oldAffected = newAffected - (newCount - oldCount);
    if (textWidth() != m_width || oldAffected < 0 || first + oldAffected > oldCount) {
        layoutAll();
        return;
    }

    std::vector<qreal> heights;
    heights.reserve(newAffected);
    for (QTextBlock block = firstBlock;
         block.isValid() && block.blockNumber() < first + newAffected; block = block.next())
        heights.push_back(layoutBlock(block));
    qreal oldHeight = 0;
    for (int i = first; i < first + oldAffected; ++i)
        oldHeight += m_tops[i + 1] - m_tops[i];

    std::vector<qreal> tops(heights.size());
    qreal y = m_tops[first];
    for (size_t i = 0; i < heights.size(); ++i) {
        tops[i] = y;
        y += heights[i];
    }
    const qreal shift = y - m_tops[first] - oldHeight;
    m_tops.erase(m_tops.begin() + first, m_tops.begin() + first + oldAffected);
    m_tops.insert(m_tops.begin() + first, tops.begin(), tops.end());
    if (shift != 0) {
        for (size_t i = first + heights.size(); i < m_tops.size(); ++i)
            m_tops[i] += shift;
        Q_EMIT documentSizeChanged(documentSize());
    }
    const qreal changedTop = margin() + m_tops[first];
    Q_EMIT update(QRectF(0, changedTop, m_width, shift == 0 ? y - m_tops[first] : 1e9));
}

void PreviewLayout::layoutAll()
{
    m_width = textWidth();
    m_tops.assign(1, 0);
    m_tops.reserve(document()->blockCount() + 1);
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        m_tops.push_back(m_tops.back() + layoutBlock(block));
    Q_EMIT documentSizeChanged(documentSize());
    Q_EMIT update(QRectF(0, 0, 1e9, 1e9));
}

// Lines are placed relative to the block's top-left corner at the document's left edge; the
// block's height includes its margins.
qreal PreviewLayout::layoutBlock(const QTextBlock &block) const
{
    const QTextBlockFormat format = block.blockFormat();
    QTextLayout *layout = block.layout();
    QTextOption option = document()->defaultTextOption();
    option.setTextDirection(block.textDirection());
    option.setAlignment(QStyle::visualAlignment(block.textDirection(), Qt::AlignLeft));
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout->setTextOption(option);

    const qreal left = margin() + format.leftMargin();
    const qreal available =
        std::max<qreal>(1, m_width - 2 * margin() - format.leftMargin() - format.rightMargin());
    const bool fixedHeight = format.lineHeightType() == QTextBlockFormat::FixedHeight;
    qreal y = format.topMargin();
    bool firstLine = true;
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        const qreal indent = firstLine ? format.textIndent() : 0;
        line.setLineWidth(available - indent);
        line.setPosition(QPointF(left + indent, y));
        y += fixedHeight ? format.lineHeight() : line.height();
        firstLine = false;
    }
    layout->endLayout();
    layout->setPosition(QPointF());
    return y + format.bottomMargin();
}

QSizeF PreviewLayout::documentSize() const
{
    return QSizeF(m_width, m_tops.back() + 2 * margin());
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
    return QRectF(0, margin() + m_tops[number], m_width, m_tops[number + 1] - m_tops[number]);
}

// The block whose extent holds y, or the nearest one.
int PreviewLayout::blockAt(qreal y) const
{
    const auto after = std::upper_bound(m_tops.begin(), m_tops.end() - 1, y - margin());
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
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    for (QTextBlock block = document()->findBlockByNumber(blockAt(clip.top())); block.isValid();
         block = block.next()) {
        const QRectF bounds = blockBoundingRect(block);
        if (bounds.top() > clip.bottom())
            break;
        drawDecoration(painter, block, bounds.top(), context.palette);

        QList<QTextLayout::FormatRange> selections;
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

void PreviewLayout::drawDecoration(QPainter *painter, const QTextBlock &block, qreal top,
                                   const QPalette &palette) const
{
    const QTextLayout *layout = block.layout();
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
