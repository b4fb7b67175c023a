#pragma once

#include "markdown/block.h"
#include "markdown/blockparser.h"
#include "markdown/extentlist.h"
#include "text/textbuffer.h"

#include <QList>
#include <QString>

#include <memory>

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

    // Takes the first `length` characters of text in place of the text it held, comparing the
    // two. A text that is the one held, edited in place, cannot be compared: it is parsed again
    // whole.
    Change update(std::shared_ptr<const TextBuffer> text, qsizetype length);
    // As update(text, length), for a text known to be the one held with the edit made, in place
    // or not: nothing is compared, so an edit costs no time for the length of the text. An edit
    // that does not fit the lengths parses the whole text again.
    Change update(std::shared_ptr<const TextBuffer> text, qsizetype length, const TextEdit &edit);
    // A whole text, compared with the one held.
    Change update(const QString &source);

    qsizetype blockCount() const { return m_extents.size(); }
    // The block at that position, parsed again from its lines.
    Block block(qsizetype index) const;
    // Where the block at that position stands in the text.
    Extent extent(qsizetype index) const { return m_extents.at(index); }
    // The last block that begins at or before the position; 0 when none does.
    qsizetype blockAt(qsizetype position) const;

private:
    qsizetype restartBlock(qsizetype changeBegin) const;
    bool isCleanBefore(qsizetype lineBegin) const;
    Change reparse(std::shared_ptr<const TextBuffer> text, qsizetype length, qsizetype prefix,
                   qsizetype suffix);
    Change reparseAll(std::shared_ptr<const TextBuffer> text, qsizetype length);
    Change splice(qsizetype first, qsizetype last, const QList<Extent> &extents, qsizetype prefix,
                  qsizetype suffix, qsizetype shift);

    // The parser reads the first m_length characters of m_text, which is shared with its owner
    // and may be edited in place: it is read only during update() and block(), where the text
    // is the one the extents were found in.
    std::shared_ptr<const TextBuffer> m_text = std::make_shared<const TextBuffer>();
    qsizetype m_length = 0;
    ExtentList m_extents;
};

} // namespace markdown
