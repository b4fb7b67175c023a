#pragma once

#include "markdown/block.h"
#include "markdown/incrementalparser.h"

#include <QTextEdit>

class QTextCursor;

// The live preview: a note's Markdown drawn block by block, selectable and copyable. It is a
// read-only text document with one text block per Markdown block; a new source replaces only
// the blocks that changed, and its layout (PreviewLayout) lays out only those, so a keystroke
// costs about one block however long the note is.
// The note's text is only ever inserted as plain text: nothing in it is taken for rich text.
class MarkdownView : public QTextEdit
{
    Q_OBJECT
public:
    using Block = markdown::Block;

    explicit MarkdownView(QWidget *parent = nullptr);

    void setSource(const QString &source);
    QString source() const;
    // Moves to the top with nothing selected, as for a note opened anew.
    void showFromTop();

Q_SIGNALS:
    // A link the user clicked, for http, https and mailto only; it is also handed to the
    // desktop's handler.
    void linkActivated(const QUrl &url);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    QVariant loadResource(int type, const QUrl &name) override;

private:
    void replaceBlocks(markdown::IncrementalParser::Change change);
    void rebuild();
    void writeBlock(QTextCursor &cursor, const Block &block) const;

    markdown::IncrementalParser m_parser;
    QString m_pressedAnchor;
    QPoint m_pressPosition;
};
