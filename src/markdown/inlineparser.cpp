#include "markdown/inline.h"

#include <md4c-html.h>
#include <md4c.h>

#include <QByteArray>
#include <QStringDecoder>

#include <vector>

namespace markdown {

namespace {

// md4c parses whole documents. A form feed is whitespace to it but not indentation, so a text
// between two of them can open no block, keeps its leading and trailing spaces, and its spans
// parse as they would at the edges of a line.
constexpr char sentinel = '\f';
// A line break would let the rest of the text open a block, so md4c gets whitespace instead;
// the characters shown are always taken from the original.
constexpr char lineBreakStandIn = '\v';

QString decodeUtf8(const char *bytes, qsizetype size)
{
    // QString::fromUtf8 would drop a byte-order mark at the start of the piece.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(bytes, size));
}

// md4c keeps its entity table to its HTML renderer, so the renderer decodes the one entity and
// the few escapes it writes are undone.
QString decodeEntity(const char *entity, MD_SIZE size)
{
    QByteArray html;
    md_html(
        entity, size,
        [](const MD_CHAR *output, MD_SIZE length, void *sink) {
            static_cast<QByteArray *>(sink)->append(output, length);
        },
        &html, 0, 0);
    html = html.trimmed();
    if (html.startsWith("<p>") && html.endsWith("</p>"))
        html = html.sliced(3, html.size() - 7);
    html.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&amp;", "&");
    return decodeUtf8(html.constData(), html.size());
}

class InlineParser
{
public:
    explicit InlineParser(const QString &text);
    std::optional<QList<InlineRun>> run();

private:
    static int enterBlock(MD_BLOCKTYPE, void *, void *) { return 0; }
    static int leaveBlock(MD_BLOCKTYPE, void *, void *) { return 0; }
    static int enterSpan(MD_SPANTYPE type, void *detail, void *self);
    static int leaveSpan(MD_SPANTYPE type, void *detail, void *self);
    static int text(MD_TEXTTYPE type, const MD_CHAR *text, MD_SIZE size, void *self);

    void appendRun(const QString &text);
    QString original(const MD_CHAR *text, MD_SIZE size) const;
    QString attribute(const MD_ATTRIBUTE &attribute) const;
    static InlineStyles styleOf(MD_SPANTYPE type);

