#include "preview/markdownview.h"

#include "markdown/inline.h"
#include "preview/previewlayout.h"
#include "preview/previewstyle.h"
#include "preview/steadyscrollbar.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QLocale>
#include <QMimeData>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <memory>
#include <utility>

namespace {

template<typename... Ts> struct Overloaded : Ts...
{
    using Ts::operator()...;
};

constexpr int padding = 16;
// Laying out the blocks written follows the writing and takes about as long, so writing takes
// half of what is left of a slice, and no more than this.
constexpr std::chrono::nanoseconds longestWriting = std::chrono::milliseconds(2);
constexpr int firstScreenMs = 100;
constexpr qsizetype firstParse = 16 * 1024;
constexpr qsizetype parseChunk = 32 * 1024;
constexpr qsizetype maxBlocksAtOnce = 100;
constexpr qsizetype blocksPerSlice = 40;
constexpr int takeDownStep = 100;
// A note longer than this keeps in its document only the blocks near the view: every block of a
// long note in the document would hold several times its text in memory. Its document may grow
// to as many characters as this while the view moves, before the blocks far from it go.
constexpr qsizetype windowCharacters = 200'000;
// How far above and below the view blocks are kept written, in heights of the view.
constexpr qreal windowReach = 2;
constexpr qsizetype blocksPerStep = 8;

// Where the line that holds position ends (after its line feed), or the text's end.
qsizetype lineEndFrom(const TextBuffer &text, qsizetype position)
{
    const qsizetype lineFeed = text.indexOf(u'\n', position);
    return lineFeed < 0 ? text.size() : lineFeed + 1;
}

// An edit of a text as seen by a parser that holds the first `parsed` of its `size` characters
// (up to a line end): an edit past them leaves it alone, and one that reaches past their end
// makes it take the new text up to the end of the edit's last line.
struct ParsedEdit
{
    qsizetype parsed;
    TextEdit edit;
};

ParsedEdit parsedEdit(const TextBuffer &text, qsizetype size, qsizetype parsed,
                      const TextEdit &edit)
{
    const qsizetype shift = edit.inserted - edit.removed;
    if (parsed == size)
        return {size + shift, edit};
    if (edit.position >= parsed)
        return {parsed, {parsed, 0, 0}};
    if (edit.position + edit.removed < parsed)
        return {parsed + shift, edit};
    const qsizetype lineEnd = lineEndFrom(text, edit.position + edit.inserted);
    return {lineEnd, {edit.position, parsed - edit.position, lineEnd - edit.position}};
}

// A text block holds one Markdown block, so the line breaks inside one (in code, or a lone
// carriage return) become breaks within its text block; and the characters the document
// reserves for its own structure are shown as replacement characters.
QString displayed(const QString &text)
{
    QString shown = text;
    for (QChar &c : shown) {
        switch (c.unicode()) {
        case u'\n':
        case u'\r':
        case QChar::ParagraphSeparator:
            c = QChar::LineSeparator;
            break;
        case 0xFDD0: // the document's begin-of-frame and end-of-frame marks
        case 0xFDD1:
        case QChar::ObjectReplacementCharacter:
            c = QChar::ReplacementCharacter;
            break;
        default:
            break;
        }
    }
    return shown;
}

QFont codeFont(const QFont &body)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (body.pixelSize() > 0)
        font.setPixelSize(body.pixelSize());
    else
        font.setPointSizeF(body.pointSizeF());
    return font;
}

// A code span is set in the code font, at the size of the text around it, on the tint of a
// code box so that it stands out from that text. The tint is part of the character format, which
// the text layout paints with the line: nothing more to lay out or to keep.
void styleAsCodeSpan(QTextCharFormat &format, const QFont &body, const QPalette &palette)
{
    format.setFontFamilies({codeFont(body).family()});
    format.setFontStyleHint(QFont::Monospace);
    format.setFontFixedPitch(true);
    format.setBackground(preview::secondaryColor(palette, 0.15));
}

void applyStyles(QTextCharFormat &format, const markdown::InlineRun &run, const QFont &body,
                 const QPalette &palette)
{
    using markdown::InlineStyle;
    if (run.styles & InlineStyle::Strong)
        format.setFontWeight(QFont::Bold);
    if (run.styles & InlineStyle::Emphasis)
        format.setFontItalic(true);
    if (run.styles & InlineStyle::Code)
        styleAsCodeSpan(format, body, palette);
    if (run.styles & InlineStyle::Strikethrough)
        format.setFontStrikeOut(true);
    if (run.styles & InlineStyle::Link) {
        format.setAnchor(true);
        format.setAnchorHref(run.href);
        format.setForeground(palette.link());
        format.setFontUnderline(true);
    }
}

// A block too long to lay out shows its beginning as it stands, and says so.
bool insertedCut(QTextCursor &cursor, const QString &content, const QTextCharFormat &base,
                 const QPalette &palette)
{
    if (content.size() <= MarkdownView::maxShownCharacters)
        return false;
    cursor.insertText(displayed(content.first(MarkdownView::maxShownCharacters)), base);
    QTextCharFormat notice;
    notice.setFontItalic(true);
    notice.setForeground(preview::secondaryColor(palette, 1));
    cursor.insertText(
        QChar(QChar::LineSeparator)
            + MarkdownView::tr("(%1 more characters of this block are not shown.)")
                  .arg(QLocale().toString(content.size() - MarkdownView::maxShownCharacters)),
        notice);
    return true;
}

