#pragma once

#include "markdown/blockparser.h"

#include <QList>

namespace markdown {

// Where each block of a text stands, in order. An edit moves every block after it; they are
// moved lazily, as one shift pending from a step on, and the step only travels as far as one
// edit is from the next. So typing in one place costs the blocks it touches, not the blocks
// of the whole text.
class ExtentList
{
public:
    qsizetype size() const { return m_extents.size(); }
    Extent at(qsizetype index) const;
    qsizetype beginOf(qsizetype index) const { return m_extents[index].begin + shiftOf(index); }
    // Blocks [first, last) become extents, and every block from last on moves by shift.
    void replace(qsizetype first, qsizetype last, const QList<Extent> &extents, qsizetype shift);
    // The first block that begins at or after the position (size() when none does).
    qsizetype firstFrom(qsizetype position) const;

private:
    qsizetype shiftOf(qsizetype index) const { return index >= m_step ? m_shift : 0; }
    void moveStepTo(qsizetype index);

    QList<Extent> m_extents;
    // The extents from this index on stand m_shift characters further than stored.
    qsizetype m_step = 0;
    qsizetype m_shift = 0;
};

} // namespace markdown
