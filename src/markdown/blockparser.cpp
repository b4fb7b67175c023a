#include "markdown/block.h"
#include "markdown/characters.h"

#include <QVarLengthArray>

namespace markdown {

namespace {

// A part of the source, as positions into it.
struct Span
{
    qsizetype begin;
    qsizetype end;
    bool isEmpty() const { return begin == end; }
};

class BlockParser
{
public:
    explicit BlockParser(const QString &source) : m_source(source), m_chars(source) { }
    QList<Block> run();

private:
    void takeLine(Span raw);
    bool takeRule(Span trimmed);
    bool takeHeading(Span trimmed);
    bool takeQuote(Span trimmed);
    bool takeBullet(Span raw, Span trimmed);
    bool takeNumber(Span trimmed);
    void flushPara();
    void closeCode();

    bool isFence(Span trimmed) const;
    Span trimWhitespace(Span span) const;
    QString text(Span span) const
    {
        return QStringView(m_source).sliced(span.begin, span.end - span.begin).toString();
    }

    const QString &m_source;
    Characters m_chars;
    QList<Block> m_blocks;
    QVarLengthArray<Span, 16> m_paragraph;
    QVarLengthArray<Span, 64> m_code;
    bool m_inCode = false;
};

QList<Block> BlockParser::run()
{
    // Notes run to about one block for every 70 characters; growing the list is dearer than a
    // guess that is too large.
    m_blocks.reserve(m_source.size() / 48 + 8);
    qsizetype lineBegin = 0;
    for (;;) {
        const qsizetype lineFeed = m_source.indexOf(u'\n', lineBegin);
        const qsizetype lineEnd = lineFeed < 0 ? m_source.size() : lineFeed;
        Span raw {lineBegin, lineEnd};
        while (raw.begin < raw.end && m_source[raw.begin] == u'\r')
            ++raw.begin;
        while (raw.end > raw.begin && m_source[raw.end - 1] == u'\r')
            --raw.end;
        takeLine(raw);
        if (lineFeed < 0)
            break;
        lineBegin = lineFeed + 1;
    }
    if (m_inCode)
        closeCode();
    flushPara();
    return std::move(m_blocks);
}

// The tests run in a fixed order and the first that matches decides the line: so a line of
// three "-" is a rule and never a bullet, and a quote whose text begins with "#" is a quote.
void BlockParser::takeLine(Span raw)
{
    const Span trimmed = trimWhitespace(raw);
    if (m_inCode) {
        if (isFence(trimmed))
            closeCode();
        else
            m_code.append(raw);
        return;
    }
    if (isFence(trimmed)) {
        flushPara();
        m_inCode = true;
        return;
    }
    if (trimmed.isEmpty()) {
        flushPara();
        return;
    }
    if (takeRule(trimmed) || takeHeading(trimmed) || takeQuote(trimmed) || takeBullet(raw, trimmed)
        || takeNumber(trimmed))
        return;
    m_paragraph.append(trimmed);
}

bool BlockParser::takeRule(Span trimmed)
{
    const char16_t first = m_source[trimmed.begin].unicode();
    if (first != u'-' && first != u'*' && first != u'_')
        return false;
    int count = 0;
    for (qsizetype pos = trimmed.begin; pos < trimmed.end; pos = m_chars.next(pos, trimmed.end)) {
        if (!m_chars.is(pos, trimmed.end, first))
            return false;
        ++count;
    }
    if (count < 3)
        return false;
    flushPara();
    m_blocks.append(Rule {});
    return true;
}

bool BlockParser::takeHeading(Span trimmed)
{
    qint64 level = 0;
    qsizetype pos = trimmed.begin;
    while (pos < trimmed.end && m_chars.is(pos, trimmed.end, u'#')) {
        ++level;
        ++pos;
    }
    if (level == 0 || level > 6 || !m_chars.is(pos, trimmed.end, u' '))
        return false;
    flushPara();
    m_blocks.append(Heading {level, text(trimWhitespace({pos, trimmed.end}))});
    return true;
}

bool BlockParser::takeQuote(Span trimmed)
{
    if (!m_chars.is(trimmed.begin, trimmed.end, u'>'))
        return false;
    flushPara();
    m_blocks.append(Quote {text(trimWhitespace({trimmed.begin + 1, trimmed.end}))});
    return true;
}

bool BlockParser::takeBullet(Span raw, Span trimmed)
{
    const char16_t marker = m_source[trimmed.begin].unicode();
    if ((marker != u'-' && marker != u'*' && marker != u'+')
        || !m_chars.is(trimmed.begin, trimmed.end, marker)
        || !m_chars.is(trimmed.begin + 1, trimmed.end, u' '))
        return false;
    qint64 leading = 0;
    for (qsizetype pos = raw.begin;
         m_chars.is(pos, raw.end, u' ') || m_chars.is(pos, raw.end, u'\t'); ++pos)
        ++leading;
    flushPara();
    m_blocks.append(Bullet {text({trimmed.begin + 2, trimmed.end}), leading / 2});
    return true;
}

// Only numeric characters may come before the first ".", so the search ends at the first
// character that is not numeric: a long paragraph line is not scanned to its end.
bool BlockParser::takeNumber(Span trimmed)
{
    qsizetype dot = trimmed.begin;
    while (dot < trimmed.end && m_chars.isNumeric(dot))
        dot = m_chars.next(dot, trimmed.end);
    if (dot == trimmed.begin || !m_chars.is(dot, trimmed.end, u'.')
        || !m_chars.is(dot + 1, trimmed.end, u' '))
        return false;
    flushPara();
    m_blocks.append(
        Number {text({trimmed.begin, dot + 1}), text(trimWhitespace({dot + 1, trimmed.end}))});
    return true;
}

void BlockParser::flushPara()
{
    if (m_paragraph.isEmpty())
        return;
    qsizetype length = m_paragraph.size() - 1;
    for (const Span &line : m_paragraph)
        length += line.end - line.begin;
    QString content;
    content.reserve(length);
    for (const Span &line : m_paragraph) {
        if (!content.isEmpty())
            content.append(u' ');
        content.append(QStringView(m_source).sliced(line.begin, line.end - line.begin));
    }
    m_blocks.append(Paragraph {std::move(content)});
    m_paragraph.clear();
}

void BlockParser::closeCode()
{
    QString content;
    for (const Span &line : m_code) {
        if (&line != m_code.begin())
            content.append(u'\n');
        content.append(QStringView(m_source).sliced(line.begin, line.end - line.begin));
    }
    m_blocks.append(Code {std::move(content)});
    m_code.clear();
    m_inCode = false;
}

bool BlockParser::isFence(Span trimmed) const
{
    qsizetype pos = trimmed.begin;
    for (int i = 0; i < 3; ++i, ++pos) {
        if (!m_chars.is(pos, trimmed.end, u'`'))
            return false;
    }
    return true;
}

// Whitespace is removed code point by code point, as a character set would.
Span BlockParser::trimWhitespace(Span span) const
{
    while (span.begin < span.end && isWhitespace(m_source[span.begin].unicode()))
        ++span.begin;
    while (span.end > span.begin && isWhitespace(m_source[span.end - 1].unicode()))
        --span.end;
    return span;
}

} // namespace

QList<Block> parse(const QString &source)
{
    return BlockParser(source).run();
}

} // namespace markdown
