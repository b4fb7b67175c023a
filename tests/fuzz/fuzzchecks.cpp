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

struct Edit
{
    qsizetype at;
    qsizetype removed;
    QString inserted;
};

Edit editOf(const QString &text, QByteArrayView edit)
{
    const auto byteAt = [&](qsizetype i) {
        return i < edit.size() ? quint8(edit[i]) : 0;
    };
    const qsizetype at = characterBoundary(text, (byteAt(0) | byteAt(1) << 8) % (text.size() + 1));
    const qsizetype end = characterBoundary(text, std::min<qsizetype>(at + byteAt(2), text.size()));
    return {at, end - at, QString::fromUtf8(edit.size() > 3 ? edit.sliced(3) : QByteArrayView())};
}

// Applies the change to blocks, with the changed ones parsed again from their lines, and says
// how the result differs from a full parse of text; empty when it does not.
QString checkChange(const IncrementalParser &parser, const IncrementalParser::Change &change,
                    QList<Block> &blocks, const QString &text)
{
    if (change.first < 0 || change.removed < 0 || change.inserted < 0
        || change.first + change.removed > blocks.size()
        || change.first + change.inserted > parser.blockCount())
        return QStringLiteral("a change out of range for ") + describe(text);
    blocks.remove(change.first, change.removed);
    for (qsizetype i = 0; i < change.inserted; ++i)
        blocks.insert(change.first + i, parser.block(change.first + i));
    if (blocks != parse(text) || parser.blockCount() != blocks.size())
        return QStringLiteral("blocks differ from a full parse of ") + describe(text);
    return {};
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

    // One parser compares each new text with the old; the other is told each edit, made in
    // place in the text it reads.
    QString text = QString::fromUtf8(pieces.first());
    const auto buffer = std::make_shared<TextBuffer>(text);
    IncrementalParser compared;
    compared.update(text);
    IncrementalParser told;
    told.update(buffer, buffer->size());
    QList<Block> comparedBlocks = parse(text);
    QList<Block> toldBlocks = comparedBlocks;
    for (qsizetype step = 1; step < pieces.size(); ++step) {
        const Edit edit = editOf(text, pieces[step]);
        text.replace(edit.at, edit.removed, edit.inserted);
        buffer->replace(edit.at, edit.removed, edit.inserted);
        if (buffer->toString() != text)
            return QStringLiteral("edit %1: the text edited in place is not ").arg(step)
                + describe(text);
        QString failure = checkChange(compared, compared.update(text), comparedBlocks, text);
        if (failure.isEmpty())
            failure = checkChange(
                told,
                told.update(buffer, buffer->size(), {edit.at, edit.removed, edit.inserted.size()}),
                toldBlocks, text);
        if (!failure.isEmpty())
            return QStringLiteral("edit %1: ").arg(step) + failure;
    }
    return {};
}

} // namespace fuzz
