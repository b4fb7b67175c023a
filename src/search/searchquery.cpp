#include "search/searchquery.h"

#include "search/folding.h"

#include <algorithm>
#include <bit>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace search {

namespace {

// How often a byte turns up in notes, roughly: letters by their frequency in English, the
// space and the bytes that continue a character outside ASCII most of all. Only the order
// matters; it picks which byte of a term to look for first.
int commonness(unsigned char byte)
{
    static constexpr char byFrequency[] = " etaoinshrdlcumwfgypbvkjxqz";
    if (const char *at = std::strchr(byFrequency, byte); at && byte)
        return 100 - int(at - byFrequency);
    if (byte >= 0x80 && byte < 0xC0)
        return 90; // continuation bytes
    if (byte >= 0xC0)
        return 60; // the first byte of a character outside ASCII
    if (byte == '\n' || byte == '.' || byte == ',')
        return 80;
    if (byte >= '0' && byte <= '9')
        return 50;
    return 40;
}

quint64 rarityScore(unsigned char byte, const ByteCounts *counts)
{
    return counts ? (*counts)[byte] : quint64(commonness(byte));
}

// The place of the rarest byte in bytes, leaving out the one at skip.
qsizetype rarestByte(const QByteArray &bytes, const ByteCounts *counts, qsizetype skip = -1)
{
    qsizetype rarest = -1;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i != skip
            && (rarest < 0
                || rarityScore(uchar(bytes[i]), counts)
                    < rarityScore(uchar(bytes[rarest]), counts)))
            rarest = i;
    }
    return rarest;
}

QStringList wordsAndPhrases(const QString &query)
{
    QStringList terms;
    QString current;
    bool inPhrase = false;
    const auto finish = [&] {
        if (!current.isEmpty())
            terms.append(current);
        current.clear();
    };
    for (const QChar c : query) {
        if (c == u'"') {
            finish();
            inPhrase = !inPhrase;
        } else if (c.isSpace() && !inPhrase) {
            finish();
        } else {
            current += c;
        }
    }
    finish();
    return terms;
}

bool endsLine(QStringView text, qsizetype at)
{
    return text[at] == u'\n'
        || (text[at] == u'\r' && (at + 1 == text.size() || text[at + 1] != u'\n'));
}

} // namespace

SearchQuery::Term::Term(QByteArray folded, const ByteCounts *counts)
    : m_folded(std::move(folded)), m_rarest(rarestByte(m_folded, counts))
{
    m_nextRarest = m_folded.size() > 1 ? rarestByte(m_folded, counts, m_rarest) : m_rarest;
}

namespace {

// Calls check(place) for each place from start to lastStart where firstByte stands first bytes
// after it and secondByte second bytes after it, in order, until one returns true; looks at
// sixteen places at a time. Returns that place, or -1.
template<typename Check>
qsizetype scanPairs(const char *text, qsizetype start, qsizetype lastStart, qsizetype first,
                    char firstByte, qsizetype second, char secondByte, Check &&check)
{
#ifdef __SSE2__
    const __m128i firsts = _mm_set1_epi8(firstByte);
    const __m128i seconds = _mm_set1_epi8(secondByte);
    // The sixteen places from block on, but for the first skipped ones.
    const auto scanBlock = [&](qsizetype block, int skipped) -> qsizetype {
        const auto *atFirst = reinterpret_cast<const __m128i *>(text + block + first);
        const auto *atSecond = reinterpret_cast<const __m128i *>(text + block + second);
        auto both = unsigned(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(_mm_loadu_si128(atFirst), firsts),
                                            _mm_cmpeq_epi8(_mm_loadu_si128(atSecond), seconds))));
        for (both &= ~0u << skipped; both; both &= both - 1) {
            const qsizetype candidate = block + std::countr_zero(both);
            if (check(candidate))
                return candidate;
        }
        return -1;
    };
    for (; start + 15 <= lastStart; start += 16) {
        if (const qsizetype found = scanBlock(start, 0); found >= 0)
            return found;
    }
    // The last places are one more block that overlaps the one before, when the text is long
    // enough: places looked at one by one cost more than the whole block.
    if (start <= lastStart && lastStart >= 15)
        return scanBlock(lastStart - 15, int(start - (lastStart - 15)));
#endif
    for (; start <= lastStart; ++start) {
        if (text[start + first] == firstByte && text[start + second] == secondByte && check(start))
            return start;
    }
    return -1;
}

} // namespace

