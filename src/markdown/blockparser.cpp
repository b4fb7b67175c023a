#include "markdown/blockparser.h"

namespace markdown {

BlockParser::BlockParser(QStringView source, QList<Block> &blocks, QList<Extent> *extents)
    : m_source(source), m_chars(source), m_blocks(blocks), m_extents(extents)
{ }

void BlockParser::append(Block block, qsizetype begin, qsizetype end)
{
    if (m_extents)
        m_extents->append({begin, end, std::holds_alternative<Paragraph>(block)});
    m_blocks.append(std::move(block));
}

void BlockParser::finish()
{
    if (m_inCode)
        closeCode(m_source.size());
    flushPara();
}

// The tests run in a fixed order and the first that matches decides the line: so a line of
// three "-" is a rule and never a bullet, and a quote whose text begins with "#" is a quote.
void BlockParser::takeLine(qsizetype lineBegin, qsizetype lineEnd)
{
    m_lineBegin = lineBegin;
    m_lineEnd = lineEnd;
    Span raw {lineBegin, lineEnd};
    while (raw.begin < raw.end && m_source[raw.begin] == u'\r')
        ++raw.begin;
    while (raw.end > raw.begin && m_source[raw.end - 1] == u'\r')
        --raw.end;
    const Span trimmed = trimWhitespace(raw);
    if (m_inCode) {
        if (isFence(trimmed))
            closeCode(lineEnd);
        else
            m_code.append(raw);
        return;
    }
    if (isFence(trimmed)) {
        flushPara();
        m_inCode = true;
        m_codeBegin = lineBegin;
        return;
    }
    if (trimmed.isEmpty()) {
        flushPara();
        return;
    }
    if (takeRule(trimmed) || takeHeading(trimmed) || takeQuote(trimmed) || takeBullet(raw, trimmed)
        || takeNumber(trimmed))
        return;
    if (m_paragraph.isEmpty())
        m_paragraphBegin = lineBegin;
    m_paragraphEnd = lineEnd;
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
    appendLineBlock(Rule {});
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
    appendLineBlock(Heading {level, text(trimWhitespace({pos, trimmed.end}))});
    return true;
}

bool BlockParser::takeQuote(Span trimmed)
{
    if (!m_chars.is(trimmed.begin, trimmed.end, u'>'))
        return false;
    flushPara();
    appendLineBlock(Quote {text(trimWhitespace({trimmed.begin + 1, trimmed.end}))});
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
    appendLineBlock(Bullet {text({trimmed.begin + 2, trimmed.end}), leading / 2});
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
    appendLineBlock(
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
        content.append(m_source.sliced(line.begin, line.end - line.begin));
    }
    append(Paragraph {std::move(content)}, m_paragraphBegin, m_paragraphEnd);
    m_paragraph.clear();
}

void BlockParser::closeCode(qsizetype end)
{
    QString content;
    for (const Span &line : m_code) {
        if (&line != m_code.begin())
            content.append(u'\n');
        content.append(m_source.sliced(line.begin, line.end - line.begin));
    }
    append(Code {std::move(content)}, m_codeBegin, end);
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
BlockParser::Span BlockParser::trimWhitespace(Span span) const
{
    while (span.begin < span.end && isWhitespace(m_source[span.begin].unicode()))
        ++span.begin;
    while (span.end > span.begin && isWhitespace(m_source[span.end - 1].unicode()))
        --span.end;
    return span;
}

QList<Block> parse(const QString &source)
{
    QList<Block> blocks;
    // Notes run to about one block for every 70 characters; growing the list is dearer than a
    // guess that is too large.
    blocks.reserve(source.size() / 48 + 8);
    BlockParser(source, blocks).run(0, [](qsizetype) { return false; });
    return blocks;
}

} // namespace markdown
