#pragma once

#include "markdown/block.h"
#include "markdown/incrementalparser.h"
#include "preview/backgroundslices.h"
#include "preview/previewlayout.h"

#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include <vector>

class QDeadlineTimer;
class QTextBlock;

// The live preview: a note's Markdown drawn block by block, selectable and copyable. It is a
// read-only text document with one text block per Markdown block; a new source replaces only
// the blocks that changed, and its layout (PreviewLayout) lays out only those, so a keystroke
// costs about one block however long the note is.
//
// A long note is not drawn all at once: its first screen is, and the rest of its text is parsed,
// put into the document and laid out in slices while the event loop is idle, its height
// estimated until then. A very long note's document holds only the blocks near the view, which
// follow it as it moves, and the text before and after them is estimated the same way. The
// document always holds blocks of the text in order, without a gap.
// The note's text is only ever inserted as plain text: nothing in it is taken for rich text.
class MarkdownView : public QTextEdit
{
    Q_OBJECT
public:
    using Block = markdown::Block;

    explicit MarkdownView(QWidget *parent = nullptr);

    // Takes an edit of the text shown: the blocks it changed are drawn again at once.
    void setSource(const QString &source);
    // As setSource, for the text shown with the edit made (in UTF-16 code units), in place or
    // not: the texts are not compared, so a keystroke costs no time for the length of the note.
    // The view keeps the text and reads it while it works in the background, so whoever edits
    // it in place tells the view of every edit.
    void setEditedSource(std::shared_ptr<const TextBuffer> text, const TextEdit &edit);
    // Shows another text, from its top with nothing selected, as for a note opened anew.
    void showNewSource(const QString &source);
    // As showNewSource, for a text that is then edited in place: the view shares it rather than
    // a copy, so that its first edit need not copy it, and is told of every edit as by
    // setEditedSource.
    void showNewSource(std::shared_ptr<const TextBuffer> text);
    QString source() const;
    // Moves to the top with nothing selected.
    void showFromTop();
    // Scales every font of the preview (1 is the desktop's size).
    void setZoomFactor(qreal factor);
    qreal zoomFactor() const { return m_zoom; }
    // Marks what the finder finds in the text shown, as the matches of a search are; only what
    // comes into sight is looked at. An empty finder marks nothing.
    void setMarkFinder(PreviewLayout::MarkFinder finder);
    // Whether work is left for the background: text to draw or lay out, or the document of a text
    // shown before to take down.
    bool hasBackgroundWork() const;

    // A place in the text shown, named by the source, for following another view of it. A place
    // is a block with the blank lines after it; or all the text after the written blocks, which is
    // one place after them; or all the text before them, one place before them. A spot is a
    // height in a place, from 0 at its top to 1 at the next place's top.
    struct Spot
    {
        qsizetype place = 0;
        qreal fraction = 0;
    };
    // The characters of the source a place stands for, from its first to the next place's first.
    struct SourceRange
    {
        qsizetype begin = 0;
        qsizetype end = 0;
    };
    qsizetype placeAtSource(qsizetype position) const;
    SourceRange sourceRangeOf(qsizetype place) const;
    // The spot at that height of the document.
    Spot spotAt(qreal y) const;
    // The height of the spot in the document. Its place and a screen below it are laid out first,
    // so that the height holds when they are shown.
    qreal heightOf(const Spot &spot);
    // Scrolls the least that shows the spot, with its whole place when that fits in the view;
    // false when the spot is in view already.
    bool reveal(const Spot &spot);

    // Blocks longer than this show their beginning and say that the rest is not shown: laying
    // out megabytes of one block would freeze the program.
    static constexpr qsizetype maxShownCharacters = 50'000;

Q_SIGNALS:
    // A link the user clicked, for http, https and mailto only; it is also handed to the
    // desktop's handler.
    void linkActivated(const QUrl &url);
    // The user scrolled the view: with the wheel, the scroll bar or the keyboard.
    void scrolledByUser();
    // Blocks were written or laid out in the background: spots may stand at other heights.
    void placesMoved();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    QVariant loadResource(int type, const QUrl &name) override;
    QMimeData *createMimeDataFromSelection() const override;

private:
    struct Anchor
    {
        qsizetype block; // the parser's
        qreal offset;
    };
    // The heights (document coordinates) the document's blocks should reach to.
    struct Reach
    {
        qreal top;
        qreal bottom;
    };

    void apply(markdown::IncrementalParser::Change change);
    bool fitsAtOnce(qsizetype first, qsizetype removed, qsizetype inserted) const;
    void replaceBlocks(qsizetype first, qsizetype removed, qsizetype inserted);
    void removeBlocksAfter(qsizetype kept, qsizetype removed);
    void removeAfter(const QTextBlock &kept, int end);
    void insertBlocksAfter(qsizetype kept, qsizetype inserted);
    void tellKeptBefore(const QTextBlock &block);
    void tellRetyped(const QTextBlock &block, qsizetype removed, qsizetype inserted);
    void dropBlocksFrom(qsizetype first);
    void clearDocument();
    void appendBlocks(const QDeadlineTimer &deadline, qsizetype limit);
    void prependBlocks(qsizetype count);
    void removeFirstBlocks(qsizetype count);
    bool selectsTo(QTextCursor::MoveOperation end) const;
    void selectOnTo(QTextCursor::MoveOperation end);
    QTextBlock textBlockOf(qsizetype block) const;
    bool isWindowed() const;
    void startWindowAt(qsizetype block);
    void fitWindowToView();
    bool restartWindowIfApart();
    void dropBlocksOutOfReach();
    bool wantsBlocks() const;
    Reach reach() const;
    void afterChange();
    void writeFirstScreen();
    void parseMore();
    void takeNewText(std::shared_ptr<const TextBuffer> text);
    markdown::IncrementalParser::Change updateParser();
    bool doBackgroundWork(const QDeadlineTimer &deadline);
    bool hasTextPending() const;
    void watchLayout();
    void replaceDocument();
    bool takeDownRetired(const QDeadlineTimer &deadline);
    void updateEstimates();
    void measureCharacters();
    Anchor topAnchor() const;
    void keep(const Anchor &anchor);
    void writeBlock(QTextCursor &cursor, const Block &block) const;
    void watchUserScrolls();
    qsizetype placesAbove() const;
    qsizetype placeCount() const;
    qsizetype placeBegin(qsizetype place) const;
    qsizetype writtenSourceBegin() const;
    qsizetype writtenSourceEnd() const;
    qreal placeTop(qsizetype place) const;
    qreal placeBottom(qsizetype place) const;

    markdown::IncrementalParser m_parser;
    qreal m_zoom = 1;
    QFont m_unzoomedFont;
    PreviewLayout *m_layout;
    // The text shown, shared with the parser and maybe with its owner, who edits it in place;
    // its length before an edit is kept apart, since the text itself tells only the new one.
    std::shared_ptr<const TextBuffer> m_text = std::make_shared<const TextBuffer>();
    qsizetype m_sourceSize = 0;
    qsizetype m_parsedLength = 0; // the parser holds the first m_parsedLength characters
    qsizetype m_first = 0; // the parser's blocks [m_first, m_written) are in the document
    qsizetype m_written = 0;
    qreal m_perCharacter = 0; // the estimated height of a character of the source
    bool m_changing = false; // the document is being changed, and the view must not move it
    QTimer m_placesMovedLater;
    BackgroundSlices m_backgroundWork;
    std::vector<QTextDocument *> m_retired; // replaced, still to be taken down
    QString m_pressedAnchor;
    QPoint m_pressPosition;
    bool m_scrollActionPending = false;
    bool m_takingKey = false;
};