// Inline Markdown is styled; a text the inline parser refuses is shown as it stands.
void insertStyled(QTextCursor &cursor, const QString &content, const QTextCharFormat &base,
                  const QFont &body, const QPalette &palette)
{
    if (insertedCut(cursor, content, base, palette))
        return;
    const std::optional<QList<markdown::InlineRun>> runs = markdown::parseInline(content);
    if (!runs) {
        cursor.insertText(displayed(content), base);
        return;
    }
    for (const markdown::InlineRun &run : *runs) {
        QTextCharFormat format = base;
        applyStyles(format, run, body, palette);
        cursor.insertText(displayed(run.text), format);
    }
}

// The marker, then the gap as extra spacing after its last character, and the lines of the
// item indented to where its text begins.
void insertMarker(QTextCursor &cursor, QTextBlockFormat &blockFormat, const QString &marker,
                  qreal leftEdge, const QFont &body)
{
    const qreal width = QFontMetricsF(body).horizontalAdvance(marker) + preview::markerGap;
    blockFormat.setLeftMargin(leftEdge + width);
    blockFormat.setTextIndent(-width);
    cursor.setBlockFormat(blockFormat);
    cursor.insertText(marker.chopped(1), QTextCharFormat());
    QTextCharFormat gap;
    gap.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    gap.setFontLetterSpacing(preview::markerGap);
    cursor.insertText(marker.right(1), gap);
}

// What was selected, put together in a document of its own: its text, and the rich text that
// takes much longer to make, are made when a program asks for them, which may be never.
class CopiedDocument : public QMimeData
{
public:
    explicit CopiedDocument(std::unique_ptr<QTextDocument> document)
        : m_document(std::move(document))
    { }
    QStringList formats() const override
    {
        return {QStringLiteral("text/plain"), QStringLiteral("text/html")};
    }

protected:
    QVariant retrieveData(const QString &type, QMetaType) const override
    {
        if (type == u"text/plain")
            return m_document->toPlainText();
        if (type == u"text/html")
            return m_document->toHtml();
        return {};
    }

private:
    std::unique_ptr<QTextDocument> m_document;
};

QDeadlineTimer writingDeadline(const QDeadlineTimer &slice)
{
    const std::chrono::nanoseconds half(slice.remainingTimeNSecs() / 2);
    return QDeadlineTimer(std::min(half, longestWriting), Qt::PreciseTimer);
}

} // namespace

MarkdownView::MarkdownView(QWidget *parent)
    : QTextEdit(parent),
      m_layout(new PreviewLayout(document())),
      m_backgroundWork(
          [this](const QDeadlineTimer &deadline) { return doBackgroundWork(deadline); })
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setAcceptRichText(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard
                            | Qt::LinksAccessibleByMouse);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBar(new SteadyScrollBar(Qt::Vertical));
    setBackgroundRole(QPalette::Base);
    document()->setDocumentLayout(m_layout);
    document()->setDocumentMargin(padding);
    watchUserScrolls();
    watchLayout();
    m_placesMovedLater.setSingleShot(true);
    m_placesMovedLater.setInterval(0);
    connect(&m_placesMovedLater, &QTimer::timeout, this, &MarkdownView::placesMoved);
}

// A new width leaves blocks waiting to be laid out again.
void MarkdownView::watchLayout()
{
    connect(m_layout, &QAbstractTextDocumentLayout::documentSizeChanged, this, [this] {
        if (m_layout->hasStaleBlocks())
            m_backgroundWork.start();
    });
}

void MarkdownView::setSource(const QString &source)
{
    const bool wholeTextParsed = m_parsedLength == m_sourceSize;
    const qsizetype shift = source.size() - m_sourceSize;
    takeNewText(std::make_shared<const TextBuffer>(source));
    // While the text is still being parsed, the parser gets as much of the new text as it had of
    // the old: an edit before that point is an edit to what it holds.
    m_parsedLength = wholeTextParsed
        ? source.size()
        : lineEndFrom(*m_text, std::clamp<qsizetype>(m_parsedLength + shift, 0, source.size()));
    {
        const QScopedValueRollback busy(m_changing, true);
        apply(updateParser());
        if (m_parsedLength == m_sourceSize && !isWindowed())
            appendBlocks(QDeadlineTimer::Forever, maxBlocksAtOnce);
        updateEstimates();
    }
    afterChange();
}

void MarkdownView::setEditedSource(std::shared_ptr<const TextBuffer> text, const TextEdit &edit)
{
    const ParsedEdit parsed = parsedEdit(*text, m_sourceSize, m_parsedLength, edit);
    m_text = std::move(text);
    m_sourceSize = m_text->size();
    m_parsedLength = std::clamp<qsizetype>(parsed.parsed, 0, m_sourceSize);
    {
        const QScopedValueRollback busy(m_changing, true);
        apply(m_parser.update(m_text, m_parsedLength, parsed.edit));
        if (m_parsedLength == m_sourceSize && !isWindowed())
            appendBlocks(QDeadlineTimer::Forever, maxBlocksAtOnce);
        updateEstimates();
    }
    afterChange();
}

