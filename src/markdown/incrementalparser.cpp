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

bool isParagraph(const Block &block)
{
    return std::holds_alternative<Paragraph>(block);
}

} // namespace

IncrementalParser::Change IncrementalParser::update(const QString &source)
{
    const qsizetype prefix = commonPrefix(m_source, source);
    if (prefix == m_source.size() && prefix == source.size())
        return {};
    const qsizetype suffix =
        commonSuffix(m_source, source, std::min(m_source.size(), source.size()) - prefix);
    const qsizetype shift = source.size() - m_source.size();
    const qsizetype newChangeEnd = source.size() - suffix;

    const qsizetype first = restartBlock(prefix);
    // A change before the first block parses again from the top.
    const qsizetype restart =
        first < m_blocks.size() && m_extents[first].begin <= prefix ? m_extents[first].begin : 0;
    QList<Block> blocks;
    QList<Extent> extents;
    // Past the change the new text equals the old one, shifted; where both parses stand clear of
    // every block at the same line, the rest of the old parse holds.
    const qsizetype stop =
        BlockParser(source, blocks, &extents).run(restart, [&](qsizetype lineBegin) {
            return lineBegin > newChangeEnd && isCleanBefore(lineBegin - shift);
        });
    const qsizetype last = stop < 0 ? m_blocks.size() : firstBlockFrom(stop - shift);
    m_source = source;
    return splice(first, last, blocks, extents, shift);
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
    if (block > 0 && !isParagraph(m_blocks[block]) && isParagraph(m_blocks[block - 1])
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

// Puts the new blocks in place of [first, last) and reports the smallest range that differs.
IncrementalParser::Change IncrementalParser::splice(qsizetype first, qsizetype last,
                                                    QList<Block> &blocks, QList<Extent> &extents,
                                                    qsizetype shift)
{
    for (qsizetype i = last; i < m_extents.size(); ++i) {
        m_extents[i].begin += shift;
        m_extents[i].end += shift;
    }
    qsizetype same = 0;
    while (same < blocks.size() && first + same < last && blocks[same] == m_blocks[first + same])
        ++same;
    qsizetype sameAtEnd = 0;
    while (sameAtEnd < blocks.size() - same && last - sameAtEnd > first + same
           && blocks[blocks.size() - sameAtEnd - 1] == m_blocks[last - sameAtEnd - 1])
        ++sameAtEnd;
    const Change change {first + same, last - first - same - sameAtEnd,
                         blocks.size() - same - sameAtEnd};

    const qsizetype common = std::min(last - first, blocks.size());
    for (qsizetype i = 0; i < common; ++i) {
        m_blocks[first + i] = std::move(blocks[i]);
        m_extents[first + i] = extents[i];
    }
    if (blocks.size() > common) {
        m_blocks.insert(first + common, blocks.size() - common, Block());
        m_extents.insert(first + common, blocks.size() - common, Extent());
        for (qsizetype i = common; i < blocks.size(); ++i) {
            m_blocks[first + i] = std::move(blocks[i]);
            m_extents[first + i] = extents[i];
        }
    } else {
        m_blocks.remove(first + common, last - first - common);
        m_extents.remove(first + common, last - first - common);
    }
    return change;
}

} // namespace markdown
