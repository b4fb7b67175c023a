#include "app/markdownhighlighter.h"
#include "app/noteeditor.h"
#include "sandbox.h"

#include <QPalette>
#include <QtTest>

using namespace Qt::StringLiterals;

// One letter per style, as the table below spells them.
static const char styleLetters[] = " mhesbckl>qr";
static_assert(sizeof(styleLetters) - 1 == MarkdownHighlighter::StyleCount);

class TestMarkdownHighlighter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stylesEachConstruct_data();
    void stylesEachConstruct();
    void restylesAfterAnEdit_data();
    void restylesAfterAnEdit();
    void followsThePalette();
    void breaksLinesAsWithout();
    void fillsBlankLinesOfNewCode();

private:
    static void styleUpTo(NoteEditor &editor, long position);
    static QByteArray byteStyles(NoteEditor &editor);
    static QString letters(NoteEditor &editor);
};

void TestMarkdownHighlighter::styleUpTo(NoteEditor &editor, long position)
{
    // From where the styles end, as Scintilla asks when it paints.
    editor.SendScintilla(QsciScintilla::SCI_COLOURISE,
                         editor.SendScintilla(QsciScintilla::SCI_GETENDSTYLED), position);
}

QByteArray TestMarkdownHighlighter::byteStyles(NoteEditor &editor)
{
    const long length = editor.SendScintilla(QsciScintilla::SCI_GETLENGTH);
    styleUpTo(editor, length);
    QByteArray styles;
    for (long at = 0; at < length; ++at)
        styles.append(char(editor.SendScintilla(QsciScintilla::SCI_GETSTYLEAT, at)));
    return styles;
}

// The style of each UTF-16 code unit of the text, a plain line break as itself; every byte of a
// character must have the same style.
QString TestMarkdownHighlighter::letters(NoteEditor &editor)
{
    const QByteArray styles = byteStyles(editor);
    const QString text = editor.noteText();
    QString result;
    qsizetype byte = 0;
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text[at].isLowSurrogate()) {
            result += result.back();
            continue;
        }
        const qsizetype length =
            QStringView(text).sliced(at, text[at].isHighSurrogate() ? 2 : 1).toUtf8().size();
        const char style = styles[byte];
        for (qsizetype i = 1; i < length; ++i) {
            if (styles[byte + i] != style)
                return QStringLiteral("a character split at byte %1").arg(byte + i);
        }
        const bool lineBreak = text[at] == u'\n' || text[at] == u'\r';
        result += lineBreak && style == MarkdownHighlighter::Plain
            ? text[at]
            : QLatin1Char(styleLetters[int(style)]);
        byte += length;
    }
    return result;
}

