#include "fuzzchecks.h"

#include "markdown/block.h"
#include "markdown/blockparser.h"
#include "markdown/incrementalparser.h"
#include "markdown/inline.h"

#include <QList>

using namespace markdown;

namespace fuzz {

namespace {

constexpr char editSeparator = '\xfe';

QString describe(const QString &text)
{
    return QString::fromLatin1(text.left(200).toUtf8().toPercentEncoding());
}

// Whether every character of shown appears in text, in the same order.
bool isSubsequence(QStringView shown, QStringView text)
{
    qsizetype at = 0;
    for (const QChar c : shown) {
        at = text.indexOf(c, at);
        if (at < 0)
            return false;
        ++at;
    }
    return true;
}

// Moves a position off the second half of a surrogate pair, so that edits keep the text valid
// UTF-16 as the editor does.
qsizetype characterBoundary(const QString &text, qsizetype at)
{
    if (at > 0 && at < text.size() && text[at].isLowSurrogate() && text[at - 1].isHighSurrogate())
        return at - 1;
    return at;
}

QString edited(const QString &text, QByteArrayView edit)
{
    const auto byteAt = [&](qsizetype i) {
        return i < edit.size() ? quint8(edit[i]) : 0;
    };
    const qsizetype at = characterBoundary(text, (byteAt(0) | byteAt(1) << 8) % (text.size() + 1));
    const qsizetype end = characterBoundary(text, std::min<qsizetype>(at + byteAt(2), text.size()));
    const QString inserted = QString::fromUtf8(edit.size() > 3 ? edit.sliced(3) : QByteArrayView());
    return text.first(at) + inserted + text.sliced(end);
}

} // namespace

QString checkParse(QByteArrayView data)
{
    const QString text = QString::fromUtf8(data);
    const QList<Block> blocks = parse(text);
    QList<Block> again;
    QList<Extent> extents;
    BlockParser(text, again, &extents).run(0, [](qsizetype) { return false; });
    if (again != blocks || extents.size() != blocks.size())
        return QStringLiteral("the parser's blocks differ from parse() for ") + describe(text);
    qsizetype previousEnd = -1;
    for (const Extent &extent : extents) {
        if (extent.begin <= previousEnd || extent.end < extent.begin || extent.end > text.size())
            return QStringLiteral("extents out of order for ") + describe(text);
        previousEnd = extent.end;
    }
    return {};
}

QString checkParseInline(QByteArrayView data)
{
    const QString text = QString::fromUtf8(data);
    const std::optional<QList<InlineRun>> runs = parseInline(text);
    if (!runs)
        return QStringLiteral("refused ") + describe(text);
    QString shown;
    for (qsizetype i = 0; i < runs->size(); ++i) {
        const InlineRun &run = runs->at(i);
        if (run.text.isEmpty())
            return QStringLiteral("an empty run for ") + describe(text);
        if (i > 0 && runs->at(i - 1).styles == run.styles && runs->at(i - 1).href == run.href)
            return QStringLiteral("alike runs not merged for ") + describe(text);
        if (!(run.styles & InlineStyle::Link) && !run.href.isEmpty())
            return QStringLiteral("a target outside a link for ") + describe(text);
        shown += run.text;
    }
    // Entities, escapes and NUL show other characters than they are written with.
    const bool showsOnlyItsOwn =
        !text.contains(u'&') && !text.contains(u'\\') && !text.contains(QChar(0));
    if (showsOnlyItsOwn && !isSubsequence(shown, text))
        return QStringLiteral("shows what the text does not hold for ") + describe(text);
    // The editor colours each character by the piece it lies in.
    const std::optional<QList<InlinePiece>> pieces = parseInlinePieces(text);
    if (!pieces)
        return QStringLiteral("pieces refused where runs were not for ") + describe(text);
    qsizetype covered = 0;
    for (const InlinePiece &piece : *pieces) {
        if (piece.begin != covered || piece.end <= piece.begin)
            return QStringLiteral("pieces that do not follow each other for ") + describe(text);
        covered = piece.end;
    }
    if (covered != text.size())
        return QStringLiteral("pieces that do not cover ") + describe(text);
    return {};
}

QString checkIncremental(QByteArrayView data)
{
    const QList<QByteArrayView> pieces = [&] {
        QList<QByteArrayView> result;
        qsizetype from = 0;
        for (qsizetype at; (at = data.indexOf(editSeparator, from)) >= 0; from = at + 1)
            result.append(data.sliced(from, at - from));
        result.append(data.sliced(from));
        return result;
    }();

    QString text = QString::fromUtf8(pieces.first());
    IncrementalParser parser;
    parser.update(text);
    QList<Block> blocks = parse(text);
    for (qsizetype edit = 1; edit < pieces.size(); ++edit) {
        text = edited(text, pieces[edit]);
        const IncrementalParser::Change change = parser.update(text);
        if (change.first < 0 || change.removed < 0 || change.inserted < 0
            || change.first + change.removed > blocks.size()
            || change.first + change.inserted > parser.blockCount())
            return QStringLiteral("edit %1: a change out of range for ").arg(edit) + describe(text);
        blocks.remove(change.first, change.removed);
        for (qsizetype i = 0; i < change.inserted; ++i)
            blocks.insert(change.first + i, parser.block(change.first + i));
        if (blocks != parse(text) || parser.blockCount() != blocks.size())
            return QStringLiteral("edit %1: blocks differ from a full parse of ").arg(edit)
                + describe(text);
    }
    return {};
}

} // namespace fuzz
