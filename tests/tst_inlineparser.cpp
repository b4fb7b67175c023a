#include "markdown/inline.h"

#include <QTest>

using namespace markdown;

namespace {

// Each run as its style letters (Strong, Emphasis, Code, X for strikethrough, Link with its
// target) and its text, so a failure shows every run.
QString describe(const QList<InlineRun> &runs)
{
    QStringList parts;
    for (const InlineRun &run : runs) {
        QString styles;
        if (run.styles & InlineStyle::Strong)
            styles += u'S';
        if (run.styles & InlineStyle::Emphasis)
            styles += u'E';
        if (run.styles & InlineStyle::Code)
            styles += u'C';
        if (run.styles & InlineStyle::Strikethrough)
            styles += u'X';
        if (run.styles & InlineStyle::Link)
            styles += QStringLiteral("L(") + run.href + u')';
        parts.append(styles + u'"' + run.text + u'"');
    }
    return parts.join(u" | ");
}

} // namespace

class TestInlineParser : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void styles_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("runs");

        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("plain") << "plain words"
                               << "\"plain words\"";
        QTest::newRow("strong") << "a **b** c"
                                << "\"a \" | S\"b\" | \" c\"";
        QTest::newRow("emphasis") << "*a* _b_"
                                  << "E\"a\" | \" \" | E\"b\"";
        QTest::newRow("nested") << "***both*** **bold *and* more**"
                                << "SE\"both\" | \" \" | S\"bold \" | SE\"and\" | S\" more\"";
        QTest::newRow("code span keeps markup") << "`a *b* <c>`"
                                                << "C\"a *b* <c>\"";
        QTest::newRow("strikethrough") << "~~gone~~ here"
                                       << "X\"gone\" | \" here\"";
        QTest::newRow("link") << "[text](https://example.org)"
                              << "L(https://example.org)\"text\"";
        QTest::newRow("styled link") << "[a *b*](u)"
                                     << "L(u)\"a \" | EL(u)\"b\"";
        QTest::newRow("autolink") << "<https://a.b/c>"
                                  << "L(https://a.b/c)\"https://a.b/c\"";
        QTest::newRow("mail autolink") << "<me@x.org>"
                                       << "L(mailto:me@x.org)\"me@x.org\"";
        QTest::newRow("entity in a link target") << "[a](http://x?p=1&amp;q=2)"
                                                 << "L(http://x?p=1&q=2)\"a\"";
        QTest::newRow("image shows its alt text") << "see ![the *alt*](pic.png)"
                                                  << "\"see the \" | E\"alt\"";
        QTest::newRow("escapes") << "\\*not\\* \\_x\\_"
                                 << "\"*not* _x_\"";
        QTest::newRow("entities") << "&copy; &amp; &#65; &#x263A; &nope;"
                                  << "\"\u00a9 & A \u263a &nope;\"";
        QTest::newRow("unclosed") << "**open"
                                  << "\"**open\"";
        QTest::newRow("non-Latin") << "日本 **語**"
                                   << "\"日本 \" | S\"語\"";
        QTest::newRow("NUL") << QString::fromUtf8("a\0b", 3) << "\"a\ufffdb\"";
        QTest::newRow("entities of characters HTML escapes") << "&lt;&gt;&quot;&amp;&apos;"
                                                             << "\"<>\"&'\"";
        QTest::newRow("entities of two characters and of whitespace")
            << "&NotEqualTilde;&Tab;&NewLine;."
            << "\"\u2242\u0338\t\n.\"";
        QTest::newRow("entities repeated and styled") << "&amp;**&amp;&copy;**&copy;&amp;"
                                                      << "\"&\" | S\"&\u00a9\" | \"\u00a9&\"";
        QTest::newRow("numeric entities out of range") << "&#0;&#xD800;&#1114112;&#x10FFFF;&#0065;"
                                                       << "\"\ufffd\ufffd\ufffd\U0010ffff"
                                                          "A\"";
        QTest::newRow("entities in a link target") << "[a](/&lt;&notanentity;&#x41;)"
                                                   << "L(/<&notanentity;A)\"a\"";
        QTest::newRow("characters beyond 16 bits")
            << "\U0001d11e **\U0001d11e** \U0001d11e"
            << "\"\U0001d11e \" | S\"\U0001d11e\" | \" \U0001d11e\"";
        QTest::newRow("lone surrogate")
            << QString(QChar(0xd800)) + "**b**" << QString(u'"') + QChar(0xd800) + "\" | S\"b\"";

        // A delimiter inside a link's target never pairs with one outside the link: the kind of
        // delimiter that would be left half a pair shows as text, and the rest keeps its styles.
        QTest::newRow("tilde in a link target, one after") << "[](~)~*"
                                                           << "\"~*\"";
        QTest::newRow("tilde in a link target, one before") << "*e* ~a[b](~)"
                                                            << "E\"e\" | \" ~a\" | L(~)\"b\"";
        QTest::newRow("tildes in a link target") << "[a](~~)~~b **c**"
                                                 << "L(~~)\"a\" | \"~~b \" | S\"c\"";
        QTest::newRow("home folder URL and strikethrough")
            << "[home](http://x.org/~me) is ~not~ here"
            << "L(http://x.org/~me)\"home\" | \" is ~not~ here\"";
        QTest::newRow("star in a link target, one after") << "`c` [a](*) b*"
                                                          << "C\"c\" | \" \" | L(*)\"a\" | \" b*\"";
        QTest::newRow("star in a link target, one before") << "**a[](**)"
                                                           << "\"**a\"";
        QTest::newRow("underscore in a link title") << "[a](<x_y> \"_\") b_"
                                                    << "L(x_y)\"a\" | \" b_\"";
        QTest::newRow("star in an image target inside a link") << "[![](*)*]()"
                                                               << "L()\"*\"";
        QTest::newRow("bracket in an image target") << "*e* ![]([)]()"
                                                    << "E\"e\" | \" ![]([)]()\"";
        QTest::newRow("both kinds") << "[a](~*) ~b*"
                                    << "L(~*)\"a\" | \" ~b*\"";

        // Block syntax is text here.
        for (const char *text :
             {"# not a heading", "> not a quote", "1. not a list", "- not a bullet",
              "[x]: /not-a-definition", "<div>", "    not code", "```", "===", "***", "| a | b |",
              "<b>raw</b> html"})
            QTest::newRow(text) << text << u'"' + QString::fromUtf8(text) + u'"';

        // Whitespace stays as written.
        QTest::newRow("runs of spaces and tabs") << "a   b\t\tc"
                                                 << "\"a   b\t\tc\"";
        QTest::newRow("leading spaces") << "  **b**"
                                        << "\"  \" | S\"b\"";
        QTest::newRow("trailing spaces") << "a  "
                                         << "\"a  \"";
        QTest::newRow("lone CR is no line break") << "a\r# b"
                                                  << "\"a\r# b\"";
        QTest::newRow("nor is a line feed") << "*a*\n> b"
                                            << "E\"a\" | \"\n> b\"";
        QTest::newRow("byte-order mark") << QStringLiteral("\ufeffx") << "\"\ufeffx\"";
        QTest::newRow("form feeds of its own") << "\fa\f"
                                               << "\"\fa\f\"";
    }

    void styles()
    {
        QFETCH(QString, text);
        QFETCH(QString, runs);
        const std::optional<QList<InlineRun>> parsed = parseInline(text);
        QVERIFY(parsed);
        QCOMPARE(describe(*parsed), runs);
    }
};

QTEST_GUILESS_MAIN(TestInlineParser)
#include "tst_inlineparser.moc"
