#pragma once

#include <QFlags>
#include <QList>
#include <QString>

#include <optional>

namespace markdown {

enum class InlineStyle { Strong = 1, Emphasis = 2, Code = 4, Strikethrough = 8, Link = 16 };
Q_DECLARE_FLAGS(InlineStyles, InlineStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(InlineStyles)

struct InlineRun
{
    QString text;
    InlineStyles styles;
    QString href; // the link target, for runs styled Link
    bool operator==(const InlineRun &) const = default;
};

// Styles the text of one block: strong, emphasis, code spans, strikethrough, links and
// autolinks, backslash escapes and entities, as CommonMark defines them. Block syntax is never
// interpreted ("# x" stays "# x"), raw HTML is text, and whitespace stays exactly as written.
// Images show their alt text. Adjacent runs of the same style are merged; the empty text gives
// no runs. nullopt when the parser refuses the text: the caller shows the text verbatim.
std::optional<QList<InlineRun>> parseInline(const QString &text);

// A piece of a text as written, [begin, end) in UTF-16 code units, with the styles of the spans
// it lies in. Markup is what the preview does not show: delimiters, link destinations, the
// backslash of an escape.
struct InlinePiece
{
    qsizetype begin;
    qsizetype end;
    InlineStyles styles;
    bool isMarkup;
    bool operator==(const InlinePiece &) const = default;
};

// The same parse as parseInline(), told by where each piece stands in the text, for an editor
// that colours the text as written. The pieces follow each other and cover the text; nullopt
// when parseInline() refuses the text.
std::optional<QList<InlinePiece>> parseInlinePieces(const QString &text);

} // namespace markdown

// A hostile note can give millions of runs; the list then grows by moving its memory, not by
// moving each run.
Q_DECLARE_TYPEINFO(markdown::InlineRun, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(markdown::InlinePiece, Q_PRIMITIVE_TYPE);
