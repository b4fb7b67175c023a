#pragma once

#include "markdown/block.h"
#include "markdown/blockparser.h"

#include <QList>
#include <QString>

namespace markdown {

// Follows a text's blocks as the text changes, parsing again only from the last line before the
// change where nothing was pending to the first line after it where the new parse lines up with
// the old one. It keeps where each block stands, not the blocks: a block is its lines, so it can
// always be parsed again from them.
class IncrementalParser
{
public:
    // Blocks [first, first + removed) of the old list became [first, first + inserted) of the
    // new one, to be had from block(); every other block is unchanged (blocks are known by their
    // position). Applied to the old list, this always gives parse() of the whole new text.
    struct Change
    {
        qsizetype first = 0;
        qsizetype removed = 0;
        qsizetype inserted = 0;
    };

    Change update(const QString &source);
    // As update(source), for a source known to be the last one with `removed` characters at
    // `position` replaced by `inserted` characters: the texts are not compared, so an edit costs
    // no time for the length of the text. An edit that does not fit the lengths is compared.
    Change update(const QString &source, qsizetype position, qsizetype removed, qsizetype inserted);

    const QString &source() const { return m_source; }
    qsizetype blockCount() const { return m_extents.size(); }
    // The block at that position, parsed again from its lines.
    Block block(qsizetype index) const;
    // Where the block at that position stands in the text.
    const Extent &extent(qsizetype index) const { return m_extents[index]; }
    // The last block that begins at or before the position; 0 when none does.
    qsizetype blockAt(qsizetype position) const;

private:
    qsizetype restartBlock(qsizetype changeBegin) const;
    bool isCleanBefore(qsizetype lineBegin) const;
    qsizetype firstBlockFrom(qsizetype position) const;
    Change reparse(const QString &source, qsizetype prefix, qsizetype suffix);
    Change splice(const QString &source, qsizetype first, qsizetype last,
                  const QList<Extent> &extents, qsizetype shift);

    QString m_source;
    QList<Extent> m_extents;
};

} // namespace markdown