// Only where the term's two rarest bytes both stand at their places is the whole term compared:
// sixteen places are looked at in a few instructions, and most texts that lack a term are passed
// over without a single comparison.
qsizetype SearchQuery::Term::indexIn(QByteArrayView folded, qsizetype from) const
{
    const qsizetype length = m_folded.size();
    from = std::max<qsizetype>(from, 0);
    if (folded.size() - from < length || length == 0)
        return -1;
    const char *const text = folded.data();
    const char *const term = m_folded.constData();
    if (length == 1) {
        const auto *found = static_cast<const char *>(
            std::memchr(text + from, term[0], size_t(folded.size() - from)));
        return found ? found - text : -1;
    }
    return scanPairs(text, from, folded.size() - length, m_rarest, term[m_rarest], m_nextRarest,
                     term[m_nextRarest], [&](qsizetype candidate) {
                         return std::memcmp(text + candidate, term, size_t(length)) == 0;
                     });
}

SearchQuery::SearchQuery(const QString &query, const ByteCounts *counts)
{
    for (const QString &term : wordsAndPhrases(query)) {
        QByteArray folded = fold(term);
        // A term of combining marks alone folds to nothing, and nothing is in every text.
        if (!folded.isEmpty())
            m_terms.append(Term(std::move(folded), counts));
    }
    std::stable_sort(m_terms.begin(), m_terms.end(), [](const Term &a, const Term &b) {
        return a.folded().size() > b.folded().size();
    });
}

bool SearchQuery::narrows(const SearchQuery &other) const
{
    return std::all_of(other.m_terms.cbegin(), other.m_terms.cend(), [this](const Term &wider) {
        return std::any_of(m_terms.cbegin(), m_terms.cend(), [&wider](const Term &term) {
            return term.folded().contains(wider.folded());
        });
    });
}

QList<TextRange> SearchQuery::findIn(QStringView text) const
{
    if (isBlank())
        return {};
    const FoldedText folded = foldWithOrigins(text);
    // A match ends where the next character that folding kept begins, so marks it dropped after
    // the last letter belong to the match, and a match of part of a character ("s" of "ß")
    // takes it whole.
    const auto originAt = [&](qsizetype byte) {
        return byte < folded.origins.size() ? folded.origins[byte] : text.size();
    };
    QList<TextRange> ranges;
    for (const Term &term : m_terms) {
        for (qsizetype at = term.indexIn(folded.bytes); at >= 0;
             at = term.indexIn(folded.bytes, at + term.folded().size())) {
            const qsizetype start = folded.origins[at];
            const qsizetype lastOrigin = folded.origins[at + term.folded().size() - 1];
            qsizetype after = at + term.folded().size();
            while (after < folded.origins.size() && folded.origins[after] == lastOrigin)
                ++after;
            ranges.append({start, originAt(after) - start});
        }
    }
    std::sort(ranges.begin(), ranges.end(),
              [](const TextRange &a, const TextRange &b) { return a.start < b.start; });
    QList<TextRange> joined;
    for (const TextRange &range : ranges) {
        if (!joined.isEmpty() && range.start <= joined.last().start + joined.last().length) {
            TextRange &last = joined.last();
            last.length =
                std::max(last.start + last.length, range.start + range.length) - last.start;
        } else {
            joined.append(range);
        }
    }
    return joined;
}

} // namespace search

namespace search {

std::optional<TextPosition> SearchQuery::firstIn(QStringView text) const
{
    const QByteArray folded = fold(text);
    qsizetype first = -1;
    for (const Term &term : m_terms) {
        const qsizetype at = term.indexIn(folded, 0);
        if (at >= 0 && (first < 0 || at < first))
            first = at;
    }
    if (first < 0)
        return std::nullopt;
    // Folding keeps line breaks one for one, so the line is the one in the text.
    qsizetype line = 0;
    for (qsizetype i = 0; i < first; ++i) {
        if (folded[i] == '\n' || (folded[i] == '\r' && folded[i + 1] != '\n'))
            ++line;
    }
    qsizetype start = 0;
    for (qsizetype found = 0; found < line; ++start) {
        if (endsLine(text, start))
            ++found;
    }
    qsizetype end = start;
    while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
        ++end;
    const QList<TextRange> inLine = findIn(text.sliced(start, end - start));
    return TextPosition {line, inLine.isEmpty() ? 0 : inLine.first().start};
}

} // namespace search
