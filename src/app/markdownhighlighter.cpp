#include "app/markdownhighlighter.h"

#include "markdown/blockparser.h"
#include "markdown/inline.h"

#include <Qsci/qsciscintilla.h>

#include <QEvent>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using Style = MarkdownHighlighter::Style;

// What is pending where a line ends, kept as Scintilla's state of that line; Scintilla moves the
// states with the lines as text comes and goes. Clean is 0, Scintilla's own default.
enum LineState : int {
    Clean, // nothing: a parse can start on the next line
    InParagraph, // a paragraph goes on: its inline markup may run across the line break
    InCode, // a fenced code block goes on
    InLine, // the line ends with a lone CR, which breaks a line for Scintilla but not the parser
};

// A paragraph is parsed again as a whole, since its emphasis may run across lines; beyond this
// many lines back a parse starts where it is, which changes no line's block (the parser's line
// rules do not look at a paragraph), only inline markup that runs across the cut.
constexpr long longestWalkBack = 200;
// Inline markup of a longer block is not looked for: parsing it again on each keystroke would
// stall typing in it.
constexpr qsizetype longestInlineText = 64 * 1024;

QColor mixed(const QColor &a, const QColor &b, qreal towardB)
{
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * towardB,
                            a.greenF() + (b.greenF() - a.greenF()) * towardB,
                            a.blueF() + (b.blueF() - a.blueF()) * towardB);
}

qreal luminance(const QColor &colour)
{
    const auto linear = [](qreal c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF())
        + 0.0722 * linear(colour.blueF());
}

qreal contrast(const QColor &a, const QColor &b)
{
    const qreal la = luminance(a);
    const qreal lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The palette's accent colours are chosen for selections and buttons, not for text on Base: one
// too faint is moved toward the text colour until it reads (WCAG's 4.5:1).
QColor readable(QColor colour, const QColor &base, const QColor &text)
{
    for (int step = 0; step < 10 && contrast(colour, base) < 4.5; ++step)
        colour = mixed(colour, text, 0.2);
    return colour;
}

// The right end of a line's text without its trailing CRs and then its whitespace, as the block
// parser trims it: a line block's content ends there.
qsizetype trimmedEnd(QStringView source, qsizetype begin, qsizetype end)
{
    while (end > begin && source[end - 1] == u'\r')
        --end;
    while (end > begin && markdown::isWhitespace(source[end - 1].unicode()))
        --end;
    return end;
}

Style inlineStyle(Style base, const markdown::InlinePiece &piece)
{
    using markdown::InlineStyle;
    if (piece.styles & InlineStyle::Code)
        return Style::Code;
    if (piece.isMarkup)
        return Style::Markup;
    if (piece.styles & InlineStyle::Link)
        return Style::Link;
    const bool strong = piece.styles & InlineStyle::Strong;
    const bool emphasis = piece.styles & InlineStyle::Emphasis;
    if (strong)
        return emphasis ? Style::StrongEmphasis : Style::Strong;
    return emphasis ? Style::Emphasis : base;
}

// Styles, one per UTF-16 code unit, of a text that begins where nothing is pending.
class ChunkStyler
{
public:
    ChunkStyler(QStringView source, std::vector<char> &styles) : m_source(source), m_styles(styles)
    { }

    void styleBlock(const markdown::Block &block, const markdown::Extent &extent)
    {
        std::visit([&](const auto &kind) { styleBlock(kind, extent); }, block);
    }

private:
    void fill(qsizetype begin, qsizetype end, Style style)
    {
        std::fill(m_styles.begin() + begin, m_styles.begin() + end, style);
    }

    void styleInline(qsizetype begin, qsizetype end, Style base)
    {
        fill(begin, end, base);
        if (end - begin > longestInlineText)
            return;
        const std::optional<QList<markdown::InlinePiece>> pieces =
            markdown::parseInlinePieces(m_source.sliced(begin, end - begin).toString());
        if (!pieces)
            return;
        for (const markdown::InlinePiece &piece : *pieces)
            fill(begin + piece.begin, begin + piece.end, inlineStyle(base, piece));
    }

    // A quote's or list item's marker, then its content.
    void styleLineBlock(const markdown::Extent &extent, qsizetype contentSize, Style base)
    {
        const qsizetype contentEnd = trimmedEnd(m_source, extent.begin, extent.end);
        const qsizetype contentBegin = contentEnd - contentSize;
        fill(extent.begin, contentBegin, Style::Marker);
        styleInline(contentBegin, contentEnd, base);
    }

    void styleBlock(const markdown::Heading &, const markdown::Extent &extent)
    {
        fill(extent.begin, extent.end, Style::Heading);
    }
    void styleBlock(const markdown::Paragraph &, const markdown::Extent &extent)
    {
        // The lines as written rather than joined as the preview joins them: they differ only
        // in whitespace, which inline markup treats alike, and they keep every position.
        styleInline(extent.begin, extent.end, Style::Plain);
    }
    void styleBlock(const markdown::Code &, const markdown::Extent &extent)
    {
        // With its line break, so that the box reaches the window's edge on its last line too.
        const qsizetype end = std::min(extent.end + 1, m_source.size());
        fill(extent.begin, end, Style::CodeBlock);
    }
    void styleBlock(const markdown::Quote &quote, const markdown::Extent &extent)
    {
        styleLineBlock(extent, quote.content.size(), Style::Quote);
    }
    void styleBlock(const markdown::Bullet &bullet, const markdown::Extent &extent)
    {
        styleLineBlock(extent, bullet.content.size(), Style::Plain);
    }
    void styleBlock(const markdown::Number &number, const markdown::Extent &extent)
    {
        styleLineBlock(extent, number.content.size(), Style::Plain);
    }
    void styleBlock(const markdown::Rule &, const markdown::Extent &extent)
    {
        fill(extent.begin, extent.end, Style::Rule);
    }

    QStringView m_source;
    std::vector<char> &m_styles;
};

// The bytes of UTF-8 the code unit at `at` stands for; a surrogate pair's are all the first's.
int utf8Length(QStringView source, qsizetype at)
{
    const char16_t unit = source[at].unicode();
    if (unit < 0x80)
        return 1;
    if (unit < 0x800)
        return 2;
    if (QChar::isHighSurrogate(unit) && at + 1 < source.size()
        && QChar::isLowSurrogate(source[at + 1].unicode()))
        return 4;
    if (QChar::isLowSurrogate(unit) && at > 0 && QChar::isHighSurrogate(source[at - 1].unicode()))
        return 0;
    return 3;
}

// What is pending at each line feed of the source, by the blocks found in it; pendingAtEnd when
// the parse stopped with a block still open at the source's last line feed.
std::vector<char> pendingAtLineFeeds(QStringView source, const QList<markdown::Block> &blocks,
                                     const QList<markdown::Extent> &extents, bool pendingAtEnd)
{
    std::vector<char> pending(source.size(), Clean);
    const auto mark = [&](qsizetype begin, qsizetype end, LineState state) {
        for (qsizetype at = source.indexOf(u'\n', begin); at >= 0 && at < end;
             at = source.indexOf(u'\n', at + 1))
            pending[at] = state;
    };
    for (qsizetype i = 0; i < extents.size(); ++i) {
        const LineState state = std::holds_alternative<markdown::Code>(blocks[i]) ? InCode
            : extents[i].isParagraph                                              ? InParagraph
                                                                                  : Clean;
        if (state == Clean)
            continue;
        const bool isLast = i == extents.size() - 1;
        mark(extents[i].begin, isLast && pendingAtEnd ? source.size() : extents[i].end, state);
    }
    return pending;
}

} // namespace

