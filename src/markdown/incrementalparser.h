#pragma once

#include "markdown/block.h"
#include "markdown/blockparser.h"

#include <QList>
#include <QString>

namespace markdown {

// Keeps a text's blocks up to date as the text changes, parsing again only from the last line
// before the change where nothing was pending to the first line after it where the new parse
// lines up with the old one. The blocks always equal parse() of the whole text.
class IncrementalParser
{
public:
    // Blocks [first, first + removed) of the old list became [first, first + inserted) of the
    // new one; every other block is unchanged (blocks are known by their position).
    struct Change
    {
        qsizetype first = 0;
        qsizetype removed = 0;
        qsizetype inserted = 0;
        bool operator==(const Change &) const = default;
    };

    Change update(const QString &source);

    const QString &source() const { return m_source; }
    const QList<Block> &blocks() const { return m_blocks; }

private:
    qsizetype restartBlock(qsizetype changeBegin) const;
    bool isCleanBefore(qsizetype lineBegin) const;
    qsizetype firstBlockFrom(qsizetype position) const;
    Change splice(qsizetype first, qsizetype last, QList<Block> &blocks, QList<Extent> &extents,
                  qsizetype shift);

    QString m_source;
    QList<Block> m_blocks;
    QList<Extent> m_extents;
};

} // namespace markdown