void TestMarkdownHighlighter::stylesEachConstruct_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("styles");
    // Line breaks are styled with their line only inside a code block.
    QTest::newRow("heading") << u"# Title *x*"_s << u"hhhhhhhhhhh"_s;
    QTest::newRow("no heading without a space") << u"#Title"_s << u"      "_s;
    QTest::newRow("emphasis, strong, code span") << u"a *e* __s__ `c`"_s << u"  mem mmsmm ccc"_s;
    QTest::newRow("strong emphasis") << u"***x***"_s << u"mmmbmmm"_s;
    QTest::newRow("link") << u"[t](u) x"_s << u"mlmmmm  "_s;
    QTest::newRow("autolink") << u"<https://a.b>"_s << u"mlllllllllllm"_s;
    QTest::newRow("escaped") << u"\\*a\\*"_s << u"m  m "_s;
    QTest::newRow("quote") << u"> q **s**"_s << u">>qqmmsmm"_s;
    QTest::newRow("bullets") << u"- one\n  * `two`"_s << u">>   \n>>>>ccccc"_s;
    QTest::newRow("numbered") << u"12. *x*"_s << u">>>>mem"_s;
    QTest::newRow("rules") << u"---\n___"_s << u"rrr\nrrr"_s;
    QTest::newRow("a rule, never a bullet") << u"***"_s << u"rrr"_s;
    QTest::newRow("fenced code") << u"x\n```\n# no\n```\n# yes"_s << u" \nkkkkkkkkkkkkkhhhhh"_s;
    QTest::newRow("blank line in code") << u"```\na\n\nb\n```"_s << u"kkkkkkkkkkkk"_s;
    QTest::newRow("unclosed fence") << u"```\n*a*\n"_s << u"kkkkkkkk"_s;
    QTest::newRow("emphasis across paragraph lines")
        << u"*a\nb*\n\n*c\n\nd*"_s << u"meeem\n\n  \n\n  "_s;
    QTest::newRow("a heading ends a paragraph") << u"*a\n# b*"_s << u"  \nhhhh"_s;
    QTest::newRow("CR LF") << u"# T\r\n*e*\r\n```\r\nx\r\n```\r\n- a\r\n"_s
                           << u"hhhh\nmem\r\nkkkkkkkkkkkkk>> \r\n"_s;
    QTest::newRow("lone CR, one line to the parser") << u"# a\rb"_s << u"hhhhh"_s;
    QTest::newRow("two- and three-byte characters")
        << u"# Grüße\n*é* 日本 **語**"_s << u"hhhhhhh\nmem    mmsmm"_s;
    QTest::newRow("emoji, a surrogate pair") << u"*🎉* `😀`"_s << u"meem cccc"_s;
    QTest::newRow("right to left") << u"> שלום *עולם*"_s << u">>qqqqqmeeeem"_s;
    QTest::newRow("byte-order mark") << u"\uFEFF*a*"_s << u" mem"_s;
}

void TestMarkdownHighlighter::stylesEachConstruct()
{
    QFETCH(QString, text);
    QFETCH(QString, styles);
    NoteEditor editor;
    new MarkdownHighlighter(&editor);
    editor.setNoteText(text, false);
    QCOMPARE(letters(editor), styles);
    QCOMPARE(editor.noteText(), text);
}

void TestMarkdownHighlighter::restylesAfterAnEdit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("line"); // where the edit is made
    QTest::addColumn<QString>("removed");
    QTest::addColumn<QString>("inserted");

    QString lines;
    for (int i = 0; i < 600; ++i)
        lines += i % 7 == 6 ? u"\n"_s : u"a *line* with `code`\n"_s;
    const QString fenced = u"```\n"_s + lines + u"```\n# after\n"_s;
    QTest::newRow("a fence opened far above") << lines << 3 << QString() << u"```\n"_s;
    QTest::newRow("a fence closed") << fenced << 0 << u"```\n"_s << QString();
    QTest::newRow("a fence closed inside") << fenced << 300 << QString() << u"```\n"_s;
    QTest::newRow("a line typed deep inside") << fenced << 400 << QString() << u"# x\n"_s;
    QTest::newRow("a paragraph joined")
        << lines << 7 << u"\n"_s << QString(); // the blank line after the first paragraph
    QTest::newRow("CR LF fence opened")
        << QString(lines).replace(u"\n"_s, u"\r\n"_s) << 2 << QString() << u"```\r\n"_s;
}

// Styled in part as a window would, edited, then styled in two steps: the same styles as the new
// text styled from scratch.
void TestMarkdownHighlighter::restylesAfterAnEdit()
{
    QFETCH(QString, text);
    QFETCH(int, line);
    QFETCH(QString, removed);
    QFETCH(QString, inserted);
    NoteEditor editor;
    new MarkdownHighlighter(&editor);
    editor.setNoteText(text, false);
    byteStyles(editor);

    const long at = editor.SendScintilla(QsciScintilla::SCI_POSITIONFROMLINE, line);
    editor.SendScintilla(QsciScintilla::SCI_SETTARGETRANGE, at, at + removed.toUtf8().size());
    const QByteArray bytes = inserted.toUtf8();
    editor.SendScintilla(QsciScintilla::SCI_REPLACETARGET, bytes.size(), bytes.constData());
    styleUpTo(editor, editor.SendScintilla(QsciScintilla::SCI_POSITIONFROMLINE, line + 40));
    const QByteArray styles = byteStyles(editor);

    NoteEditor fresh;
    new MarkdownHighlighter(&fresh);
    fresh.setNoteText(editor.noteText(), false);
    QCOMPARE(styles, byteStyles(fresh));
}