MarkdownHighlighter::MarkdownHighlighter(QsciScintilla *editor) : QObject(editor), m_editor(editor)
{
    defineStyles();
    // Styling that would take long is done in steps, the lines in sight first, so that the
    // first paint after a jump to the end of a long note does not wait for every line above.
    m_editor->SendScintilla(QsciScintilla::SCI_SETIDLESTYLING,
                            QsciScintilla::SC_IDLESTYLING_TOVISIBLE);
    connect(m_editor, &QsciScintilla::SCN_STYLENEEDED, this, &MarkdownHighlighter::styleTo);
    m_editor->installEventFilter(this);
    m_editor->SendScintilla(QsciScintilla::SCI_STARTSTYLING, 0L, 0L);
    m_editor->viewport()->update();
}

bool MarkdownHighlighter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor
        && (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange))
        defineStyles();
    return QObject::eventFilter(watched, event);
}

void MarkdownHighlighter::defineStyles()
{
    const QPalette palette = m_editor->palette();
    const QColor text = palette.color(QPalette::Text);
    const QColor base = palette.color(QPalette::Base);
    const QColor accent = readable(palette.color(QPalette::Highlight), base, text);
    const QColor markup = mixed(text, base, 0.45);
    const QColor codeBack = mixed(base, text, 0.07);
    struct Look
    {
        QColor fore;
        QColor back;
        bool bold;
        bool italic;
    };
    const Look looks[StyleCount] = {
        /* Plain */ {}, // the editor's own
        /* Markup */ {markup, base, false, false},
        /* Heading */ {accent, base, true, false},
        /* Emphasis */ {text, base, false, true},
        /* Strong */ {text, base, true, false},
        /* StrongEmphasis */ {text, base, true, true},
        /* Code */ {text, codeBack, false, false},
        /* CodeBlock */ {text, codeBack, false, false},
        /* Link */ {readable(palette.color(QPalette::Link), base, text), base, false, false},
        /* Marker */ {accent, base, true, false},
        /* Quote */ {mixed(text, base, 0.3), base, false, true},
        /* Rule */ {markup, base, true, false},
    };
    const QFont font = m_editor->font();
    const QByteArray family = font.family().toUtf8();
    const long size = m_editor->SendScintilla(QsciScintilla::SCI_STYLEGETSIZEFRACTIONAL, 0L);
    // Style 0 is the editor's own, with the colours the editor takes from its palette.
    for (int style = Plain + 1; style < StyleCount; ++style) {
        const Look &look = looks[style];
        m_editor->SendScintilla(QsciScintilla::SCI_STYLESETFONT, style, family.constData());
        m_editor->SendScintilla(QsciScintilla::SCI_STYLESETSIZEFRACTIONAL, style, size);
        // QScintilla takes a negative weight as Qt's own.
        m_editor->SendScintilla(QsciScintilla::SCI_STYLESETWEIGHT, style,
                                -long(look.bold ? QFont::Bold : font.weight()));
        m_editor->SendScintilla(QsciScintilla::SCI_STYLESETITALIC, style, look.italic);
        m_editor->SendScintilla(QsciScintilla::SCI_STYLESETFORE, style, look.fore);
        m_editor->SendScintilla(QsciScintilla::SCI_STYLESETBACK, style, look.back);
        m_editor->SendScintilla(QsciScintilla::SCI_STYLESETEOLFILLED, style, style == CodeBlock);
    }
}

