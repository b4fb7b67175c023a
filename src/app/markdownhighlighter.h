#pragma once

#include <QObject>

class QsciScintilla;

// Colours the Markdown of the editor's text as the preview reads it: the block parser decides
// what each line is, the inline parser what lies within a block. Styles change weight, slant and
// colour only, never the size, so no line moves; their colours come from the editor's palette
// and follow it. Scintilla asks for styles as far as it is about to show or wrap; a line is
// styled again only from the block an edit touched, so a keystroke costs the lines in sight and
// no more, and a long note is styled as it is seen.
class MarkdownHighlighter : public QObject
{
    Q_OBJECT
public:
    // The Scintilla styles; 0 is the editor's own plain text.
    enum Style : char {
        Plain,
        Markup, // delimiters, link destinations, escapes' backslashes
        Heading,
        Emphasis,
        Strong,
        StrongEmphasis,
        Code, // a code span
        CodeBlock, // a fenced code block, its fences included
        Link,
        Marker, // of a quote or a list item
        Quote,
        Rule,
        StyleCount
    };

    // Highlights the editor's text from now on, and goes with the editor.
    explicit MarkdownHighlighter(QsciScintilla *editor);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void defineStyles();
    void styleTo(long position);
    long restartLine(long line) const;

    QsciScintilla *m_editor;
};