void TestMarkdownHighlighter::followsThePalette()
{
    NoteEditor editor;
    new MarkdownHighlighter(&editor);
    editor.setNoteText(u"# Dark\n`code`"_s, false);
    QPalette dark = editor.palette();
    dark.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    dark.setColor(QPalette::Text, QColor(0xe0, 0xe0, 0xe0));
    dark.setColor(QPalette::Highlight, QColor(0x20, 0x40, 0x90)); // too dark to read on Base
    editor.setPalette(dark);
    const auto colour = [&](int message, MarkdownHighlighter::Style style) {
        const long bgr = editor.SendScintilla(message, long(style));
        return QColor(bgr & 0xff, (bgr >> 8) & 0xff, (bgr >> 16) & 0xff);
    };
    const QColor base = dark.color(QPalette::Base);
    QCOMPARE(colour(QsciScintilla::SCI_STYLEGETBACK, MarkdownHighlighter::Heading), base);
    QVERIFY(colour(QsciScintilla::SCI_STYLEGETFORE, MarkdownHighlighter::Heading).lightness()
            > 120);
    QVERIFY(colour(QsciScintilla::SCI_STYLEGETBACK, MarkdownHighlighter::Code).lightness() < 60);
    QCOMPARE(colour(QsciScintilla::SCI_STYLEGETFORE, MarkdownHighlighter::Strong),
             dark.color(QPalette::Text));
}

// Scintilla's word wrap may also break where the style changes; highlighting must not move a
// line break.
void TestMarkdownHighlighter::breaksLinesAsWithout()
{
    const QString text =
        u"Words with **strong**, `code`, a [link](https://example.org/a/long/path) "
        "and *emphasis*, "_s.repeated(6);
    NoteEditor highlighted;
    new MarkdownHighlighter(&highlighted);
    NoteEditor plain;
    QList<long> lineStarts[2];
    for (NoteEditor *editor : {&highlighted, &plain}) {
        editor->resize(300, 600);
        editor->show();
        QVERIFY(QTest::qWaitForWindowExposed(editor));
        editor->setNoteText(text, false);
        editor->grab(); // a paint wraps what is in sight
        const long lines = editor->SendScintilla(QsciScintilla::SCI_WRAPCOUNT, 0L);
        for (long line = 0; line < lines; ++line)
            lineStarts[editor == &plain].append(editor->SendScintilla(
                QsciScintilla::SCI_POSITIONFROMPOINT, 0L, long(editor->textHeight(0) * line + 2)));
    }
    QVERIFY(lineStarts[0].size() > 3);
    QCOMPARE(lineStarts[0], lineStarts[1]);
}

// A blank line laid out before a fence above made it code still gets the code background.
void TestMarkdownHighlighter::fillsBlankLinesOfNewCode()
{
    NoteEditor editor;
    new MarkdownHighlighter(&editor);
    editor.resize(400, 300);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    editor.setNoteText(u"a\n\nb\n"_s, false);
    editor.grab();
    editor.SendScintilla(QsciScintilla::SCI_INSERTTEXT, 0UL, "```\n");
    const QImage shown = editor.grab().toImage();
    const long bgr =
        editor.SendScintilla(QsciScintilla::SCI_STYLEGETBACK, long(MarkdownHighlighter::CodeBlock));
    const int lineHeight = editor.textHeight(0);
    QCOMPARE(shown.pixelColor(300, lineHeight * 2 + lineHeight / 2),
             QColor(bgr & 0xff, (bgr >> 8) & 0xff, (bgr >> 16) & 0xff));
}

QTEST_MAIN(TestMarkdownHighlighter)
#include "tst_markdownhighlighter.moc"
