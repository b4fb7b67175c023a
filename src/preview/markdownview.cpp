#include "preview/markdownview.h"

#include "markdown/inline.h"
#include "preview/previewlayout.h"
#include "preview/previewstyle.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

template<typename... Ts> struct Overloaded : Ts...
{
    using Ts::operator()...;
};

constexpr int padding = 16;

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

void applyStyles(QTextCharFormat &format, const markdown::InlineRun &run, const QFont &body,
                 const QPalette &palette)
{
    using markdown::InlineStyle;
    if (run.styles & InlineStyle::Strong)
        format.setFontWeight(QFont::Bold);
    if (run.styles & InlineStyle::Emphasis)
        format.setFontItalic(true);
    if (run.styles & InlineStyle::Code) {
        format.setFontFamilies({codeFont(body).family()});
        format.setFontStyleHint(QFont::Monospace);
        format.setFontFixedPitch(true);
    }
    if (run.styles & InlineStyle::Strikethrough)
        format.setFontStrikeOut(true);
    if (run.styles & InlineStyle::Link) {
        format.setAnchor(true);
        format.setAnchorHref(run.href);
        format.setForeground(palette.link());
        format.setFontUnderline(true);
    }
}

// Inline Markdown is styled; a text the inline parser refuses is shown as it stands.
void insertStyled(QTextCursor &cursor, const QString &content, const QTextCharFormat &base,
                  const QFont &body, const QPalette &palette)
{
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

} // namespace

MarkdownView::MarkdownView(QWidget *parent) : QTextEdit(parent)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setAcceptRichText(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard
                            | Qt::LinksAccessibleByMouse);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setBackgroundRole(QPalette::Base);
    document()->setDocumentLayout(new PreviewLayout(document()));
    document()->setDocumentMargin(padding);
}

void MarkdownView::setSource(const QString &source)
{
    replaceBlocks(m_parser.update(source));
}

QString MarkdownView::source() const
{
    return m_parser.source();
}

void MarkdownView::showFromTop()
{
    setTextCursor(QTextCursor(document()));
    verticalScrollBar()->setValue(0);
}

// Text blocks are known by position, like the Markdown blocks: the ones that changed are
// replaced in place and the others, with their layout, are left alone.
void MarkdownView::replaceBlocks(markdown::IncrementalParser::Change change)
{
    const qsizetype newCount = m_parser.blockCount();
    const qsizetype oldCount = newCount - change.inserted + change.removed;
    if (change.removed == 0 && change.inserted == 0)
        return;
    if (oldCount == 0 || newCount == 0) {
        rebuild();
        return;
    }
    // Replacing is simplest when at least one text block goes and one comes: take a neighbour
    // along, which is drawn again as it was.
    if (change.removed == 0 || change.inserted == 0) {
        if (change.first > 0)
            --change.first;
        ++change.removed;
        ++change.inserted;
    }
    const QTextBlock firstOld = document()->findBlockByNumber(int(change.first));
    const QTextBlock lastOld =
        document()->findBlockByNumber(int(change.first + change.removed - 1));
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.setPosition(firstOld.position());
    cursor.setPosition(lastOld.position() + lastOld.length() - 1, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    for (qsizetype i = 0; i < change.inserted; ++i) {
        if (i > 0)
            cursor.insertBlock();
        writeBlock(cursor, m_parser.block(change.first + i));
    }
    cursor.endEditBlock();
}

// Each block is parsed from its lines as it is written, so a long note never has all its blocks
// in memory beside its document.
void MarkdownView::rebuild()
{
    document()->clear();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (qsizetype i = 0; i < m_parser.blockCount(); ++i) {
        if (i > 0)
            cursor.insertBlock();
        writeBlock(cursor, m_parser.block(i));
    }
    cursor.endEditBlock();
    // The view's own cursor sat where the blocks went in and moved along with them.
    showFromTop();
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
                                        preview::headingPixelSize(heading.level));
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
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange)
        rebuild();
}

// A preview loads nothing, from the disk or the network.
QVariant MarkdownView::loadResource(int, const QUrl &)
{
    return {};
}