// The blocks near the view are written at once, and the rest is left to the background.
void MarkdownView::afterChange()
{
    fitWindowToView();
    if (hasBackgroundWork())
        m_backgroundWork.start();
}

void MarkdownView::showNewSource(const QString &source)
{
    showNewSource(std::make_shared<const TextBuffer>(source));
}

void MarkdownView::showNewSource(std::shared_ptr<const TextBuffer> text)
{
    takeNewText(std::move(text));
    m_parsedLength = lineEndFrom(*m_text, std::min(m_sourceSize, firstParse));
    {
        const QScopedValueRollback busy(m_changing, true);
        updateParser();
        dropBlocksFrom(0);
        m_perCharacter = 0;
        writeFirstScreen();
        showFromTop();
    }
    afterChange();
}

QString MarkdownView::source() const
{
    return m_text->toString();
}

void MarkdownView::showFromTop()
{
    setTextCursor(QTextCursor(document()));
    verticalScrollBar()->setValue(0);
}

void MarkdownView::setZoomFactor(qreal factor)
{
    if (factor == m_zoom)
        return;
    if (m_zoom == 1)
        m_unzoomedFont = font();
    m_zoom = factor;
    QFont zoomed = m_unzoomedFont;
    if (zoomed.pixelSize() > 0)
        zoomed.setPixelSize(qRound(zoomed.pixelSize() * factor));
    else
        zoomed.setPointSizeF(zoomed.pointSizeF() * factor);
    setFont(zoomed); // draws the blocks again
}

void MarkdownView::setMarkFinder(PreviewLayout::MarkFinder finder)
{
    m_layout->setMarkFinder(std::move(finder));
}

bool MarkdownView::hasBackgroundWork() const
{
    return hasTextPending() || !m_retired.empty();
}

bool MarkdownView::hasTextPending() const
{
    return m_layout->hasStaleBlocks() || wantsBlocks() || m_parsedLength < m_sourceSize;
}

// A long note's document takes blocks only as far as the view reaches, and only when its last
// block is within reach: where the view jumped past it, the document starts again there.
bool MarkdownView::wantsBlocks() const
{
    if (m_written >= m_parser.blockCount())
        return false;
    if (!isWindowed())
        return true;
    if (m_written == m_first)
        return true;
    const qreal end = m_layout->blockTop(int(m_written - m_first));
    const Reach sight = reach();
    return end < sight.bottom && end >= sight.top;
}

MarkdownView::Reach MarkdownView::reach() const
{
    const qreal top = verticalScrollBar()->value();
    const qreal height = viewport()->height();
    return {top - windowReach * height, top + (1 + windowReach) * height};
}

// Text blocks are known by position, like the Markdown blocks: the ones that changed are
// replaced in place and the others, with their layout, are left alone. A change that reaches
// past the blocks written so far, or that is too large to write at once, leaves the document
// with the blocks before it, and the rest is written in the background.
void MarkdownView::apply(markdown::IncrementalParser::Change change)
{
    if (change.removed == 0 && change.inserted == 0)
        return;
    if (change.first >= m_written)
        return;
    // Blocks before the document's first renumber the ones in it; a change that reaches into it
    // from there starts it again at the change.
    if (change.first < m_first) {
        if (change.first + change.removed <= m_first) {
            m_first += change.inserted - change.removed;
            m_written += change.inserted - change.removed;
        } else {
            startWindowAt(change.first);
        }
        return;
    }
    // Blocks that only come or only go are put in or taken out after the block before them,
    // which keeps its text and its lines, so that a line typed or deleted at the end of a long
    // note costs no more than one typed in a block.
    const bool onlyComeOrGo = change.removed == 0 || change.inserted == 0;
    if (change.first > m_first && onlyComeOrGo
        && fitsAtOnce(change.first, change.removed, change.inserted)) {
        if (change.inserted == 0)
            removeBlocksAfter(change.first - 1, change.removed);
        else
            insertBlocksAfter(change.first - 1, change.inserted);
        return;
    }
    qsizetype removed = change.removed;
    qsizetype inserted = change.inserted;
    // Replacing is simplest when at least one text block goes and one comes: take the next
    // block along, which is drawn again as it was.
    if (onlyComeOrGo) {
        ++removed;
        ++inserted;
    }
    if (!fitsAtOnce(change.first, removed, inserted)) {
        dropBlocksFrom(change.first);
        return;
    }
    replaceBlocks(change.first, removed, inserted);
}

// Whether the blocks to replace are in the document and the ones to write are few enough.
bool MarkdownView::fitsAtOnce(qsizetype first, qsizetype removed, qsizetype inserted) const
{
    return first + removed <= m_written && first + inserted <= m_parser.blockCount()
        && inserted <= maxBlocksAtOnce;
}

