#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace search {

struct TextRange
{
    qsizetype start;
    qsizetype length;
    friend bool operator==(const TextRange &, const TextRange &) = default;
};

// How often each byte occurs in the texts searched, roughly; only their order matters.
using ByteCounts = std::array<quint64, 256>;

// A place in a text by line (lines end at LF, CR LF or a lone CR) and column (in UTF-16 units).
struct TextPosition
{
    qsizetype line;
    qsizetype column;
};

// A query as typed into the search field: words split at white space, and "double-quoted" text
// as one phrase (an unclosed quote runs to the end). Every character is literal. Each word or
// phrase is kept folded (see folding.h), so comparing it costs no folding per text.
class SearchQuery
{
public:
    class Term
    {
    public:
        // counts tell which of the term's bytes are rarest; without them, their frequency in
        // English prose and UTF-8 is assumed.
        explicit Term(QByteArray folded, const ByteCounts *counts = nullptr);
        const QByteArray &folded() const { return m_folded; }
        // Where the term next occurs in a folded text, from the byte at from on; -1 when not.
        qsizetype indexIn(QByteArrayView folded, qsizetype from = 0) const;
        bool occursIn(QByteArrayView folded) const { return indexIn(folded) >= 0; }

    private:
        QByteArray m_folded;
        // The two bytes least likely to occur in text at their distance from each other, whose
        // places are sought first; the same one twice in a term of one byte.
        qsizetype m_rarest = 0;
        qsizetype m_nextRarest = 0;
    };

    SearchQuery() = default;
    explicit SearchQuery(const QString &query, const ByteCounts *counts = nullptr);

    // No words: everything matches.
    bool isBlank() const { return m_terms.isEmpty(); }
    // Longest first, as those are the likeliest to rule a text out.
    const QList<Term> &terms() const { return m_terms; }
    // Whether every text this query matches is matched by the other one too, which is so when
    // each of the other's terms lies inside one of this query's terms.
    bool narrows(const SearchQuery &other) const;
    // Every occurrence of every term in the text, in order, overlapping ones joined.
    QList<TextRange> findIn(QStringView text) const;
    // The first occurrence of any term, found without building findIn()'s map of the whole text.
    std::optional<TextPosition> firstIn(QStringView text) const;

private:
    QList<Term> m_terms;
};

} // namespace search
