#include "markdown/inline.h"

#include <md4c-html.h>
#include <md4c.h>

#include <QByteArray>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>

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

// The characters md4c's HTML renderer writes for text, undone.
QString unescapedHtml(QByteArray html)
{
    html.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&amp;", "&");
    return decodeUtf8(html.constData(), html.size());
}

// md4c keeps its table of named entities to its HTML renderer, and one md_html() call costs as
// much as parsing a short text, far more than a note's thousands of entities may take. So the
// distinct named entities of a text are rendered in one call, between separators; numeric ones
// are decoded here, as the renderer decodes them.
class Entities
{
public:
    explicit Entities(QByteArrayView utf8);
    QString decode(QByteArrayView entity) const;

private:
    static QByteArray html(QByteArrayView markdown);
    static QString decodeNumeric(QByteArrayView entity);

    QHash<QByteArray, QString> m_named;
};

// A noncharacter: no entity stands for it, and md_html() copies it as it is.
constexpr QByteArrayView separator("\xef\xb7\x95"); // U+FDD5
// md4c takes "&", a letter, up to 47 more letters and digits and ";" as a named entity.
constexpr qsizetype longestName = 48;

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

Entities::Entities(QByteArrayView utf8)
{
    QByteArray names;
    qsizetype count = 0;
    for (qsizetype at = utf8.indexOf('&'); at >= 0; at = utf8.indexOf('&', at + 1)) {
        qsizetype end = at + 1;
        if (end == utf8.size() || !isAsciiLetter(utf8[end]))
            continue;
        while (end < utf8.size() && end - at <= longestName
               && (isAsciiLetter(utf8[end]) || isAsciiDigit(utf8[end])))
            ++end;
        if (end == utf8.size() || utf8[end] != ';')
            continue;
        const QByteArray name = utf8.sliced(at, end + 1 - at).toByteArray();
        if (m_named.contains(name))
            continue;
        m_named.insert(name, QString());
        names += name;
        names += separator;
        ++count;
    }
    if (count == 0)
        return;
    // The names in text order, each followed by the separator, render as one paragraph of the
    // decoded characters in the same order, each followed by the separator.
    const QByteArray rendered = html(names);
    QList<QString> decoded;
    for (qsizetype from = 0, at; (at = rendered.indexOf(separator, from)) >= 0;
         from = at + separator.size())
        decoded.append(unescapedHtml(rendered.sliced(from, at - from)));
    if (decoded.size() != count) {
        m_named.clear(); // each is then rendered on its own
        return;
    }
    for (qsizetype at = 0, index = 0; at < names.size(); ++index) {
        const qsizetype end = names.indexOf(separator, at);
        m_named[names.sliced(at, end - at)] = decoded[index];
        at = end + separator.size();
    }
}

QString Entities::decode(QByteArrayView entity) const
{
    if (entity.size() > 3 && entity[1] == '#')
        return decodeNumeric(entity);
    const auto found = m_named.constFind(entity.toByteArray());
    if (found != m_named.cend())
        return *found;
    return unescapedHtml(html(entity));
}

QByteArray Entities::html(QByteArrayView markdown)
{
    QByteArray html;
    md_html(
        markdown.data(), MD_SIZE(markdown.size()),
        [](const MD_CHAR *output, MD_SIZE length, void *sink) {
            static_cast<QByteArray *>(sink)->append(output, length);
        },
        &html, 0, 0);
    html = html.trimmed();
    if (html.startsWith("<p>") && html.endsWith("</p>"))
        html = html.sliced(3, html.size() - 7);
    return html;
}

