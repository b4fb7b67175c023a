#pragma once

#include "markdown/block.h"
#include "markdown/characters.h"

#include <QVarLengthArray>

namespace markdown {

// Where a block stands in its text: from the start of its first line to the end of its last
// line (the position of its line feed, or the end of the text).
struct Extent
{
    qsizetype begin;
    qsizetype end;
    bool isParagraph;
};

// The line-by-line machine behind parse(). It can start at any line where nothing is pending
// (no paragraph and no open code block) and stop at the first later such line that the caller
// accepts: the rest of the text would then parse as it did before.
class BlockParser
{
public:
    // Appends to blocks, and each block's extent to extents when that is given.
    BlockParser(QStringView source, QList<Block> &blocks, QList<Extent> *extents = nullptr);

    // Parses from the line that starts at from. After each line that leaves nothing pending,
    // asks canStopAt(start of the next line) and stops there when it returns true; returns that
    // position. Returns -1 after the end of the text, with every block closed.
    template<typename CanStopAt> qsizetype run(qsizetype from, CanStopAt canStopAt)
    {
        for (qsizetype lineBegin = from;;) {
            const qsizetype lineFeed = m_source.indexOf(u'\n', lineBegin);
            const qsizetype lineEnd = lineFeed < 0 ? m_source.size() : lineFeed;
            takeLine(lineBegin, lineEnd);
            if (lineFeed < 0)
                break;
            lineBegin = lineFeed + 1;
            if (isClean() && canStopAt(lineBegin))
                return lineBegin;
        }
        finish();
        return -1;
    }

private:
    struct Span
    {
        qsizetype begin;
        qsizetype end;
        bool isEmpty() const { return begin == end; }
    };

    bool isClean() const { return !m_inCode && m_paragraph.isEmpty(); }
    void takeLine(qsizetype lineBegin, qsizetype lineEnd);
    bool takeRule(Span trimmed);
    bool takeHeading(Span trimmed);
    bool takeQuote(Span trimmed);
    bool takeBullet(Span raw, Span trimmed);
    bool takeNumber(Span trimmed);
    void flushPara();
    void closeCode(qsizetype end);
    void finish();
    void append(Block block, qsizetype begin, qsizetype end);
    void appendLineBlock(Block block) { append(std::move(block), m_lineBegin, m_lineEnd); }

    bool isFence(Span trimmed) const;
    Span trimWhitespace(Span span) const;
    QString text(Span span) const
    {
        return m_source.sliced(span.begin, span.end - span.begin).toString();
    }

    QStringView m_source;
    Characters m_chars;
    QList<Block> &m_blocks;
    QList<Extent> *m_extents;
    qsizetype m_lineBegin = 0;
    qsizetype m_lineEnd = 0;
    QVarLengthArray<Span, 16> m_paragraph;
    qsizetype m_paragraphBegin = 0;
    qsizetype m_paragraphEnd = 0;
    QVarLengthArray<Span, 64> m_code;
    qsizetype m_codeBegin = 0;
    bool m_inCode = false;
};

} // namespace markdown