// The line to parse from when the line given is to be styled: one after a line where nothing was
// pending, or inside a fenced code block. The states of the lines before it hold, since
// Scintilla styles from where the text last changed.
long MarkdownHighlighter::restartLine(long line) const
{
    for (long walked = 0; line > 0; --line, ++walked) {
        const long state = m_editor->SendScintilla(QsciScintilla::SCI_GETLINESTATE, line - 1);
        if (state == Clean || state == InCode || walked >= longestWalkBack)
            break;
    }
    return line;
}

// Styles from where Scintilla's styles end to the end of the line at position, one parse of
// the lines between.
void MarkdownHighlighter::styleTo(long position)
{
    const auto send = [this](unsigned int message, unsigned long wParam = 0, long lParam = 0) {
        return m_editor->SendScintilla(message, wParam, lParam);
    };
    const long endStyled = send(QsciScintilla::SCI_GETENDSTYLED);
    const long firstLine = restartLine(send(QsciScintilla::SCI_LINEFROMPOSITION, endStyled));
    const long lastLine = send(QsciScintilla::SCI_LINEFROMPOSITION, position);
    const long from = send(QsciScintilla::SCI_POSITIONFROMLINE, firstLine);
    const long to = lastLine + 1 < send(QsciScintilla::SCI_GETLINECOUNT)
        ? send(QsciScintilla::SCI_POSITIONFROMLINE, lastLine + 1)
        : send(QsciScintilla::SCI_GETLENGTH);
    const auto *bytes =
        reinterpret_cast<const char *>(send(QsciScintilla::SCI_GETRANGEPOINTER, from, to - from));

    // Inside a code block the parse starts from a fence of its own, which puts it in the same
    // state as the fence far above.
    const bool inCode =
        firstLine > 0 && send(QsciScintilla::SCI_GETLINESTATE, firstLine - 1) == InCode;
    const QString fence = inCode ? QStringLiteral("```\n") : QString();
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    const QString source = fence + decoder.decode(QByteArrayView(bytes, to - from));

    QList<markdown::Block> blocks;
    QList<markdown::Extent> extents;
    const qsizetype stop =
        markdown::BlockParser(source, blocks, &extents).run(0, [&](qsizetype lineBegin) {
            return lineBegin == source.size();
        });
    std::vector<char> styles(source.size(), Plain);
    ChunkStyler styler(source, styles);
    for (qsizetype i = 0; i < blocks.size(); ++i)
        styler.styleBlock(blocks[i], extents[i]);
    const std::vector<char> pending = pendingAtLineFeeds(source, blocks, extents, stop < 0);

    // Scintilla counts bytes of UTF-8, the parsers UTF-16 code units.
    QByteArray byteStyles;
    byteStyles.reserve(to - from);
    long line = firstLine;
    for (qsizetype at = fence.size(); at < source.size(); ++at) {
        const char16_t unit = source[at].unicode();
        byteStyles.append(utf8Length(source, at), styles[at]);
        if (unit == u'\n'
            || (unit == u'\r' && (at + 1 == source.size() || source[at + 1] != u'\n')))
            send(QsciScintilla::SCI_SETLINESTATE, line++,
                 unit == u'\n' ? long(pending[at]) : long(InLine));
    }
    // Text that is not UTF-8 (it never is in an editable note) is left plain.
    if (byteStyles.size() != to - from)
        byteStyles.fill(Plain, to - from);
    send(QsciScintilla::SCI_STARTSTYLING, from);
    m_editor->SendScintilla(QsciScintilla::SCI_SETSTYLINGEX, byteStyles.size(),
                            byteStyles.constData());
}
