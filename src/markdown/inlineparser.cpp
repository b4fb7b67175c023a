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

// md4c 0.4.8 can report the end of a span it never began, or begin one it never ends. Once a
// link or image has taken its "(destination "title")", md4c's last pass over emphasis and
// strikethrough resumes just after its "]", inside those parentheses, so a "*", "_" or "~" there
// pairs with one outside; and a "[" in an image's parentheses can open a link that ends outside
// them. The output then skips the parentheses with the half of the pair inside them: "[](~)~*"
// ends a strikethrough that never began, "*a[](*)" begins an emphasis that never ends. A text
// with such a half pair is parsed again with that kind of delimiter as plain text, so every
// character still shows and no style comes from half a pair.
enum class Delimiter { Tilde = 1, Emphasis = 2, Bracket = 4, Other = 8 };
Q_DECLARE_FLAGS(Delimiters, Delimiter)
Q_DECLARE_OPERATORS_FOR_FLAGS(Delimiters)

// What md4c gets in place of a delimiter that is to be plain text: a noncharacter, which Unicode
// keeps for a program's own use, so no note means one and a link target may hold it. The shown
// text is always taken from the original; link targets, which md4c hands on from its buffer, get
// the delimiters back.
struct StandIn
{
    Delimiter kind;
    char16_t delimiter;
    char16_t standIn;
};
constexpr StandIn standIns[] = {
    {Delimiter::Tilde, u'~', u'\uFDD0'},    {Delimiter::Emphasis, u'*', u'\uFDD1'},
    {Delimiter::Emphasis, u'_', u'\uFDD2'}, {Delimiter::Bracket, u'[', u'\uFDD3'},
    {Delimiter::Bracket, u']', u'\uFDD4'},
};

class InlineParser
{
public:
    InlineParser(const QString &text, Delimiters plain);
    std::optional<QList<InlineRun>> run();
    // The kinds of delimiter md4c left half a pair of; the runs are not to be used then.
    Delimiters unpaired() const { return m_unpaired; }

private:
    struct OpenSpan
    {
        MD_SPANTYPE type;
        InlineStyles styles;
        QString href;
    };

    static int enterBlock(MD_BLOCKTYPE, void *, void *) { return 0; }
    static int leaveBlock(MD_BLOCKTYPE, void *, void *) { return 0; }
    static int enterSpan(MD_SPANTYPE type, void *detail, void *self);
    static int leaveSpan(MD_SPANTYPE type, void *detail, void *self);
    static int text(MD_TEXTTYPE type, const MD_CHAR *text, MD_SIZE size, void *self);

    QByteArray encoded(QStringView character) const;
    void appendRun(const QString &text);
    QString original(const MD_CHAR *text, MD_SIZE size) const;
    QString attribute(const MD_ATTRIBUTE &attribute) const;
    static InlineStyles styleOf(MD_SPANTYPE type);
    static Delimiter delimiterOf(MD_SPANTYPE type);

    const QString &m_text;
    const Delimiters m_plain;
    QByteArray m_utf8;
    // For each byte of m_utf8, the position in m_text of the character it encodes.
    std::vector<qsizetype> m_positions;
    QList<InlineRun> m_runs;
    // The spans md4c has begun and not yet ended, innermost last, above one for the text itself.
    QList<OpenSpan> m_open;
    Delimiters m_unpaired;
};

InlineParser::InlineParser(const QString &text, Delimiters plain) : m_text(text), m_plain(plain)
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
        add(encoded(QStringView(text).sliced(start, i - start + 1)), start);
    }
    add(QByteArray(1, sentinel), -1);
    m_positions.push_back(text.size());
}

QByteArray InlineParser::encoded(QStringView character) const
{
    const QChar first = character.front();
    if (first == u'\r' || first == u'\n')
        return QByteArray(1, lineBreakStandIn);
    for (const StandIn &standIn : standIns) {
        if (first == standIn.delimiter && (m_plain & standIn.kind))
            return QStringView(&standIn.standIn, 1).toUtf8();
    }
    return character.toUtf8();
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
    m_open.append({MD_SPAN_EM, InlineStyles(), QString()});
    const int result =
        md_parse(m_utf8.constData(), static_cast<MD_SIZE>(m_utf8.size()), &parser, this);
    if (result != 0)
        return std::nullopt;
    for (qsizetype i = 1; i < m_open.size(); ++i)
        m_unpaired |= delimiterOf(m_open[i].type);
    if (m_unpaired)
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

Delimiter InlineParser::delimiterOf(MD_SPANTYPE type)
{
    switch (type) {
    case MD_SPAN_DEL:
        return Delimiter::Tilde;
    case MD_SPAN_EM:
    case MD_SPAN_STRONG:
        return Delimiter::Emphasis;
    case MD_SPAN_A:
    case MD_SPAN_IMG:
        return Delimiter::Bracket;
    default:
        return Delimiter::Other;
    }
}

int InlineParser::enterSpan(MD_SPANTYPE type, void *detail, void *self)
{
    auto *parser = static_cast<InlineParser *>(self);
    const OpenSpan &outer = parser->m_open.last();
    parser->m_open.append({type, outer.styles | styleOf(type),
                           type == MD_SPAN_A
                               ? parser->attribute(static_cast<MD_SPAN_A_DETAIL *>(detail)->href)
                               : outer.href});
    return 0;
}

// A span ended that is not the innermost one begun stops the parse: its runs would be styled
// from half a pair. md4c stops only for a negative result; it carries on past a positive one.
int InlineParser::leaveSpan(MD_SPANTYPE type, void *, void *self)
{
    auto *parser = static_cast<InlineParser *>(self);
    if (parser->m_open.size() < 2 || parser->m_open.last().type != type) {
        parser->m_unpaired |= delimiterOf(type);
        return -1;
    }
    parser->m_open.removeLast();
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
    const InlineStyles styles = m_open.last().styles;
    const QString &href = m_open.last().href;
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
    for (const StandIn &standIn : standIns) {
        if (m_plain & standIn.kind)
            value.replace(QChar(standIn.standIn), QChar(standIn.delimiter));
    }
    return value;
}

} // namespace

std::optional<QList<InlineRun>> parseInline(const QString &text)
{
    if (text.isEmpty())
        return QList<InlineRun>();
    constexpr Delimiters canBePlain = Delimiter::Tilde | Delimiter::Emphasis | Delimiter::Bracket;
    for (Delimiters plain;;) {
        InlineParser parser(text, plain);
        std::optional<QList<InlineRun>> runs = parser.run();
        const Delimiters unpaired = parser.unpaired();
        if (!unpaired)
            return runs;
        if ((unpaired & ~canBePlain) || (plain & unpaired) == unpaired)
            return std::nullopt;
        plain |= unpaired;
    }
}

} // namespace markdown
