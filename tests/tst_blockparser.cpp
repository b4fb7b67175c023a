#include "markdown/block.h"

#include <QTest>

using namespace markdown;
using Blocks = QList<Block>;

namespace {

QString visible(const QString &text)
{
    QString shown;
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F && c != u'\\')
            shown.append(c);
        else
            shown.append(QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0')));
    }
    return u'"' + shown + u'"';
}

struct Describe
{
    QString operator()(const Heading &b) const
    {
        return QStringLiteral("heading %1 %2").arg(b.level).arg(visible(b.content));
    }
    QString operator()(const Paragraph &b) const
    {
        return QStringLiteral("paragraph ") + visible(b.content);
    }
    QString operator()(const Code &b) const { return QStringLiteral("code ") + visible(b.content); }
    QString operator()(const Quote &b) const
    {
        return QStringLiteral("quote ") + visible(b.content);
    }
    QString operator()(const Bullet &b) const
    {
        return QStringLiteral("bullet %1 %2").arg(visible(b.content)).arg(b.indent);
    }
    QString operator()(const Number &b) const
    {
        return QStringLiteral("number ") + visible(b.marker) + u' ' + visible(b.content);
    }
    QString operator()(const Rule &) const { return QStringLiteral("rule"); }
};

// One block a line, so a failing comparison shows where the lists part.
QString describe(const Blocks &blocks)
{
    QStringList lines;
    for (const Block &block : blocks)
        lines.append(std::visit(Describe {}, block));
    return lines.join(u'\n');
}

Paragraph para(const QString &content)
{
    return {content};
}

} // namespace

class TestBlockParser : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
    void crLfGivesTheSameBlocksAsLf_data() { parse_data(); }
    void crLfGivesTheSameBlocksAsLf();
};

