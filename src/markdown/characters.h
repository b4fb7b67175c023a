#pragma once

#include <QStringView>

struct UBreakIterator;

namespace markdown {

// Reads a text as user-perceived characters (extended grapheme clusters). Runs of ASCII are
// stepped through directly; ICU's break rules are consulted, and set up, only where a
// character outside ASCII is involved.
class Characters
{
public:
    explicit Characters(QStringView text);
    ~Characters();
    Characters(const Characters &) = delete;
    Characters &operator=(const Characters &) = delete;

    // The end of the character that starts at pos, no further than end.
    qsizetype next(qsizetype pos, qsizetype end) const
    {
        if (pos + 1 >= end)
            return end;
        const char16_t c = m_text[pos].unicode();
        const char16_t following = m_text[pos + 1].unicode();
        // No ASCII character extends or is extended by another, except CR LF.
        if (c < 0x80 && following < 0x80 && !(c == u'\r' && following == u'\n'))
            return pos + 1;
        return nextByRules(pos, end);
    }

    // Whether the character that starts at pos, ending no further than end, is canonically
    // equivalent to the ASCII character c.
    bool is(qsizetype pos, qsizetype end, char16_t c) const
    {
        if (pos >= end)
            return false;
        // The code unit decides most cases without asking where the character ends.
        const char16_t found = m_text[pos].unicode();
        if (found != c && (found < 0x80 || asciiEquivalent(found) != c))
            return false;
        return next(pos, end) == pos + 1;
    }

    // Whether the first code point of the character at pos has a Numeric_Type of Decimal,
    // Digit or Numeric.
    bool isNumeric(qsizetype pos) const
    {
        const char16_t c = m_text[pos].unicode();
        return c < 0x80 ? c >= u'0' && c <= u'9' : isNumericOutsideAscii(pos);
    }

private:
    qsizetype nextByRules(qsizetype pos, qsizetype end) const;
    bool isNumericOutsideAscii(qsizetype pos) const;
    static char16_t asciiEquivalent(char16_t c);

    QStringView m_text;
    mutable UBreakIterator *m_breaks = nullptr;
};

bool isWhitespaceOutsideAscii(char16_t c);

// Tab or a space separator (General Category Zs).
inline bool isWhitespace(char16_t c)
{
    return c < 0x80 ? c == u' ' || c == u'\t' : isWhitespaceOutsideAscii(c);
}

} // namespace markdown