    const QString &m_text;
    QByteArray m_utf8;
    // For each byte of m_utf8, the position in m_text of the character it encodes.
    std::vector<qsizetype> m_positions;
    QList<InlineRun> m_runs;
    QList<InlineStyles> m_styleStack;
    QStringList m_hrefStack;
};

InlineParser::InlineParser(const QString &text) : m_text(text)
{
    m_utf8.reserve(text.size() + 2);
    m_positions.reserve(text.size() + 3);
    auto add = [this](const QByteArray &bytes, qsizetype position) {
        m_utf8.append(bytes);
        m_positions.insert(m_positions.end(), bytes.size(), position);
    };
    add(QByteArray(1, sentinel), -1);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype start = i;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        const QChar c = text[i];
        add(c == u'\r' || c == u'\n' ? QByteArray(1, lineBreakStandIn)
                                     : QStringView(text).sliced(start, i - start + 1).toUtf8(),
            start);
    }
    add(QByteArray(1, sentinel), -1);
    m_positions.push_back(text.size());
}

std::optional<QList<InlineRun>> InlineParser::run()
{
    MD_PARSER parser {};
    parser.flags = MD_FLAG_NOHTML | MD_FLAG_STRIKETHROUGH;
    parser.enter_block = enterBlock;
    parser.leave_block = leaveBlock;
    parser.enter_span = enterSpan;
    parser.leave_span = leaveSpan;
    parser.text = text;
    m_styleStack.append(InlineStyles());
    m_hrefStack.append(QString());
    if (md_parse(m_utf8.constData(), static_cast<MD_SIZE>(m_utf8.size()), &parser, this) != 0)
        return std::nullopt;
    return m_runs;
}

InlineStyles InlineParser::styleOf(MD_SPANTYPE type)
{
    switch (type) {
    case MD_SPAN_STRONG:
        return InlineStyle::Strong;
    case MD_SPAN_EM:
        return InlineStyle::Emphasis;
    case MD_SPAN_CODE:
        return InlineStyle::Code;
    case MD_SPAN_DEL:
        return InlineStyle::Strikethrough;
    case MD_SPAN_A:
        return InlineStyle::Link;
    default:
        return {}; // an image shows its alt text, unstyled
    }
}

int InlineParser::enterSpan(MD_SPANTYPE type, void *detail, void *self)
{
    auto *parser = static_cast<InlineParser *>(self);
    parser->m_styleStack.append(parser->m_styleStack.last() | styleOf(type));
    parser->m_hrefStack.append(
        type == MD_SPAN_A ? parser->attribute(static_cast<MD_SPAN_A_DETAIL *>(detail)->href)
                          : parser->m_hrefStack.last());
    return 0;
}

int InlineParser::leaveSpan(MD_SPANTYPE, void *, void *self)
{
    auto *parser = static_cast<InlineParser *>(self);
    parser->m_styleStack.removeLast();
    parser->m_hrefStack.removeLast();
    return 0;
}

int InlineParser::text(MD_TEXTTYPE type, const MD_CHAR *text, MD_SIZE size, void *self)
{
    auto *parser = static_cast<InlineParser *>(self);
    switch (type) {
    case MD_TEXT_ENTITY:
        parser->appendRun(decodeEntity(text, size));
        break;
    case MD_TEXT_NULLCHAR:
        parser->appendRun(QString(QChar::ReplacementCharacter));
        break;
    default:
        parser->appendRun(parser->original(text, size));
        break;
    }
    return 0;
}

void InlineParser::appendRun(const QString &text)
{
    if (text.isEmpty())
        return;
    const InlineStyles styles = m_styleStack.last();
    const QString &href = m_hrefStack.last();
    if (!m_runs.isEmpty() && m_runs.last().styles == styles && m_runs.last().href == href)
        m_runs.last().text += text;
    else
        m_runs.append({text, styles, href});
}

// The text md4c hands back points into our buffer; taking the characters from the original
// keeps them exactly as written. The sentinels map to nothing.
QString InlineParser::original(const MD_CHAR *text, MD_SIZE size) const
{
    const qsizetype offset = text - m_utf8.constData();
    if (offset < 0 || offset + qsizetype(size) > m_utf8.size())
        return decodeUtf8(text, size);
    qsizetype begin = offset;
    qsizetype end = offset + size;
    while (begin < end && m_positions[begin] < 0)
        ++begin;
    while (end > begin && m_positions[end - 1] < 0)
        --end;
    if (begin == end)
        return QString();
    const qsizetype from = m_positions[begin];
    const qsizetype to = m_positions[end] < 0 ? m_text.size() : m_positions[end];
    return m_text.sliced(from, to - from);
}

QString InlineParser::attribute(const MD_ATTRIBUTE &attribute) const
{
    QString value;
    for (int i = 0; attribute.substr_offsets[i] < attribute.size; ++i) {
        const MD_CHAR *piece = attribute.text + attribute.substr_offsets[i];
        const MD_SIZE length = attribute.substr_offsets[i + 1] - attribute.substr_offsets[i];
        switch (attribute.substr_types[i]) {
        case MD_TEXT_ENTITY:
            value += decodeEntity(piece, length);
            break;
        case MD_TEXT_NULLCHAR:
            value += QChar::ReplacementCharacter;
            break;
        default:
            value += decodeUtf8(piece, length);
            break;
        }
    }
    return value;
}

} // namespace

std::optional<QList<InlineRun>> parseInline(const QString &text)
{
    if (text.isEmpty())
        return QList<InlineRun>();
    return InlineParser(text).run();
}

} // namespace markdown
