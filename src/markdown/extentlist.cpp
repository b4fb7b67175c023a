#include "markdown/extentlist.h"

#include <algorithm>

namespace markdown {

Extent ExtentList::at(qsizetype index) const
{
    Extent extent = m_extents[index];
    extent.begin += shiftOf(index);
    extent.end += shiftOf(index);
    return extent;
}

// Only blocks whose count changes are moved in memory; an edit within blocks overwrites them.
void ExtentList::replace(qsizetype first, qsizetype last, const QList<Extent> &extents,
                         qsizetype shift)
{
    moveStepTo(last);
    m_shift += shift;
    const qsizetype kept = std::min(last - first, extents.size());
    if (extents.size() > kept)
        m_extents.insert(first + kept, extents.size() - kept, Extent());
    else
        m_extents.remove(first + kept, last - first - kept);
    std::copy(extents.cbegin(), extents.cend(), m_extents.begin() + first);
    m_step = first + extents.size();
    if (m_step == m_extents.size())
        m_shift = 0;
}

qsizetype ExtentList::firstFrom(qsizetype position) const
{
    qsizetype low = 0;
    qsizetype high = m_extents.size();
    while (low < high) {
        const qsizetype middle = low + (high - low) / 2;
        if (beginOf(middle) < position)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

// The blocks the step passes over take the pending shift into what is stored.
void ExtentList::moveStepTo(qsizetype index)
{
    if (m_shift != 0) {
        const qsizetype from = std::min(index, m_step);
        const qsizetype to = std::max(index, m_step);
        const qsizetype shift = index > m_step ? m_shift : -m_shift;
        for (qsizetype i = from; i < to; ++i) {
            m_extents[i].begin += shift;
            m_extents[i].end += shift;
        }
    }
    m_step = index;
}

} // namespace markdown