void TestBlockParser::parse_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<Blocks>("expected");

    // Blank text and paragraphs
    QTest::newRow("empty") << "" << Blocks {};
    QTest::newRow("only blank lines") << "\n \t\n\u00a0\n\n" << Blocks {};
    QTest::newRow("final line feed adds nothing") << "a\n" << Blocks {para("a")};
    QTest::newRow("lines join with one space") << "  one  \n\ttwo\t" << Blocks {para("one two")};
    QTest::newRow("blank line parts paragraphs")
        << "one\n\ntwo" << Blocks {para("one"), para("two")};
    QTest::newRow("four spaces is no code") << "    indented" << Blocks {para("indented")};
    QTest::newRow("lone CR stays in the line") << "a\rb\nc" << Blocks {para("a\rb c")};
    QTest::newRow("form feed is no whitespace") << "\fa" << Blocks {para("\fa")};
    QTest::newRow("other line separators do not split")
        << "a\u2028b\u0085c" << Blocks {para("a\u2028b\u0085c")};

    // Headings
    QTest::newRow("heading") << "# Title" << Blocks {Heading {1, "Title"}};
    QTest::newRow("level 6") << "###### six" << Blocks {Heading {6, "six"}};
    QTest::newRow("level 7 is text") << "####### seven" << Blocks {para("####### seven")};
    QTest::newRow("no space") << "#word" << Blocks {para("#word")};
    QTest::newRow("tab after hashes") << "#\tword" << Blocks {para("#\tword")};
    QTest::newRow("no-break space after hashes") << "#\u00a0word" << Blocks {para("#\u00a0word")};
    QTest::newRow("only hashes") << "###  " << Blocks {para("###")};
    QTest::newRow("spaces around content, closing hashes kept")
        << "##   Title ##  " << Blocks {Heading {2, "Title ##"}};
    QTest::newRow("indented heading") << "   # Title" << Blocks {Heading {1, "Title"}};
    QTest::newRow("heading of a quote marker")
        << "# > not a quote" << Blocks {Heading {1, "> not a quote"}};
    QTest::newRow("combining mark on the hash") << "#\u0301 word" << Blocks {para("#\u0301 word")};
    QTest::newRow("combining mark on the space") << "# \u0301word" << Blocks {para("# \u0301word")};
    QTest::newRow("heading ends a paragraph")
        << "text\n# Title" << Blocks {para("text"), Heading {1, "Title"}};

    // Rules
    QTest::newRow("rule -") << "---" << Blocks {Rule {}};
    QTest::newRow("rule * long") << "  *****  " << Blocks {Rule {}};
    QTest::newRow("rule _") << "___" << Blocks {Rule {}};
    QTest::newRow("two dashes") << "--" << Blocks {para("--")};
    QTest::newRow("plus signs") << "+++" << Blocks {para("+++")};
    QTest::newRow("equals signs") << "===" << Blocks {para("===")};
    QTest::newRow("mixed") << "-*-" << Blocks {para("-*-")};
    QTest::newRow("spaced dashes are a bullet") << "- - -" << Blocks {Bullet {"- -", 0}};
    QTest::newRow("spaced stars are a bullet") << "* * *" << Blocks {Bullet {"* *", 0}};
    QTest::newRow("combining mark in a rule") << "--\u0301-" << Blocks {para("--\u0301-")};
    QTest::newRow("rule ends a paragraph") << "a\n---\nb" << Blocks {para("a"), Rule {}, para("b")};

    // Quotes
    QTest::newRow("two quote lines") << "> one\n> two" << Blocks {Quote {"one"}, Quote {"two"}};
    QTest::newRow("empty quote") << ">" << Blocks {Quote {""}};
    QTest::newRow("quote without space") << ">word" << Blocks {Quote {"word"}};
    QTest::newRow("quote of a heading") << "> # not" << Blocks {Quote {"# not"}};
    QTest::newRow("quote then plain line") << "> q\nplain" << Blocks {Quote {"q"}, para("plain")};

    // Bullets
    QTest::newRow("bullet") << "- item" << Blocks {Bullet {"item", 0}};
    QTest::newRow("star and plus") << "* a\n+ b" << Blocks {Bullet {"a", 0}, Bullet {"b", 0}};
    QTest::newRow("no space after marker") << "-word" << Blocks {para("-word")};
    QTest::newRow("lone dash") << "-" << Blocks {para("-")};
    QTest::newRow("bold is no bullet") << "**bold**" << Blocks {para("**bold**")};
    QTest::newRow("content keeps leading spaces") << "-   word  " << Blocks {Bullet {"  word", 0}};
    QTest::newRow("indent 2 spaces") << "  - a" << Blocks {Bullet {"a", 1}};
    QTest::newRow("indent 3 spaces") << "   - a" << Blocks {Bullet {"a", 1}};
    QTest::newRow("indent 4 spaces") << "    - a" << Blocks {Bullet {"a", 2}};
    QTest::newRow("indent 1 tab") << "\t- a" << Blocks {Bullet {"a", 0}};
    QTest::newRow("indent 2 tabs") << "\t\t- a" << Blocks {Bullet {"a", 1}};
    QTest::newRow("indent tab and space") << "\t - a" << Blocks {Bullet {"a", 1}};
    QTest::newRow("no-break spaces stop the count")
        << "\u00a0\u00a0  - a" << Blocks {Bullet {"a", 0}};
    QTest::newRow("no-break space after spaces") << "  \u00a0  - a" << Blocks {Bullet {"a", 1}};
    QTest::newRow("CR before the indent") << "\r    - a" << Blocks {Bullet {"a", 2}};
    QTest::newRow("bullet then plain line") << "- a\nb" << Blocks {Bullet {"a", 0}, para("b")};
    QTest::newRow("combining mark on the marker") << "-\u0301 a" << Blocks {para("-\u0301 a")};
    QTest::newRow("no-break space after marker") << "-\u00a0a" << Blocks {para("-\u00a0a")};

    // Numbered items
    QTest::newRow("number") << "1. first" << Blocks {Number {"1.", "first"}};
    QTest::newRow("leading zeros") << "007.  agent " << Blocks {Number {"007.", "agent"}};
    QTest::newRow("parenthesis") << "1) first" << Blocks {para("1) first")};
    QTest::newRow("nothing after dot") << "1." << Blocks {para("1.")};
    QTest::newRow("word after dot") << "1.word" << Blocks {para("1.word")};
    QTest::newRow("word before dot") << "Step. one" << Blocks {para("Step. one")};
    QTest::newRow("minus sign") << "-1. x" << Blocks {para("-1. x")};
    QTest::newRow("only a dot") << ". x" << Blocks {para(". x")};
    QTest::newRow("decimal number") << "3.14 is pi. yes" << Blocks {para("3.14 is pi. yes")};
    QTest::newRow("Arabic-Indic digits") << "\u0663. three" << Blocks {Number {"\u0663.", "three"}};
    QTest::newRow("Devanagari digits")
        << "\u0967\u0968. x" << Blocks {Number {"\u0967\u0968.", "x"}};
    QTest::newRow("CJK numeral") << "\u4e09. san" << Blocks {Number {"\u4e09.", "san"}};
    QTest::newRow("vulgar fraction") << "\u00bd. half" << Blocks {Number {"\u00bd.", "half"}};
    QTest::newRow("Roman numeral") << "\u2163. four" << Blocks {Number {"\u2163.", "four"}};
    QTest::newRow("digit outside the BMP")
        << "\U0001D7D9. x" << Blocks {Number {"\U0001D7D9.", "x"}};
    QTest::newRow("digit with combining mark") << "1\u0301. x" << Blocks {Number {"1\u0301.", "x"}};
    QTest::newRow("combining mark on the dot") << "1.\u0301 x. y" << Blocks {para("1.\u0301 x. y")};
    QTest::newRow("letter is not numeric") << "\u0661a. x" << Blocks {para("\u0661a. x")};

    // Code
    QTest::newRow("fenced code") << "```swift\nlet a = 1\n  b  \n```"
                                 << Blocks {Code {"let a = 1\n  b  "}};
    QTest::newRow("unclosed fence") << "```\na\n\n# b" << Blocks {Code {"a\n\n# b"}};
    QTest::newRow("fence as last line") << "text\n```" << Blocks {para("text"), Code {""}};
    QTest::newRow("two fences") << "```\n```" << Blocks {Code {""}};
    QTest::newRow("closing fence with text")
        << "```\nx\n  ````more\nafter" << Blocks {Code {"x"}, para("after")};
    QTest::newRow("markers inside code")
        << "```\n- a\n---\n> q\n```" << Blocks {Code {"- a\n---\n> q"}};
    QTest::newRow("whitespace-only code line") << "```\n \t \n```" << Blocks {Code {" \t "}};
    QTest::newRow("CR trimmed in code") << "```\r\n\ra\r\r\n```" << Blocks {Code {"a"}};
    QTest::newRow("fence ends a paragraph")
        << "para\n```\ncode\n```" << Blocks {para("para"), Code {"code"}};
    QTest::newRow("indented fence") << "\u00a0 ```\nx\n```" << Blocks {Code {"x"}};
    QTest::newRow("Greek varia is a backtick") << "\u1fef``\nx\n```" << Blocks {Code {"x"}};
    QTest::newRow("combining mark on a backtick") << "`\u0301``\nx" << Blocks {para("`\u0301`` x")};
    QTest::newRow("two backticks") << "``\nx" << Blocks {para("`` x")};

    // Several kinds in order
    QTest::newRow("note") << "# Plan\n\nSome *text*\nmore.\n- one\n  - two\n1. first\n> "
                             "said\n---\n```\ncode\n```\nend"
                          << Blocks {Heading {1, "Plan"},
                                     para("Some *text* more."),
                                     Bullet {"one", 0},
                                     Bullet {"two", 1},
                                     Number {"1.", "first"},
                                     Quote {"said"},
                                     Rule {},
                                     Code {"code"},
                                     para("end")};
    QTest::newRow("non-Latin paragraph")
        << "日本語の文章\nрусский текст" << Blocks {para("日本語の文章 русский текст")};
    QTest::newRow("emoji sequence after marker")
        << "- \U0001F469\u200D\U0001F4BB dev"
        << Blocks {Bullet {"\U0001F469\u200D\U0001F4BB dev", 0}};
}

void TestBlockParser::parse()
{
    QFETCH(QString, source);
    QFETCH(Blocks, expected);
    const Blocks blocks = markdown::parse(source);
    QCOMPARE(describe(blocks), describe(expected));
    QVERIFY(blocks == expected);
}

void TestBlockParser::crLfGivesTheSameBlocksAsLf()
{
    QFETCH(QString, source);
    QString crLf = source;
    crLf.replace(u'\n', QStringLiteral("\r\n"));
    QCOMPARE(describe(markdown::parse(crLf)), describe(markdown::parse(source)));
}

QTEST_GUILESS_MAIN(TestBlockParser)
#include "tst_blockparser.moc"