// "&#" and up to 7 decimal digits, or "&#x" and up to 6 hexadecimal ones, then ";", as md4c
// checked. Code points out of Unicode's range, surrogates and 0 stand for the replacement
// character.
QString Entities::decodeNumeric(QByteArrayView entity)
{
    const bool hexadecimal = entity[2] == 'x' || entity[2] == 'X';
    bool ok = false;
    const uint codePoint = entity.sliced(hexadecimal ? 3 : 2, entity.size() - (hexadecimal ? 4 : 3))
                               .toUInt(&ok, hexadecimal ? 16 : 10);
    if (!ok || codePoint == 0 || codePoint > 0x10ffff || QChar::isSurrogate(codePoint))
        return QString(QChar::ReplacementCharacter);
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(&codePoint), 1);
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
    // With pieces, also tells where each piece of the text stands.
    InlineParser(const QString &text, Delimiters plain, QList<InlinePiece> *pieces = nullptr);
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

    static QByteArray encoded(const QString &text, Delimiters plain);
    void appendRun(QStringView text);
    void appendPiece(qsizetype from, qsizetype end);
    void appendMarkup(qsizetype end);
    bool isInBuffer(const MD_CHAR *text, MD_SIZE size) const;
    std::pair<qsizetype, qsizetype> rangeOf(const MD_CHAR *text, MD_SIZE size);
    qsizetype positionOf(qsizetype byte);
    QString attribute(const MD_ATTRIBUTE &attribute) const;
    static InlineStyles styleOf(MD_SPANTYPE type);
    static Delimiter delimiterOf(MD_SPANTYPE type);

    const QString &m_text;
    const Delimiters m_plain;
    const QByteArray m_utf8;
    const Entities m_entities;
    // A byte of m_utf8 and the position in m_text of the character it begins, where positionOf()
    // last stopped.
    qsizetype m_cursorByte = 1;
    qsizetype m_cursorPosition = 0;
    QList<InlineRun> m_runs;
    // The spans md4c has begun and not yet ended, innermost last, above one for the text itself.
    QList<OpenSpan> m_open;
    Delimiters m_unpaired;
    QList<InlinePiece> *m_pieces;
    // Where the last shown piece ended, and the styles of every span open since: what lies
    // between it and the next shown piece is markup of those spans.
    qsizetype m_shownEnd = 0;
    InlineStyles m_markupStyles;
};

InlineParser::InlineParser(const QString &text, Delimiters plain, QList<InlinePiece> *pieces)
    : m_text(text),
      m_plain(plain),
      m_utf8(encoded(text, plain)),
      m_entities(m_utf8),
      m_pieces(pieces)
{ }

// The text for md4c, between sentinels. Bytes below 0x80 stand only for themselves in UTF-8, so
// they can be replaced one by one.
QByteArray InlineParser::encoded(const QString &text, Delimiters plain)
{
    QByteArray utf8 = text.toUtf8();
    std::replace(utf8.begin(), utf8.end(), '\r', lineBreakStandIn);
    std::replace(utf8.begin(), utf8.end(), '\n', lineBreakStandIn);
    QByteArray encoded;
    encoded.reserve(utf8.size() + 2);
    encoded.append(sentinel);
    if (!plain) {
        encoded.append(utf8);
    } else {
        for (const char byte : std::as_const(utf8)) {
            const auto standIn =
                std::find_if(std::begin(standIns), std::end(standIns), [&](const StandIn &s) {
                    return byte == s.delimiter && (plain & s.kind);
                });
            if (standIn == std::end(standIns))
                encoded.append(byte);
            else
                encoded.append(QStringView(&standIn->standIn, 1).toUtf8());
        }
    }
    encoded.append(sentinel);
    return encoded;
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
    if (m_pieces)
        appendMarkup(m_text.size());
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
    parser->m_markupStyles |= parser->m_open.last().styles;
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
    const bool inBuffer = parser->isInBuffer(text, size);
    const auto [begin, end] =
        inBuffer ? parser->rangeOf(text, size) : std::pair<qsizetype, qsizetype>(0, 0);
    if (parser->m_pieces && inBuffer)
        parser->appendPiece(begin, end);
    switch (type) {
    case MD_TEXT_ENTITY:
        parser->appendRun(parser->m_entities.decode(QByteArrayView(text, size)));
        break;
    case MD_TEXT_NULLCHAR:
        parser->appendRun(QString(QChar::ReplacementCharacter));
        break;
    default:
        if (inBuffer)
            parser->appendRun(QStringView(parser->m_text).sliced(begin, end - begin));
        else
            parser->appendRun(decodeUtf8(text, size));
        break;
    }
    return 0;
}

void InlineParser::appendRun(QStringView text)
{
    if (text.isEmpty())
        return;
    const OpenSpan &span = m_open.last();
    if (!m_runs.isEmpty() && m_runs.last().styles == span.styles && m_runs.last().href == span.href)
        m_runs.last().text += text;
    else
        m_runs.append({text.toString(), span.styles, span.href});
}

