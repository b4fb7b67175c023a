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

} // namespace

IncrementalParser::Change IncrementalParser::update(std::shared_ptr<const TextBuffer> text,
                                                    qsizetype length)
{
    if (text == m_text)
        return reparseAll(std::move(text), length);
    const QStringView before = m_text->view(0, m_length);
    const QStringView after = text->view(0, length);
    const qsizetype prefix = commonPrefix(before, after);
    if (prefix == before.size() && prefix == after.size()) {
        m_text = std::move(text);
        return {};
    }
    const qsizetype suffix =
        commonSuffix(before, after, std::min(before.size(), after.size()) - prefix);
    return reparse(std::move(text), length, prefix, suffix);
}

IncrementalParser::Change IncrementalParser::update(std::shared_ptr<const TextBuffer> text,
                                                    qsizetype length, const TextEdit &edit)
{
    const bool fits = edit.position >= 0 && edit.removed >= 0 && edit.inserted >= 0
        && edit.position + edit.removed <= m_length
        && length == m_length - edit.removed + edit.inserted && length <= text->size();
    if (!fits)
        return reparseAll(std::move(text), std::clamp<qsizetype>(length, 0, text->size()));
    if (edit.removed == 0 && edit.inserted == 0) {
        m_text = std::move(text);
        return {};
    }
    return reparse(std::move(text), length, edit.position, m_length - edit.position - edit.removed);
}

IncrementalParser::Change IncrementalParser::update(const QString &source)
{
    return update(std::make_shared<const TextBuffer>(source), source.size());
}

// The old and the new text have their first `prefix` and last `suffix` characters in common.
IncrementalParser::Change IncrementalParser::reparse(std::shared_ptr<const TextBuffer> text,
                                                     qsizetype length, qsizetype prefix,
                                                     qsizetype suffix)
{
    const qsizetype shift = length - m_length;
    const qsizetype newChangeEnd = length - suffix;

    const qsizetype first = restartBlock(prefix);
    // A change before the first block parses again from the top.
    const qsizetype restart = first < m_extents.size() && m_extents.beginOf(first) <= prefix
        ? m_extents.beginOf(first)
        : 0;
    QList<Extent> extents;
    QList<Block> blocks; // parsed for their extents; the view parses the ones it shows again
    // Past the change the new text equals the old one, shifted; where both parses stand clear of
    // every block at the same line, the rest of the old parse holds.
    const qsizetype stop = BlockParser(text->view(restart, length - restart), blocks, &extents)
                               .run(0, [&](qsizetype lineBegin) {
                                   return restart + lineBegin > newChangeEnd
                                       && isCleanBefore(restart + lineBegin - shift);
                               });
    for (Extent &extent : extents) {
        extent.begin += restart;
        extent.end += restart;
    }
    const qsizetype last =
        stop < 0 ? m_extents.size() : m_extents.firstFrom(restart + stop - shift);
    Change change = splice(first, last, extents, prefix, suffix, shift);
    m_text = std::move(text);
    m_length = length;
    return change;
}

// What cannot be compared is parsed again whole, and every block counts as changed.
IncrementalParser::Change IncrementalParser::reparseAll(std::shared_ptr<const TextBuffer> text,
                                                        qsizetype length)
{
    QList<Extent> extents;
    QList<Block> blocks;
    BlockParser(text->view(0, length), blocks, &extents).run(0, [](qsizetype) { return false; });
    const Change change {0, m_extents.size(), extents.size()};
    m_extents.replace(0, m_extents.size(), extents, 0);
    m_text = std::move(text);
    m_length = length;
    return change;
}

// The block to parse again from: the last one that starts at or before the change, or the
// paragraph just before it when that paragraph was still pending when it started (an edit can
// turn a heading into a line of that paragraph).
qsizetype IncrementalParser::restartBlock(qsizetype changeBegin) const
{
    const qsizetype after = m_extents.firstFrom(changeBegin + 1);
    if (after == 0)
        return 0;
    qsizetype block = after - 1;
    if (block > 0 && !m_extents.at(block).isParagraph && m_extents.at(block - 1).isParagraph
        && m_extents.at(block - 1).end + 1 == m_extents.beginOf(block))
        --block;
    return block;
}

// Whether the old blocks from the old line that starts at lineBegin on depend on nothing
// before it: no block runs across that line start. A paragraph that ends just before it has
// nothing more to take from it.
bool IncrementalParser::isCleanBefore(qsizetype lineBegin) const
{
    const qsizetype next = m_extents.firstFrom(lineBegin);
    return next == 0 || m_extents.at(next - 1).end < lineBegin;
}

// Puts the new extents in place of [first, last) and reports the smallest range that differs.
// Blocks of the same lines are the same blocks; the old text may be gone (edited in place), but
// outside the change the two texts are the same, so a block there whose lines stand where they
// stood, shifted past the change, is the same block.
IncrementalParser::Change IncrementalParser::splice(qsizetype first, qsizetype last,
                                                    const QList<Extent> &extents, qsizetype prefix,
                                                    qsizetype suffix, qsizetype shift)
{
    const qsizetype oldChangeEnd = m_length - suffix;
    const auto same = [&](qsizetype newIndex, qsizetype oldIndex) {
        const Extent &now = extents[newIndex];
        const Extent was = m_extents.at(oldIndex);
        if (now.isParagraph != was.isParagraph)
            return false;
        if (was.end <= prefix)
            return now.begin == was.begin && now.end == was.end;
        return was.begin >= oldChangeEnd && now.begin == was.begin + shift
            && now.end == was.end + shift;
    };
    qsizetype head = 0;
    while (head < extents.size() && first + head < last && same(head, first + head))
        ++head;
    qsizetype tail = 0;
    while (tail < extents.size() - head && last - tail > first + head
           && same(extents.size() - tail - 1, last - tail - 1))
        ++tail;

    m_extents.replace(first, last, extents, shift);
    return {first + head, last - first - head - tail, extents.size() - head - tail};
}

Block IncrementalParser::block(qsizetype index) const
{
    const Extent extent = m_extents.at(index);
    const QList<Block> blocks =
        parse(m_text->view(extent.begin, extent.end - extent.begin).toString());
    return blocks.isEmpty() ? Block() : blocks.first();
}

qsizetype IncrementalParser::blockAt(qsizetype position) const
{
    return std::max<qsizetype>(0, m_extents.firstFrom(position + 1) - 1);
}

} // namespace markdown