void MarkdownView::replaceBlocks(qsizetype first, qsizetype removed, qsizetype inserted)
{
    const QTextBlock firstOld = textBlockOf(first);
    const QTextBlock lastOld = textBlockOf(first + removed - 1);
    tellRetyped(firstOld, removed, inserted);
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.setPosition(firstOld.position());
    cursor.setPosition(lastOld.position() + lastOld.length() - 1, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    for (qsizetype i = 0; i < inserted; ++i) {
        if (i > 0)
            cursor.insertBlock();
        writeBlock(cursor, m_parser.block(first + i));
    }
    cursor.endEditBlock();
    m_written += inserted - removed;
}

void MarkdownView::removeBlocksAfter(qsizetype kept, qsizetype removed)
{
    const QTextBlock keptBlock = textBlockOf(kept);
    const QTextBlock lastOld = textBlockOf(kept + removed);
    tellKeptBefore(keptBlock);
    removeAfter(keptBlock, lastOld.position() + lastOld.length() - 1);
    m_written -= removed;
}

// Takes out the text from the end of the kept block to `end`. The document hands the user state
// of the last block taken out to the kept one, which keeps its own. Within an edit, the cursor
// does not lay out the kept block for its place on screen.
void MarkdownView::removeAfter(const QTextBlock &kept, int end)
{
    const int number = kept.blockNumber();
    const int kind = kept.userState();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.setPosition(kept.position() + kept.length() - 1);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
    document()->findBlockByNumber(number).setUserState(kind);
}

void MarkdownView::insertBlocksAfter(qsizetype kept, qsizetype inserted)
{
    const QTextBlock keptBlock = textBlockOf(kept);
    tellKeptBefore(keptBlock);
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.setPosition(keptBlock.position() + keptBlock.length() - 1);
    for (qsizetype i = 0; i < inserted; ++i) {
        cursor.insertBlock();
        writeBlock(cursor, m_parser.block(kept + 1 + i));
    }
    cursor.endEditBlock();
    m_written += inserted;
}

// A selection in the view may end in the block before, which the change moves: then all of
// it is painted again.
void MarkdownView::tellKeptBefore(const QTextBlock &block)
{
    if (!textCursor().hasSelection())
        m_layout->aboutToChangeBlocksAfter(block);
}

// A block retyped in place (a keystroke in it) is laid out alone, and only its lines that came
// out different are painted again. A selection in the view may end in that block, which
// replacing its text moves: then all of it is.
void MarkdownView::tellRetyped(const QTextBlock &block, qsizetype removed, qsizetype inserted)
{
    if (removed == 1 && inserted == 1)
        m_layout->aboutToRetype(block, !textCursor().hasSelection());
}

void MarkdownView::dropBlocksFrom(qsizetype first)
{
    if (first >= m_written)
        return;
    if (first == 0) {
        replaceDocument();
    } else if (first <= m_first) {
        clearDocument();
    } else {
        removeAfter(textBlockOf(first - 1), document()->characterCount() - 1);
    }
    m_first = std::min(m_first, first);
    m_written = first;
}

// The document of a window is short, and clearing it keeps the view where it is.
void MarkdownView::clearDocument()
{
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    cursor.endEditBlock();
}

QTextBlock MarkdownView::textBlockOf(qsizetype block) const
{
    return document()->findBlockByNumber(int(block - m_first));
}

bool MarkdownView::isWindowed() const
{
    return m_sourceSize > windowCharacters;
}

// The document starts again with the block, which the blocks near the view follow.
void MarkdownView::startWindowAt(qsizetype block)
{
    if (m_written > m_first)
        clearDocument();
    m_first = m_written = block;
}

// Clearing a long document frees the layout of every block in one turn, tens of milliseconds for
// a long note. An empty document takes its place at once instead, and the old one is taken down
// in the background before anything else is done there, so that two long documents are not kept
// for long.
void MarkdownView::replaceDocument()
{
    QTextDocument *old = document();
    auto *fresh = new QTextDocument(this);
    fresh->setUndoRedoEnabled(false);
    fresh->setDefaultFont(old->defaultFont());
    fresh->setDocumentMargin(old->documentMargin());
    auto *layout = new PreviewLayout(fresh);
    layout->setMarkFinder(m_layout->markFinder());
    fresh->setDocumentLayout(layout);
    disconnect(m_layout, nullptr, this, nullptr);
    m_layout = layout;
    // The view deletes a document of its own when another takes its place.
    old->setParent(this);
    setDocument(fresh);
    watchLayout();
    // Without undo, every removal would copy the rest of the document's text to compact it.
    old->setUndoRedoEnabled(true);
    m_retired.push_back(old);
    m_backgroundWork.start();
}

// From their ends, a step of blocks at a time; false when none is left.
bool MarkdownView::takeDownRetired(const QDeadlineTimer &deadline)
{
    while (!m_retired.empty() && !deadline.hasExpired()) {
        QTextDocument *old = m_retired.back();
        const int count = old->blockCount();
        if (count <= takeDownStep) {
            delete old;
            m_retired.pop_back();
            continue;
        }
        const QTextBlock last = old->findBlockByNumber(count - takeDownStep - 1);
        QTextCursor cursor(old);
        cursor.beginEditBlock();
        cursor.setPosition(last.position() + last.length() - 1);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        cursor.endEditBlock();
    }
    return !m_retired.empty();
}

// Each block is parsed from its lines as it is written, so a long note never has all its blocks
// in memory beside its document.
void MarkdownView::appendBlocks(const QDeadlineTimer &deadline, qsizetype limit)
{
    const qsizetype end = std::min(m_parser.blockCount(), m_written + limit);
    if (m_written >= end)
        return;
    const bool wasEmpty = m_written == m_first;
    if (!wasEmpty)
        tellKeptBefore(document()->lastBlock());
    const bool selectedToEnd = selectsTo(QTextCursor::End);
    // Within an edit, the cursor does not lay out the line it moves to for its place on screen.
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    do {
        if (m_written > m_first)
            cursor.insertBlock();
        writeBlock(cursor, m_parser.block(m_written));
        ++m_written;
    } while (m_written < end && !deadline.hasExpired());
    cursor.endEditBlock();
    // The view's own cursor sat where the blocks went in and moved along with them.
    if (wasEmpty)
        setTextCursor(QTextCursor(document()));
    if (selectedToEnd)
        selectOnTo(QTextCursor::End);
}

// Blocks before the document's first go in at its start. The document hands the formats and the
// kind of the block a new one is put in front of to the new one, so that block's are put back.
void MarkdownView::prependBlocks(qsizetype count)
{
    const qsizetype from = std::max<qsizetype>(0, m_first - count);
    const QTextBlock oldFirst = document()->begin();
    const QTextBlockFormat format = oldFirst.blockFormat();
    const QTextCharFormat charFormat = oldFirst.charFormat();
    const int kind = oldFirst.userState();
    std::vector<int> kinds;
    const bool selectedToStart = selectsTo(QTextCursor::Start);
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (qsizetype block = from; block < m_first; ++block) {
        writeBlock(cursor, m_parser.block(block));
        kinds.push_back(cursor.block().userState());
        cursor.insertBlock(format, charFormat);
    }
    kinds.push_back(kind);
    cursor.endEditBlock();
    QTextBlock block = document()->begin();
    for (const int kind : kinds) {
        block.setUserState(kind);
        block = block.next();
    }
    m_first = from;
    if (selectedToStart)
        selectOnTo(QTextCursor::Start);
}

// The first blocks are taken out. The block that becomes the first keeps its formats and kind.
void MarkdownView::removeFirstBlocks(qsizetype count)
{
    const QTextBlock kept = document()->findBlockByNumber(int(count));
    const QTextBlockFormat format = kept.blockFormat();
    const QTextCharFormat charFormat = kept.charFormat();
    const int kind = kept.userState();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.setPosition(kept.position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.setBlockFormat(format);
    cursor.setBlockCharFormat(charFormat);
    cursor.endEditBlock();
    document()->begin().setUserState(kind);
    m_first += count;
}

// A selection that reaches an end of the document stands for one that reaches that end of the
// note: it goes on over the blocks put in there.
bool MarkdownView::selectsTo(QTextCursor::MoveOperation end) const
{
    const QTextCursor selection = textCursor();
    if (!selection.hasSelection())
        return false;
    return end == QTextCursor::Start ? selection.selectionStart() == 0
                                     : selection.selectionEnd() == document()->characterCount() - 1;
}

void MarkdownView::selectOnTo(QTextCursor::MoveOperation end)
{
    const QTextCursor selection = textCursor();
    const bool forward = selection.position() > selection.anchor();
    const int start = end == QTextCursor::Start ? 0 : selection.selectionStart();
    const int stop =
        end == QTextCursor::End ? document()->characterCount() - 1 : selection.selectionEnd();
    QTextCursor extended(document());
    extended.setPosition(forward ? start : stop);
    extended.setPosition(forward ? stop : start, QTextCursor::KeepAnchor);
    // The view would scroll to the moved end of the selection.
    const int shown = verticalScrollBar()->value();
    setTextCursor(extended);
    verticalScrollBar()->setValue(shown);
}

// Enough blocks to fill the view, so that a note opened shows at once.
void MarkdownView::writeFirstScreen()
{
    const QDeadlineTimer deadline(firstScreenMs);
    while (m_layout->blocksHeight() < viewport()->height() && !deadline.hasExpired()
           && (m_written < m_parser.blockCount() || m_parsedLength < m_sourceSize)) {
        if (m_written < m_parser.blockCount())
            appendBlocks(deadline, 8);
        else
            parseMore();
    }
    updateEstimates();
}

// The parser is given the text up to a line further, as an edit that adds it to what it held.
void MarkdownView::parseMore()
{
    const qsizetype parsed = m_parsedLength;
    m_parsedLength = lineEndFrom(*m_text, std::min(m_sourceSize, m_parsedLength + parseChunk));
    apply(m_parser.update(m_text, m_parsedLength, {parsed, 0, m_parsedLength - parsed}));
}

// The text it showed stays with the parser until compared.
void MarkdownView::takeNewText(std::shared_ptr<const TextBuffer> text)
{
    m_text = std::move(text);
    m_sourceSize = m_text->size();
}

markdown::IncrementalParser::Change MarkdownView::updateParser()
{
    return m_parser.update(m_text, m_parsedLength);
}

bool MarkdownView::doBackgroundWork(const QDeadlineTimer &deadline)
{
    if (takeDownRetired(deadline))
        return true;
    const Anchor anchor = topAnchor();
    {
        const QScopedValueRollback busy(m_changing, true);
        if (!m_layout->layOutStaleBlocks(deadline)) {
            while (!deadline.hasExpired() && (wantsBlocks() || m_parsedLength < m_sourceSize)) {
                if (wantsBlocks())
                    appendBlocks(writingDeadline(deadline), blocksPerSlice);
                else
                    parseMore();
            }
            measureCharacters();
            updateEstimates();
        }
        keep(anchor);
    }
    fitWindowToView();
    Q_EMIT placesMoved();
    return hasBackgroundWork();
}

// What is not in the document is guessed to be as tall, for its length, as what is. A long note's
// guess changes only when its document's blocks do, not at every keystroke: the text above the
// view would move with every change of it.
void MarkdownView::updateEstimates()
{
    if (!isWindowed() || m_perCharacter == 0)
        measureCharacters();
    const qsizetype begin = writtenSourceBegin();
    m_layout->setAboveHeight(qreal(begin) * m_perCharacter);
    m_layout->setPendingHeight(qreal(m_sourceSize - writtenSourceEnd()) * m_perCharacter);
}

void MarkdownView::measureCharacters()
{
    const qsizetype begin = writtenSourceBegin();
    const qsizetype shown = writtenSourceEnd() - begin;
    // A long note's document may hold no more than the screens near the view, which still make a
    // better guess than its font.
    if (shown > (isWindowed() ? 500 : 2000)) {
        m_perCharacter = m_layout->blocksHeight() / qreal(shown);
    } else if (m_perCharacter == 0 || !isWindowed()) {
        const QFontMetricsF metrics(font());
        const qreal width =
            std::max<qreal>(metrics.averageCharWidth(), viewport()->width() - 2 * padding);
        m_perCharacter = metrics.lineSpacing() * metrics.averageCharWidth() / width;
    }
}

// The block at the top of the view, or the written block nearest to it, and how far below that
// block's top the view begins.
MarkdownView::Anchor MarkdownView::topAnchor() const
{
    if (m_written == m_first)
        return {-1, 0};
    const qreal top = verticalScrollBar()->value();
    const int block = m_layout->blockAt(top);
    return {m_first + block, top - m_layout->blockTop(block)};
}

// Blocks above the view that are laid out again, or come or go, move what is in sight; it is put
// back.
void MarkdownView::keep(const Anchor &anchor)
{
    if (anchor.block < m_first || anchor.block >= m_written)
        return;
    verticalScrollBar()->setValue(
        qRound(m_layout->blockTop(int(anchor.block - m_first)) + anchor.offset));
}

// A long note's document holds the blocks within reach of the view, and the ones it wrote before
// while it has room for them. It starts again where the view jumped to, takes the blocks that
// come within reach, and lets those out of reach go when it holds too many characters. Each step
// keeps the view on the text it shows.
void MarkdownView::fitWindowToView()
{
    if (!isWindowed() || m_changing || m_parser.blockCount() == 0 || m_perCharacter <= 0)
        return;
    const QScopedValueRollback busy(m_changing, true);
    const qsizetype first = m_first;
    const qsizetype written = m_written;
    if (!restartWindowIfApart())
        return;
    while (wantsBlocks())
        appendBlocks(QDeadlineTimer::Forever, blocksPerStep);
    while (m_first > 0 && m_written > m_first && m_layout->blockTop(0) > reach().top) {
        const Anchor anchor = topAnchor();
        prependBlocks(blocksPerStep);
        updateEstimates();
        keep(anchor);
    }
    if (document()->characterCount() > windowCharacters && !textCursor().hasSelection())
        dropBlocksOutOfReach();
    if (m_first == first && m_written == written)
        return;
    const Anchor anchor = topAnchor();
    measureCharacters();
    updateEstimates();
    keep(anchor);
    // Told once the view is done moving: whoever follows it may move it again.
    m_placesMovedLater.start();
}

// A view that jumped to where the document holds nothing has the document start again at the
// block estimated to stand there, once the text there is parsed; false while it is not.
bool MarkdownView::restartWindowIfApart()
{
    const Reach sight = reach();
    const qsizetype count = m_written - m_first;
    if (count > 0 && m_layout->blockTop(int(count)) >= sight.top
        && m_layout->blockTop(0) <= sight.bottom)
        return true;
    const qreal top = verticalScrollBar()->value() - document()->documentMargin();
    auto position = qsizetype(std::max<qreal>(0, top) / m_perCharacter);
    if (position >= m_parsedLength) {
        if (m_parsedLength < m_sourceSize)
            return false;
        position = m_parsedLength - 1;
    }
    startWindowAt(m_parser.blockAt(position));
    updateEstimates();
    return true;
}

void MarkdownView::dropBlocksOutOfReach()
{
    const Reach sight = reach();
    const int firstKept = m_layout->blockAt(sight.top);
    if (firstKept > 0) {
        const Anchor anchor = topAnchor();
        removeFirstBlocks(firstKept);
        updateEstimates();
        keep(anchor);
    }
    const qsizetype lastKept = m_first + m_layout->blockAt(sight.bottom);
    if (lastKept + 1 < m_written)
        dropBlocksFrom(lastKept + 1);
}

void MarkdownView::writeBlock(QTextCursor &cursor, const Block &block) const
{
    const QFont body = font();
    QTextBlockFormat blockFormat;
    blockFormat.setBottomMargin(preview::blockSpacing);
    QTextCharFormat base;
    auto begin = [&](preview::BlockKind kind) {
        cursor.setBlockFormat(blockFormat);
        cursor.setBlockCharFormat(base);
        cursor.block().setUserState(kind);
    };
    std::visit(Overloaded {
                   [&](const markdown::Heading &heading) {
                       blockFormat.setTopMargin(heading.level <= 2 ? 6 : 0);
                       base.setFontWeight(QFont::Bold);
                       base.setProperty(QTextFormat::FontPixelSize,
                                        qRound(preview::headingPixelSize(heading.level) * m_zoom));
                       begin(preview::Heading);
                       insertStyled(cursor, heading.content, base, body, palette());
                   },
                   [&](const markdown::Paragraph &paragraph) {
                       begin(preview::Paragraph);
                       insertStyled(cursor, paragraph.content, base, body, palette());
                   },
                   [&](const markdown::Code &code) {
                       blockFormat.setLeftMargin(preview::codePadding);
                       blockFormat.setRightMargin(preview::codePadding);
                       blockFormat.setTopMargin(preview::codePadding);
                       blockFormat.setBottomMargin(preview::codePadding + preview::blockSpacing);
                       base.setFont(codeFont(body), QTextCharFormat::FontPropertiesSpecifiedOnly);
                       begin(preview::Code);
                       if (!insertedCut(cursor, code.content, base, palette()))
                           cursor.insertText(displayed(code.content), base);
                   },
                   [&](const markdown::Quote &quote) {
                       blockFormat.setLeftMargin(preview::quoteBarWidth + preview::quoteGap);
                       base.setForeground(preview::secondaryColor(palette(), 1));
                       begin(preview::Quote);
                       insertStyled(cursor, quote.content, base, body, palette());
                   },
                   [&](const markdown::Bullet &bullet) {
                       begin(preview::Bullet);
                       insertMarker(cursor, blockFormat, QStringLiteral("\u2022"),
                                    bullet.indent * preview::indentStep, body);
                       insertStyled(cursor, bullet.content, base, body, palette());
                   },
                   [&](const markdown::Number &number) {
                       begin(preview::Number);
                       insertMarker(cursor, blockFormat, number.marker, 0, body);
                       insertStyled(cursor, number.content, base, body, palette());
                   },
                   [&](const markdown::Rule &) {
                       blockFormat.setLineHeight(1, QTextBlockFormat::FixedHeight);
                       begin(preview::Rule);
                   },
               },
               block);
}

void MarkdownView::mousePressEvent(QMouseEvent *event)
{
    m_pressedAnchor =
        event->button() == Qt::LeftButton ? anchorAt(event->position().toPoint()) : QString();
    m_pressPosition = event->position().toPoint();
    QTextEdit::mousePressEvent(event);
}

// A click opens a link; a drag that starts on one selects text instead. (The text control
// selects the link it was pressed on, so the selection cannot tell the two apart.)
void MarkdownView::mouseReleaseEvent(QMouseEvent *event)
{
    QTextEdit::mouseReleaseEvent(event);
    const QPoint position = event->position().toPoint();
    const bool clicked = event->button() == Qt::LeftButton
        && (position - m_pressPosition).manhattanLength() < QApplication::startDragDistance();
    if (!clicked || m_pressedAnchor.isEmpty() || anchorAt(position) != m_pressedAnchor)
        return;
    const QUrl url(m_pressedAnchor);
    static const QStringList openable {QStringLiteral("http"), QStringLiteral("https"),
                                       QStringLiteral("mailto")};
    if (!openable.contains(url.scheme().toLower()))
        return;
    Q_EMIT linkActivated(url);
    QDesktopServices::openUrl(url);
}

// Colours and the body font are part of each block's formats.
void MarkdownView::changeEvent(QEvent *event)
{
    QTextEdit::changeEvent(event);
    if (event->type() != QEvent::PaletteChange && event->type() != QEvent::FontChange)
        return;
    {
        const QScopedValueRollback busy(m_changing, true);
        dropBlocksFrom(0);
        m_perCharacter = 0;
        writeFirstScreen();
    }
    afterChange();
}

void MarkdownView::resizeEvent(QResizeEvent *event)
{
    QTextEdit::resizeEvent(event);
    fitWindowToView();
}

// The blocks in sight are laid out for the current width before they are painted.
void MarkdownView::paintEvent(QPaintEvent *event)
{
    const qreal top = verticalScrollBar()->value();
    m_layout->layOutRange(top, top + viewport()->height());
    QTextEdit::paintEvent(event);
}

// A preview loads nothing, from the disk or the network.
QVariant MarkdownView::loadResource(int, const QUrl &)
{
    return {};
}

// The scroll bar names the action before it moves for the wheel, a drag or a click on it, and
// for Page Up and Page Down; the other keys move the view through the text cursor.
void MarkdownView::watchUserScrolls()
{
    QScrollBar *bar = verticalScrollBar();
    connect(bar, &QAbstractSlider::actionTriggered, this,
            [this, bar] { m_scrollActionPending = bar->sliderPosition() != bar->value(); });
    connect(bar, &QAbstractSlider::valueChanged, this, [this] {
        fitWindowToView();
        if (std::exchange(m_scrollActionPending, false) || m_takingKey)
            Q_EMIT scrolledByUser();
    });
}

// The cursor goes to the start or the end of the note, which a long note's document may not
// hold: the view goes there first.
void MarkdownView::keyPressEvent(QKeyEvent *event)
{
    m_takingKey = true;
    if (event->matches(QKeySequence::MoveToStartOfDocument))
        verticalScrollBar()->setValue(0);
    else if (event->matches(QKeySequence::MoveToEndOfDocument))
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    QTextEdit::keyPressEvent(event);
    m_takingKey = false;
}

// A selection that reaches an end of a long note's document reaches that end of the note: the
// blocks beyond it, which the document does not hold, are written for the copy.
QMimeData *MarkdownView::createMimeDataFromSelection() const
{
    const bool fromStart = m_first > 0 && selectsTo(QTextCursor::Start);
    const bool toEnd = m_written < m_parser.blockCount() && selectsTo(QTextCursor::End);
    if (!fromStart && !toEnd)
        return QTextEdit::createMimeDataFromSelection();
    auto whole = std::make_unique<QTextDocument>();
    whole->setUndoRedoEnabled(false);
    whole->setDefaultFont(document()->defaultFont());
    QTextCursor cursor(whole.get());
    bool empty = true;
    const auto writeBlocks = [&](qsizetype from, qsizetype to) {
        for (qsizetype block = from; block < to; ++block) {
            if (!std::exchange(empty, false))
                cursor.insertBlock();
            writeBlock(cursor, m_parser.block(block));
        }
    };
    if (fromStart)
        writeBlocks(0, m_first);
    if (!std::exchange(empty, false))
        cursor.insertBlock();
    cursor.insertFragment(QTextDocumentFragment(textCursor()));
    if (toEnd)
        writeBlocks(m_written, m_parser.blockCount());
    return new CopiedDocument(std::move(whole));
}

// The text before the document's first block is left out of it.
qsizetype MarkdownView::writtenSourceBegin() const
{
    if (m_first == 0)
        return 0;
    return m_first < m_parser.blockCount() ? m_parser.extent(m_first).begin : m_parsedLength;
}

qsizetype MarkdownView::writtenSourceEnd() const
{
    return m_written < m_parser.blockCount() ? m_parser.extent(m_written).begin : m_parsedLength;
}

// The text before the document's first block is one place, as the text after its last is.
qsizetype MarkdownView::placesAbove() const
{
    return m_first > 0 ? 1 : 0;
}

qsizetype MarkdownView::placeCount() const
{
    const bool pending = writtenSourceEnd() < m_sourceSize;
    return std::max<qsizetype>(1, placesAbove() + m_written - m_first + (pending ? 1 : 0));
}

// The first place also holds the blank lines before the first block.
qsizetype MarkdownView::placeBegin(qsizetype place) const
{
    if (place == 0)
        return 0;
    const qsizetype block = m_first + place - placesAbove();
    return block < m_written ? m_parser.extent(block).begin : writtenSourceEnd();
}

qsizetype MarkdownView::placeAtSource(qsizetype position) const
{
    if (position >= writtenSourceEnd())
        return placeCount() - 1;
    const qsizetype block = m_parser.blockAt(position);
    if (block < m_first)
        return 0;
    return std::min(placesAbove() + block - m_first, placeCount() - 1);
}

MarkdownView::SourceRange MarkdownView::sourceRangeOf(qsizetype place) const
{
    return {placeBegin(place), place + 1 < placeCount() ? placeBegin(place + 1) : m_sourceSize};
}

// The first place begins at the top of the document and the last ends at its bottom, margins
// included, so that the tops and the ends of two views meet.
qreal MarkdownView::placeTop(qsizetype place) const
{
    return place == 0 ? 0 : m_layout->blockTop(int(place - placesAbove()));
}

qreal MarkdownView::placeBottom(qsizetype place) const
{
    return place + 1 < placeCount() ? placeTop(place + 1) : m_layout->documentSize().height();
}

MarkdownView::Spot MarkdownView::spotAt(qreal y) const
{
    const qsizetype above = placesAbove();
    const qsizetype written = m_written - m_first;
    qsizetype place = written == 0 ? above : above + m_layout->blockAt(y);
    if (above > 0 && y < placeTop(above))
        place = 0;
    if (placeCount() > above + written && y >= placeTop(above + written))
        place = above + written;
    place = std::min(place, placeCount() - 1);
    const qreal top = placeTop(place);
    const qreal height = placeBottom(place) - top;
    return {place, height > 0 ? std::clamp((y - top) / height, 0.0, 1.0) : 0};
}

qreal MarkdownView::heightOf(const Spot &spot)
{
    const qsizetype place = std::clamp<qsizetype>(spot.place, 0, placeCount() - 1);
    const qreal top = placeTop(place);
    if (place >= placesAbove() && place < placesAbove() + m_written - m_first)
        m_layout->layOutRange(top, top + viewport()->height());
    return top + spot.fraction * (placeBottom(place) - top);
}

// A spot counts as shown when a line below it is too.
bool MarkdownView::reveal(const Spot &spot)
{
    const qreal y = heightOf(spot);
    const qreal line = QFontMetricsF(font()).lineSpacing();
    const qreal viewTop = verticalScrollBar()->value();
    const qreal viewHeight = viewport()->height();
    if (y >= viewTop && y + line <= viewTop + viewHeight)
        return false;
    const qsizetype place = std::clamp<qsizetype>(spot.place, 0, placeCount() - 1);
    const qreal top = placeTop(place);
    const qreal bottom = placeBottom(place);
    const bool fits = bottom - top <= viewHeight;
    const qreal from = fits ? top : y - line;
    const qreal to = fits ? bottom : y + 2 * line;
    verticalScrollBar()->setValue(qRound(from < viewTop ? from : to - viewHeight));
    return true;
}
