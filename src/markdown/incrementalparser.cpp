#include "markdown/incrementalparser.h"

#include <algorithm>
#include <cstring>

namespace markdown {

namespace {

// Chunks are compared with memcmp, which is vectorised, and only the differing chunk by hand.
constexpr qsizetype chunk = 64;

qsizetype commonPrefix(QStringView a, QStringView b)
{
    const qsizetype limit = std::min(a.size(), b.size());
    qsizetype at = 0;
    while (at + chunk <= limit
           && std::memcmp(a.data() + at, b.data() + at, chunk * sizeof(QChar)) == 0)
        at += chunk;
    while (at < limit && a[at] == b[at])
        ++at;
    return at;
}

qsizetype commonSuffix(QStringView a, QStringView b, qsizetype limit)
{
    qsizetype length = 0;
    while (length + chunk <= limit
           && std::memcmp(a.data() + a.size() - length - chunk,
                          b.data() + b.size() - length - chunk, chunk * sizeof(QChar))
               == 0)
        length += chunk;
    while (length < limit && a[a.size() - length - 1] == b[b.size() - length - 1])
        ++length;
    return length;
}

QStringView textOf(const QString &source, const Extent &extent)
{
    return QStringView(source).sliced(extent.begin, extent.end - extent.begin);
}

} // namespace

IncrementalParser::Change IncrementalParser::update(const QString &source)
{
    const qsizetype prefix = commonPrefix(m_source, source);
    if (prefix == m_source.size() && prefix == source.size())
        return {};
    const qsizetype suffix =
        commonSuffix(m_source, source, std::min(m_source.size(), source.size()) - prefix);
    return reparse(source, prefix, suffix);
}

IncrementalParser::Change IncrementalParser::update(const QString &source, qsizetype position,
                                                    qsizetype removed, qsizetype inserted)
{
    const bool fits = position >= 0 && removed >= 0 && inserted >= 0
        && position + removed <= m_source.size()
        && source.size() == m_source.size() - removed + inserted;
    if (!fits)
        return update(source);
    if (removed == 0 && inserted == 0) {
        m_source = source;
        return {};
    }
    return reparse(source, position, m_source.size() - position - removed);
}

// The old and the new text have their first `prefix` and last `suffix` characters in common.
IncrementalParser::Change IncrementalParser::reparse(const QString &source, qsizetype prefix,
                                                     qsizetype suffix)
{
    const qsizetype shift = source.size() - m_source.size();
    const qsizetype newChangeEnd = source.size() - suffix;

    const qsizetype first = restartBlock(prefix);
    // A change before the first block parses again from the top.
    const qsizetype restart =
        first < m_extents.size() && m_extents[first].begin <= prefix ? m_extents[first].begin : 0;
    QList<Extent> extents;
    QList<Block> blocks; // parsed for their extents; the view parses the ones it shows again
    // Past the change the new text equals the old one, shifted; where both parses stand clear of
    // every block at the same line, the rest of the old parse holds.
    const qsizetype stop =
        BlockParser(source, blocks, &extents).run(restart, [&](qsizetype lineBegin) {
            return lineBegin > newChangeEnd && isCleanBefore(lineBegin - shift);
        });
    const qsizetype last = stop < 0 ? m_extents.size() : firstBlockFrom(stop - shift);
    Change change = splice(source, first, last, extents, shift);
    m_source = source;
    return change;
}

// The block to parse again from: the last one that starts at or before the change, or the
// paragraph just before it when that paragraph was still pending when it started (an edit can
// turn a heading into a line of that paragraph).
qsizetype IncrementalParser::restartBlock(qsizetype changeBegin) const
{
    const auto after =
        std::upper_bound(m_extents.cbegin(), m_extents.cend(), changeBegin,
                         [](qsizetype at, const Extent &extent) { return at < extent.begin; });
    if (after == m_extents.cbegin())
        return 0;
    qsizetype block = after - m_extents.cbegin() - 1;
    if (block > 0 && !m_extents[block].isParagraph && m_extents[block - 1].isParagraph
        && m_extents[block - 1].end + 1 == m_extents[block].begin)
        --block;
    return block;
}

// Whether the old blocks from the old line that starts at lineBegin on depend on nothing
// before it: no block runs across that line start. A paragraph that ends just before it has
// nothing more to take from it.
bool IncrementalParser::isCleanBefore(qsizetype lineBegin) const
{
    const qsizetype next = firstBlockFrom(lineBegin);
    return next == 0 || m_extents[next - 1].end < lineBegin;
}

qsizetype IncrementalParser::firstBlockFrom(qsizetype position) const
{
    return std::lower_bound(m_extents.cbegin(), m_extents.cend(), position,
                            [](const Extent &extent, qsizetype at) { return extent.begin < at; })
        - m_extents.cbegin();
}

// Puts the new extents in place of [first, last) and reports the smallest range that differs.
// Blocks of the same lines are the same blocks, so the old and the new are compared by their
// text, which the old blocks no longer need to be kept for.
IncrementalParser::Change IncrementalParser::splice(const QString &source, qsizetype first,
                                                    qsizetype last, const QList<Extent> &extents,
                                                    qsizetype shift)
{
    const auto same = [&](qsizetype newIndex, qsizetype oldIndex) {
        return textOf(source, extents[newIndex]) == textOf(m_source, m_extents[oldIndex]);
    };
    qsizetype head = 0;
    while (head < extents.size() && first + head < last && same(head, first + head))
        ++head;
    qsizetype tail = 0;
    while (tail < extents.size() - head && last - tail > first + head
           && same(extents.size() - tail - 1, last - tail - 1))
        ++tail;

    for (qsizetype i = last; i < m_extents.size(); ++i) {
        m_extents[i].begin += shift;
        m_extents[i].end += shift;
    }
    m_extents.remove(first, last - first);
    m_extents.insert(first, extents.size(), Extent());
    std::copy(extents.cbegin(), extents.cend(), m_extents.begin() + first);

    return {first + head, last - first - head - tail, extents.size() - head - tail};
}

Block IncrementalParser::block(qsizetype index) const
{
    const QList<Block> blocks = parse(textOf(m_source, m_extents[index]).toString());
    return blocks.isEmpty() ? Block() : blocks.first();
}

qsizetype IncrementalParser::blockAt(qsizetype position) const
{
    return std::max<qsizetype>(0, firstBlockFrom(position + 1) - 1);
}

} // namespace markdown