void InlineParser::appendPiece(qsizetype from, qsizetype end)
{
    const qsizetype begin = std::max(from, m_shownEnd);
    if (begin >= end)
        return;
    appendMarkup(begin);
    const InlineStyles styles = m_open.last().styles;
    if (!m_pieces->isEmpty() && !m_pieces->last().isMarkup && m_pieces->last().styles == styles)
        m_pieces->last().end = end;
    else
        m_pieces->append({begin, end, styles, false});
    m_shownEnd = end;
    m_markupStyles = styles;
}

void InlineParser::appendMarkup(qsizetype end)
{
    if (end > m_shownEnd)
        m_pieces->append({m_shownEnd, end, m_markupStyles, true});
    m_shownEnd = std::max(m_shownEnd, end);
}

// md4c writes a few characters of its own (a space, a line feed) from outside the buffer.
bool InlineParser::isInBuffer(const MD_CHAR *text, MD_SIZE size) const
{
    const qsizetype offset = text - m_utf8.constData();
    return offset >= 0 && offset + qsizetype(size) <= m_utf8.size();
}

// Where a piece md4c hands back stands in the original, in UTF-16 code units: the text points into
// our buffer, and taking the characters from the original keeps them exactly as written. The
// sentinels map to nothing.
std::pair<qsizetype, qsizetype> InlineParser::rangeOf(const MD_CHAR *text, MD_SIZE size)
{
    const qsizetype offset = text - m_utf8.constData();
    const qsizetype begin = std::max<qsizetype>(offset, 1);
    const qsizetype end = std::min<qsizetype>(offset + size, m_utf8.size() - 1);
    if (begin >= end)
        return {0, 0};
    const qsizetype from = positionOf(begin);
    return {from, positionOf(end)};
}

// Counts from where it last stopped: md4c hands the text back in order, so a parse counts each
// byte about once. A character of four bytes is two UTF-16 code units; any shorter one is one,
// a stand-in too.
qsizetype InlineParser::positionOf(qsizetype byte)
{
    if (byte < m_cursorByte) {
        m_cursorByte = 1;
        m_cursorPosition = 0;
    }
    for (; m_cursorByte < byte; ++m_cursorByte) {
        const auto unit = quint8(m_utf8[m_cursorByte]);
        if ((unit & 0xc0) != 0x80)
            m_cursorPosition += unit >= 0xf0 ? 2 : 1;
    }
    return m_cursorPosition;
}

QString InlineParser::attribute(const MD_ATTRIBUTE &attribute) const
{
    QString value;
    for (int i = 0; attribute.substr_offsets[i] < attribute.size; ++i) {
        const MD_CHAR *piece = attribute.text + attribute.substr_offsets[i];
        const MD_SIZE length = attribute.substr_offsets[i + 1] - attribute.substr_offsets[i];
        switch (attribute.substr_types[i]) {
        case MD_TEXT_ENTITY:
            value += m_entities.decode(QByteArrayView(piece, length));
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

// Parses again with each kind of delimiter md4c left half a pair of as plain text, until none is
// left; nullopt when that does not help.
std::optional<QList<InlineRun>> parseWithPairedDelimiters(const QString &text,
                                                          QList<InlinePiece> *pieces)
{
    constexpr Delimiters canBePlain = Delimiter::Tilde | Delimiter::Emphasis | Delimiter::Bracket;
    for (Delimiters plain;;) {
        if (pieces)
            pieces->clear();
        InlineParser parser(text, plain, pieces);
        std::optional<QList<InlineRun>> runs = parser.run();
        const Delimiters unpaired = parser.unpaired();
        if (!unpaired)
            return runs;
        if ((unpaired & ~canBePlain) || (plain & unpaired) == unpaired)
            return std::nullopt;
        plain |= unpaired;
    }
}

} // namespace

std::optional<QList<InlineRun>> parseInline(const QString &text)
{
    if (text.isEmpty())
        return QList<InlineRun>();
    return parseWithPairedDelimiters(text, nullptr);
}

std::optional<QList<InlinePiece>> parseInlinePieces(const QString &text)
{
    QList<InlinePiece> pieces;
    if (!text.isEmpty() && !parseWithPairedDelimiters(text, &pieces))
        return std::nullopt;
    return pieces;
}

} // namespace markdown
