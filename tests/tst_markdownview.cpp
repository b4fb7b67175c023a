#include "preview/markdownview.h"
#include "preview/previewlayout.h"
#include "preview/previewstyle.h"
#include "preview/steadyscrollbar.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QFontDatabase>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocumentFragment>

namespace {

// Whether the font resolves to the system's monospaced font (fontconfig does not call every
// monospaced font fixed-pitch, so asking the font itself is not enough).
bool isCodeFont(const QFont &font)
{
    return QFontInfo(font).family()
        == QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family();
}

QString sampleNote()
{
    QFile file(QStringLiteral(PENWICK_TEST_DATA "/sample.md"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Everything a text block shows: kind, text, block geometry and each fragment's format.
QString dumpBlock(const QTextBlock &block)
{
    const QTextBlockFormat format = block.blockFormat();
    QString line = QStringLiteral("%1 [%2] margins %3 %4 %5 %6 indent %7")
                       .arg(block.userState())
                       .arg(block.text())
                       .arg(format.topMargin())
                       .arg(format.bottomMargin())
                       .arg(format.leftMargin())
                       .arg(format.rightMargin())
                       .arg(format.textIndent());
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat chars = it.fragment().charFormat();
        line += QStringLiteral(" {%1 %2 %3 %4 %5}")
                    .arg(it.fragment().text(), chars.font().toString(), chars.anchorHref())
                    .arg(chars.fontStrikeOut())
                    .arg(chars.foreground().color().name(QColor::HexArgb));
    }
    return line;
}

QString dump(const QTextDocument &document)
{
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        lines.append(dumpBlock(block));
    return lines.join(u'\n');
}

// The sample note over and over, each time after a numbered line: long enough that a view keeps
// only the blocks near it in its document.
QString numberedLongNote()
{
    QString note;
    for (int part = 0; part < 450; ++part)
        note +=
            QStringLiteral("Part %1\n\n").arg(part, 4, 10, QLatin1Char('0')) + sampleNote() + u'\n';
    return note;
}

// Where the view's document holds a block otherwise than a view given that block's text alone
// shows it; empty when it holds every block so.
QString firstMisshownBlock(const MarkdownView &view, const QString &source)
{
    const QTextDocument &document = *view.document();
    const auto *layout = static_cast<const PreviewLayout *>(document.documentLayout());
    const qsizetype firstPlace = view.spotAt(layout->blockTop(0)).place;
    qsizetype place = firstPlace;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next(), ++place) {
        const MarkdownView::SourceRange range = view.sourceRangeOf(place);
        MarkdownView alone;
        alone.setSource(source.sliced(range.begin, range.end - range.begin));
        const QString expected = dumpBlock(alone.document()->begin());
        if (alone.document()->blockCount() != 1 || dumpBlock(block) != expected)
            return QStringLiteral("place %1 (block %2 of the document): %3, not %4")
                .arg(place)
                .arg(place - firstPlace)
                .arg(dumpBlock(block), expected);
    }
    return {};
}

// Shows the text in the view, scrolled to its middle once all is written and laid out.
void showTheMiddle(MarkdownView &view, std::shared_ptr<const TextBuffer> text)
{
    view.resize(500, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.showNewSource(std::move(text));
    QTRY_VERIFY_WITH_TIMEOUT(!view.hasBackgroundWork(), 60000);
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    QTRY_VERIFY_WITH_TIMEOUT(!view.hasBackgroundWork(), 60000);
}

const PreviewLayout &layoutOf(const MarkdownView &view)
{
    return *static_cast<const PreviewLayout *>(view.document()->documentLayout());
}

std::vector<qreal> blockTops(const QTextDocument &document)
{
    const auto *layout = static_cast<const PreviewLayout *>(document.documentLayout());
    std::vector<qreal> tops;
    for (int number = 0; number <= document.blockCount(); ++number)
        tops.push_back(layout->blockTop(number));
    return tops;
}

// What the window shows, as painted so far: the screen keeps what each paint left.
QImage shownImage(const QWidget &window)
{
    return window.screen()->grabWindow(window.winId()).toImage();
}

} // namespace

// Stands for the desktop's handler of opened links.
class LinkSink : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }
};

class TestMarkdownView : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sampleNoteHasItsStructure()
    {
        MarkdownView view;
        view.setSource(sampleNote());
        const QTextDocument &document = *view.document();
        QList<int> kinds;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
            kinds.append(block.userState());
        using namespace preview;
        QCOMPARE(kinds,
                 (QList<int> {Heading, Paragraph, Heading, Heading, Heading,   Heading,  Heading,
                              Bullet,  Bullet,    Bullet,  Bullet,  Number,    Number,   Number,
                              Quote,   Quote,     Code,    Rule,    Paragraph, Paragraph}));

        // Headings: bold, at their pixel size, 6 px above levels 1 and 2 only.
        for (int level = 1; level <= 6; ++level) {
            const QTextBlock heading = document.findBlockByNumber(level == 1 ? 0 : level);
            const QFont font = heading.begin().fragment().charFormat().font();
            QCOMPARE(font.pixelSize(), preview::headingPixelSize(level));
            QCOMPARE(font.bold(), true);
            QCOMPARE(heading.blockFormat().topMargin(), level <= 2 ? 6.0 : 0.0);
            QCOMPARE(heading.blockFormat().bottomMargin(), qreal(preview::blockSpacing));
        }

        // Bullets hang from the glyph and step in 16 px a level; numbers keep their marker.
        const qreal topLevel = document.findBlockByNumber(7).blockFormat().leftMargin();
        QCOMPARE(document.findBlockByNumber(7).text().left(1), QStringLiteral("\u2022"));
        QCOMPARE(document.findBlockByNumber(9).blockFormat().leftMargin(), topLevel + 16);
        QCOMPARE(document.findBlockByNumber(10).blockFormat().leftMargin(), topLevel + 32);
        QCOMPARE(document.findBlockByNumber(10).blockFormat().textIndent(), -topLevel);
        QCOMPARE(document.findBlockByNumber(12).text(), "1.second, typed as one again");
        QVERIFY(document.findBlockByNumber(13).blockFormat().leftMargin()
                > document.findBlockByNumber(12).blockFormat().leftMargin()); // "10." is wider
        QCOMPARE(document.findBlockByNumber(13).blockFormat().textIndent(),
                 -document.findBlockByNumber(13).blockFormat().leftMargin());

        // Code is monospaced and verbatim, its lines kept as line breaks.
        const QTextBlock code = document.findBlockByNumber(16);
        QCOMPARE(code.text(), "let value = 1 // *not emphasis*\u2028    indented   line");
        QVERIFY(isCodeFont(code.begin().fragment().charFormat().font()));

        // Markup in the text is data.
        QCOMPARE(document.findBlockByNumber(19).text(),
                 "Raw <b>html</b> stays text, and so does # this.");
    }

    void inlineStylesReachTheDocument()
    {
        MarkdownView view;
        view.setSource("a **b** *c* `d` ~~e~~ [f](https://x.org)");
        QStringList seen;
        for (auto it = view.document()->begin().begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            seen.append(QStringLiteral("%1:%2%3%4%5%6")
                            .arg(it.fragment().text())
                            .arg(format.font().bold() ? "B" : "")
                            .arg(format.font().italic() ? "I" : "")
                            .arg(isCodeFont(format.font()) ? "M" : "")
                            .arg(format.fontStrikeOut() ? "S" : "")
                            .arg(format.anchorHref()));
        }
        QCOMPARE(seen,
                 (QStringList {"a :", "b:B", " :", "c:I", " :", "d:M", " :", "e:S", " :",
                               "f:https://x.org"}));
    }

    void editsGiveWhatAFreshViewShows_data()
    {
        QTest::addColumn<bool>("toldTheEdit");
        QTest::newRow("texts compared") << false;
        QTest::newRow("edit told") << true;
    }

    // However the text got to where it is, the view shows what a fresh one would, also when it
    // is told the edit instead of finding it.
    void editsGiveWhatAFreshViewShows()
    {
        QFETCH(bool, toldTheEdit);
        const QString note = sampleNote();
        const QStringList insertions {"x",  "\n",  "\n\n", "# ",    "- ", "```\n",
                                      "> ", "1. ", "**",   "---\n", ""};
        QRandomGenerator random(99);
        MarkdownView view;
        QString text = note;
        const auto buffer = std::make_shared<TextBuffer>(text);
        view.setSource(text);
        for (int edit = 0; edit < 300; ++edit) {
            const qsizetype at = random.bounded(text.size() + 1);
            const qsizetype removed = random.bounded(4) == 0
                ? std::min<qsizetype>(random.bounded(20), text.size() - at)
                : 0;
            const QString inserted = insertions[random.bounded(insertions.size())];
            text = text.first(at) + inserted + text.sliced(at + removed);
            buffer->replace(at, removed, inserted);
            if (toldTheEdit)
                view.setEditedSource(buffer, {at, removed, inserted.size()});
            else
                view.setSource(text);
            MarkdownView fresh;
            fresh.setSource(text);
            QCOMPARE(dump(*view.document()), dump(*fresh.document()));
        }
        view.setSource(QString());
        QCOMPARE(view.document()->toPlainText(), QString());
        view.setSource(note);
        MarkdownView fresh;
        fresh.setSource(note);
        QCOMPARE(dump(*view.document()), dump(*fresh.document()));
    }

    void editsAtTheEnds_data()
    {
        QTest::addColumn<QStringList>("sources");
        QTest::newRow("append and take away at the end")
            << QStringList {"# a\n\nb", "# a\n\nb\n\n- c", "# a\n\nb", "# a"};
        QTest::newRow("insert and take away at the start")
            << QStringList {"b\n\nc", "# a\n\nb\n\nc", "c"};
        QTest::newRow("to nothing and back") << QStringList {"a", "", "\n\n", "> q\n---"};
        QTest::newRow("one block to many") << QStringList {"x", "```\nx\n```\n# y\n- z\n1. w", "x"};
    }

    void editsAtTheEnds()
    {
        QFETCH(QStringList, sources);
        MarkdownView view;
        for (const QString &source : sources) {
            view.setSource(source);
            MarkdownView fresh;
            fresh.setSource(source);
            QCOMPARE(dump(*view.document()), dump(*fresh.document()));
        }
    }

    // A code block's box spans the column even for a short line, inside the padding.
    void codeBoxSpansTheWidth()
    {
        MarkdownView view;
        view.resize(500, 200);
        view.setSource("```\nx\n```");
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QImage shot = view.viewport()->grab().toImage();
        const QRectF code =
            view.document()->documentLayout()->blockBoundingRect(view.document()->begin());
        const int y = int(code.center().y());
        const QColor background = view.palette().color(QPalette::Base);
        const int right = view.viewport()->width() - 16;
        QCOMPARE_NE(shot.pixelColor(right - 3, y), background);
        QCOMPARE_NE(shot.pixelColor(200, y), background);
        QCOMPARE(shot.pixelColor(right + 3, y), background);
        QCOMPARE(shot.pixelColor(13, y), background);
    }

    // What the finder finds is marked in the highlight colour, in the block that holds it only,
    // and nothing is once the finder is taken away.
    void marksWhatTheFinderFinds_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<bool>("cleared");
        QTest::addColumn<bool>("marked");
        QTest::newRow("found") << "needle" << false << true;
        QTest::newRow("found in a list item") << "item" << false << true;
        QTest::newRow("not found") << "absent" << false << false;
        QTest::newRow("finder taken away") << "needle" << true << false;
    }

    void marksWhatTheFinderFinds()
    {
        QFETCH(QString, word);
        QFETCH(bool, cleared);
        QFETCH(bool, marked);
        MarkdownView view;
        QPalette palette = view.palette();
        palette.setColor(QPalette::Highlight, Qt::green);
        view.setPalette(palette);
        view.resize(500, 300);
        view.setSource("# Title\n\nSome words with a needle in them.\n\n- an item\n");
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setMarkFinder([word](QStringView text) {
            const qsizetype at = text.indexOf(word);
            return at < 0 ? QList<std::pair<int, int>> {}
                          : QList<std::pair<int, int>> {{int(at), int(word.size())}};
        });
        if (cleared)
            view.setMarkFinder({});
        QApplication::processEvents();
        const QImage shot = view.viewport()->grab().toImage();
        QRect green;
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                const QColor pixel = shot.pixelColor(x, y);
                if (pixel.green() > pixel.red() + 40 && pixel.green() > pixel.blue() + 40)
                    green |= QRect(x, y, 1, 1);
            }
        }
        QCOMPARE(!green.isEmpty(), marked);
        if (!marked)
            return;
        QTextBlock holder = view.document()->begin();
        while (!holder.text().contains(word))
            holder = holder.next();
        const QRectF bounds = view.document()->documentLayout()->blockBoundingRect(holder);
        QVERIFY(bounds.contains(green));
    }

    void longNoteOpensAtTheTop()
    {
        MarkdownView view;
        view.resize(300, 200);
        view.setSource(sampleNote());
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.resize(500, 250);
        QApplication::processEvents();
        QVERIFY(view.verticalScrollBar()->maximum() > 0);
        QCOMPARE(view.verticalScrollBar()->value(), 0);
    }

    // A long note shows its first screen at once and the rest in the background; whatever is
    // typed meanwhile, the view ends as a fresh one built at once.
    void longNoteFillsInTheBackground()
    {
        const QString note = sampleNote().repeated(200);
        MarkdownView view;
        view.resize(500, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.showNewSource(note);
        QVERIFY(view.hasBackgroundWork());
        QVERIFY(view.document()->blockCount() < 200);
        QVERIFY(view.verticalScrollBar()->maximum() > 10 * view.height());
        QCOMPARE(view.document()->begin().text(), "Level one heading");

        QString typed = note;
        typed.insert(10, u"x"); // in the first screen
        view.setSource(typed);
        typed.insert(typed.size() / 2, u"\n# heading\n"); // in what is still to come
        view.setSource(typed);
        QCOMPARE(view.source(), typed);
        QTRY_VERIFY_WITH_TIMEOUT(!view.hasBackgroundWork(), 60000);
        QCOMPARE(view.verticalScrollBar()->value(), 0);

        MarkdownView fresh;
        fresh.setSource(typed);
        QTRY_VERIFY_WITH_TIMEOUT(!fresh.hasBackgroundWork(), 60000);
        QCOMPARE(dump(*view.document()), dump(*fresh.document()));
    }

    // A long note's document holds the blocks near the view, each as it would show alone, however
    // the view got there; it lets those far from the view go as it moves on.
    void longNoteHoldsTheBlocksNearTheView_data()
    {
        QTest::addColumn<QString>("moves"); // a page down or up, or a jump to the middle or end
        QTest::newRow("paging down") << QString(160, u'd');
        QTest::newRow("jumping to the middle, then paging up") << "m" + QString(80, u'u');
        QTest::newRow("jumping to the end and back to the start") << "eus";
    }

    void longNoteHoldsTheBlocksNearTheView()
    {
        QFETCH(QString, moves);
        const QString note = numberedLongNote();
        MarkdownView view;
        view.resize(500, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.showNewSource(note);
        QTRY_VERIFY_WITH_TIMEOUT(!view.hasBackgroundWork(), 60000);
        QVERIFY(view.document()->characterCount() < note.size() / 4);
        QScrollBar *bar = view.verticalScrollBar();
        for (const QChar move : moves) {
            const int page = int(1.5 * view.viewport()->height());
            const int to = move == u'd' ? bar->value() + page
                : move == u'u'          ? bar->value() - page
                : move == u'm'          ? bar->maximum() / 2
                : move == u'e'          ? bar->maximum()
                                        : 0;
            bar->setValue(to);
            QTRY_VERIFY_WITH_TIMEOUT(!view.hasBackgroundWork(), 60000);
            const qreal top = bar->value();
            QVERIFY(layoutOf(view).blockTop(0) <= std::max(top, view.document()->documentMargin()));
            QVERIFY(layoutOf(view).blockTop(view.document()->blockCount()) >= top + view.height()
                    || view.sourceRangeOf(view.spotAt(top).place).end == note.size());
        }
        QCOMPARE(firstMisshownBlock(view, note), QString());
        QVERIFY(view.document()->characterCount() < 250'000);
        if (moves.endsWith(u's'))
            QCOMPARE(view.document()->begin().text(), "Part 0000");
    }

    // Text put in or taken out before the document's blocks moves them along; an edit that
    // reaches into them starts them again there.
    void editsBeforeTheBlocksHeld_data()
    {
        QTest::addColumn<qsizetype>("at");
        QTest::addColumn<qsizetype>("removed");
        QTest::addColumn<QString>("inserted");
        QTest::newRow("heading put in at the top") << qsizetype(0) << qsizetype(0) << "# New\n\n";
        QTest::newRow("first part taken out") << qsizetype(0) << qsizetype(900) << QString();
        QTest::newRow("into the blocks held") << qsizetype(1000) << qsizetype(200'000) << "x";
        QTest::newRow("all from before them taken out") << qsizetype(1000) << qsizetype(-1) << "";
    }

    void editsBeforeTheBlocksHeld()
    {
        QFETCH(qsizetype, at);
        QFETCH(qsizetype, removed);
        QFETCH(QString, inserted);
        QString text = numberedLongNote();
        const auto buffer = std::make_shared<TextBuffer>(text);
        MarkdownView view;
        showTheMiddle(view, buffer);
        if (QTest::currentTestFailed())
            return;

        if (removed < 0)
            removed = text.size() - at;
        text.replace(at, removed, inserted);
        buffer->replace(at, removed, inserted);
        view.setEditedSource(buffer, {at, removed, inserted.size()});
        QTRY_VERIFY_WITH_TIMEOUT(!view.hasBackgroundWork(), 60000);
        QCOMPARE(firstMisshownBlock(view, text), QString());
    }

    // The keys for the start and the end of the text go to those of the note, which a long
    // note's document does not hold.
    void keysReachTheEndsOfALongNote()
    {
        const QString note = numberedLongNote();
        MarkdownView view;
        showTheMiddle(view, std::make_shared<const TextBuffer>(note));
        if (QTest::currentTestFailed())
            return;

        QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(!view.hasBackgroundWork(), 60000);
        MarkdownView sample;
        sample.setSource(sampleNote());
        QCOMPARE(view.textCursor().block().text(), sample.document()->lastBlock().text());
        QVERIFY(view.textCursor().atEnd());

        QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(!view.hasBackgroundWork(), 60000);
        QCOMPARE(view.textCursor().block().text(), "Part 0000");
        QCOMPARE(view.verticalScrollBar()->value(), 0);
    }

    // Everything selected is copied, also the parts of a long note its document does not hold.
    void selectingAllCopiesAllOfALongNote()
    {
        const QString note = numberedLongNote();
        MarkdownView view;
        showTheMiddle(view, std::make_shared<const TextBuffer>(note));
        if (QTest::currentTestFailed())
            return;
        view.selectAll();
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->value() - view.height());
        QTRY_VERIFY_WITH_TIMEOUT(!view.hasBackgroundWork(), 60000);
        view.copy();
        const QString copied = QApplication::clipboard()->text();
        qsizetype from = 0;
        for (int part = 0; part < 450; ++part) {
            from =
                copied.indexOf(QStringLiteral("Part %1").arg(part, 4, 10, QLatin1Char('0')), from);
            QVERIFY2(from >= 0, qPrintable(QString::number(part)));
        }
        MarkdownView sample;
        sample.setSource(sampleNote());
        QVERIFY(copied.endsWith(sample.document()->lastBlock().text()));
    }

    // Another note takes the view at once, from its top with nothing selected, and nothing of the
    // note before can be seen, marked or found while that one is taken down in the background.
    void switchingAwayLeavesNothingOfTheOldNote_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        const QString old = QStringLiteral("Zyzzyva\n\n") + sampleNote();
        const QString other = QStringLiteral("Quokka\n\n") + sampleNote();
        QTest::newRow("long to short") << old.repeated(100) << QStringLiteral("# Quokka\n");
        QTest::newRow("long to long") << old.repeated(100) << other.repeated(100);
        QTest::newRow("short to long") << old << other.repeated(100);
    }

    void switchingAwayLeavesNothingOfTheOldNote()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        MarkdownView view;
        view.resize(500, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.showNewSource(before);
        QTRY_VERIFY_WITH_TIMEOUT(!view.hasBackgroundWork(), 60000);
        QStringList marked;
        view.setMarkFinder([&marked](QStringView text) {
            marked.append(text.toString());
            return QList<std::pair<int, int>>();
        });
        view.selectAll();
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);

        view.showNewSource(after);
        marked.clear();
        view.viewport()->grab();
        QVERIFY(!marked.isEmpty());
        QVERIFY(!marked.join(u' ').contains(u"Zyzzyva"));
        QVERIFY(!view.textCursor().hasSelection());
        QCOMPARE(view.verticalScrollBar()->value(), 0);
        QVERIFY(view.document()->find(QStringLiteral("Zyzzyva")).isNull());

        QTRY_VERIFY_WITH_TIMEOUT(!view.hasBackgroundWork(), 60000);
        MarkdownView fresh;
        fresh.setSource(after);
        QTRY_VERIFY_WITH_TIMEOUT(!fresh.hasBackgroundWork(), 60000);
        QCOMPARE(dump(*view.document()), dump(*fresh.document()));
        QCOMPARE(view.findChildren<QTextDocument *>(), QList<QTextDocument *> {view.document()});
    }

    // Blocks out of sight are measured without keeping their lines. Each is as tall as when every
    // block is laid out with its lines, and showing it moves nothing.
    void blocksOutOfSightMeasureAsLaidOut_data()
    {
        QTest::addColumn<QString>("block");
        QTest::newRow("heading") << "# A heading that is long enough to wrap in a narrow view";
        QTest::newRow("small heading") << "### Small heading";
        QTest::newRow("paragraph")
            << QStringLiteral("Words, **strong**, `code` and a [link](https://example.org). ")
                   .repeated(4);
        QTest::newRow("code") << "```\nint main()\n{\n    return 0;\n}\n```";
        QTest::newRow("quote") << "> A quoted line that goes on long enough to wrap once or twice.";
        QTest::newRow("bullets")
            << "- item\n  - a nested item long enough to wrap in the view\n- end";
        QTest::newRow("numbers") << "1. first\n2. a second item long enough to wrap in the view";
        QTest::newRow("rule") << "---";
        QTest::newRow("right to left")
            << QStringLiteral("שלום עולם, זו פסקה ארוכה למדי שנשברת לכמה שורות. ").repeated(3);
        QTest::newRow("long word") << QString(700, u'w');
        QTest::newRow("CJK") << QStringLiteral("漢字とかなの文章が続きます。").repeated(12);
    }

    void blocksOutOfSightMeasureAsLaidOut()
    {
        QFETCH(QString, block);
        MarkdownView view;
        view.resize(320, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QString unit = block + QStringLiteral("\n\nA paragraph between.");
        view.showNewSource(QStringList(200, unit).join(QStringLiteral("\n\n")));
        QTRY_VERIFY_WITH_TIMEOUT(!view.hasBackgroundWork(), 60000);
        QTextDocument *document = view.document();
        int lineless = 0;
        for (QTextBlock each = document->begin(); each.isValid(); each = each.next())
            lineless += each.layout()->lineCount() == 0 ? 1 : 0;
        QVERIFY(lineless > document->blockCount() / 2);
        const std::vector<qreal> measured = blockTops(*document);

        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
        view.viewport()->grab();
        QVERIFY(document->findBlockByNumber(document->blockCount() - 2).layout()->lineCount() > 0);
        QCOMPARE(blockTops(*document), measured);

        // Another width and back leaves every block waiting; all of them in sight at once keep
        // their lines.
        const QSizeF page = document->pageSize();
        document->setPageSize(page + QSizeF(1, 0));
        document->setPageSize(page);
        auto *layout = static_cast<PreviewLayout *>(document->documentLayout());
        layout->layOutRange(0, layout->documentSize().height());
        QVERIFY(!layout->hasStaleBlocks());
        QVERIFY(document->findBlockByNumber(1).layout()->lineCount() > 0);
        QCOMPARE(blockTops(*document), measured);
    }

    // A new width lays out what is in sight first; the block at the top of the view stays there
    // while the rest is laid out.
    void widthChangeKeepsTheViewInPlace()
    {
        MarkdownView view;
        view.resize(500, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.showNewSource(sampleNote().repeated(100));
        QTRY_VERIFY_WITH_TIMEOUT(!view.hasBackgroundWork(), 60000);
        auto *layout = view.document()->documentLayout();
        const QTextBlock target = view.document()->findBlockByNumber(1000);
        view.verticalScrollBar()->setValue(int(layout->blockBoundingRect(target).top()));
        QApplication::processEvents();

        view.resize(300, 400);
        QApplication::processEvents();
        QVERIFY(view.hasBackgroundWork());
        QTRY_VERIFY_WITH_TIMEOUT(!view.hasBackgroundWork(), 60000);
        QCOMPARE(view.verticalScrollBar()->value(), int(layout->blockBoundingRect(target).top()));
        QCOMPARE(layout->blockBoundingRect(target).width(), view.viewport()->width());
    }

    // A keystroke paints again only what it changed: the window then shows what painting all of
    // it shows, and the blocks stand where a fresh layout puts them.
    void typingPaintsWhatAFullPaintShows_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("atTheEnd");
        QTest::addColumn<bool>("selecting");
        const QString words = QStringLiteral("words that run on for a while in the paragraph ");
        const QString note = "# Title\n\nFirst " + words.repeated(6) + "end.\n\n> quoted "
            + words.repeated(2) + "\n\n```\ncode line\nmore code\n```\n\n- item "
            + words.repeated(2) + "\n\n" + QStringLiteral("Filler paragraph.\n\n").repeated(40)
            + "Last " + words.repeated(3);
        auto edited = [&](const QString &after, const QString &text) {
            QString result = note;
            return result.replace(after, after + text);
        };
        QTest::newRow("letter in a line") << note << edited("First words", "x") << false << false;
        QTest::newRow("word moving to the next line")
            << note << edited("First", QStringLiteral(" longer").repeated(3)) << false << false;
        QTest::newRow("emphasis over lines")
            << QString(note).replace("First ", "First *")
            << QString(note).replace("First ", "First *").replace(" end.", " end*.") << false
            << false;
        QTest::newRow("line added") << note << edited(" end.", " " + words) << false << false;
        QTest::newRow("line taken away") << edited(" end.", " " + words) << note << false << false;
        QTest::newRow("quote") << note << edited("> quoted", "x") << false << false;
        QTest::newRow("code") << note << edited("code line", "x") << false << false;
        QTest::newRow("item") << note << edited("- item", "x") << false << false;
        QTest::newRow("heading") << note << edited("# Title", "x") << false << false;
        QTest::newRow("end of the last block")
            << note << note + QStringLiteral("\nx") << true << false;
        QTest::newRow("letter at the end") << note << note + QStringLiteral("x") << true << false;
        QTest::newRow("block added at the end")
            << note << note + QStringLiteral("\n\nx") << true << false;
        QTest::newRow("block taken away at the end")
            << note + QStringLiteral("\n\n- x\n\ny") << note << true << false;
        QTest::newRow("block added in the middle")
            << note << edited(" end.", QStringLiteral("\n\n## x")) << false << false;
        QTest::newRow("blocks taken away in the middle")
            << edited(" end.", QStringLiteral("\n\n## x\n\n---")) << note << false << false;
        QTest::newRow("selection ending in the block")
            << note << edited("First words", "x") << false << true;
        QTest::newRow("block added after a selection")
            << note << edited(" end.", QStringLiteral("\n\n## x")) << false << true;
    }

    void typingPaintsWhatAFullPaintShows()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(bool, atTheEnd);
        QFETCH(bool, selecting);
        MarkdownView view;
        view.resize(320, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setSource(before);
        QTRY_VERIFY(!view.hasBackgroundWork());
        if (atTheEnd)
            view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
        if (selecting) {
            QTextCursor selection(view.document());
            selection.setPosition(view.document()->findBlockByNumber(1).position() + 30,
                                  QTextCursor::KeepAnchor);
            view.setTextCursor(selection);
        }
        QApplication::processEvents();

        view.setSource(after);
        QApplication::processEvents();
        const QImage painted = shownImage(view);
        for (QWidget *widget : view.findChildren<QWidget *>())
            widget->update();
        QApplication::processEvents();
        QCOMPARE(painted, shownImage(view));
        MarkdownView fresh;
        fresh.resize(view.size());
        fresh.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fresh));
        fresh.setSource(after);
        QTRY_VERIFY(!fresh.hasBackgroundWork());
        QCOMPARE(blockTops(*view.document()), blockTops(*fresh.document()));
    }

    // The preview's scroll bar paints again only where it changed, and then shows what painting
    // all of it shows.
    void scrollBarPaintsWhatAFullPaintShows_data()
    {
        QTest::addColumn<int>("endBefore");
        QTest::addColumn<int>("valueBefore");
        QTest::addColumn<int>("endAfter");
        QTest::addColumn<int>("valueAfter");
        QTest::newRow("a line more at the end") << 2000 << 2000 << 2024 << 2000;
        QTest::newRow("a line less at the end") << 2024 << 2000 << 2000 << 2000;
        QTest::newRow("a line more in the middle") << 2000 << 1000 << 2024 << 1000;
        QTest::newRow("far down") << 100000 << 0 << 100000 << 60000;
        QTest::newRow("to the start") << 100000 << 60000 << 100000 << 0;
        QTest::newRow("shorter than the place") << 100000 << 90000 << 500 << 500;
        QTest::newRow("to nothing to scroll") << 100000 << 100000 << 0 << 0;
        QTest::newRow("from nothing to scroll") << 0 << 0 << 2000 << 0;
    }

    void scrollBarPaintsWhatAFullPaintShows()
    {
        QFETCH(int, endBefore);
        QFETCH(int, valueBefore);
        QFETCH(int, endAfter);
        QFETCH(int, valueAfter);
        SteadyScrollBar bar(Qt::Vertical);
        bar.resize(bar.sizeHint().width(), 300);
        bar.setPageStep(300);
        bar.setRange(0, endBefore);
        bar.setValue(valueBefore);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QApplication::processEvents();

        bar.setRange(0, endAfter);
        bar.setValue(valueAfter);
        QApplication::processEvents();
        const QImage painted = shownImage(bar);
        bar.update();
        QApplication::processEvents();
        QCOMPARE(painted, shownImage(bar));
    }

    // Hostile texts: each is shown, painted and laid out without freezing the program.
    void hostileTextShows_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("begins");
        QTest::newRow("5 MB line") << QString(5'000'000, u'a') << "aaaa";
        QTest::newRow("5 MB of emphasis")
            << QStringLiteral("_a_ ").repeated(1'250'000) << "_a_ _a_";
        QTest::newRow("entities") << QStringLiteral("&amp;&#1234;&notanentity;").repeated(100'000)
                                  << "&amp;&#1234;";
        QTest::newRow("long code block")
            << QStringLiteral("```\n") + QStringLiteral("x = 1\n").repeated(100'000) + "```"
            << "x = 1";
    }

    void hostileTextShows()
    {
        QFETCH(QString, text);
        QFETCH(QString, begins);
        MarkdownView view;
        view.resize(500, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.showNewSource(text);
        QTRY_VERIFY_WITH_TIMEOUT(!view.hasBackgroundWork(), 120000);
        const QTextBlock first = view.document()->begin();
        QVERIFY(first.text().startsWith(begins));
        QVERIFY(first.text().endsWith("characters of this block are not shown.)"));
        QVERIFY(first.layout()->lineCount() > 1);
        view.viewport()->grab();
        view.setSource(text + u'!');
        QTRY_VERIFY_WITH_TIMEOUT(!view.hasBackgroundWork(), 120000);
        QVERIFY(view.document()->begin().text().startsWith(begins));
    }

    void dragSelectsText()
    {
        MarkdownView view;
        view.resize(500, 200);
        view.setSource("first words here\n\nsecond");
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QTextBlock first = view.document()->begin();
        const QPoint start = view.cursorRect(QTextCursor(first)).center();
        QTextCursor end(first);
        end.movePosition(QTextCursor::EndOfBlock);
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, start);
        QTest::mouseMove(view.viewport(), view.cursorRect(end).center());
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, view.cursorRect(end).center());
        QCOMPARE(view.textCursor().selectedText(), "first words here");
    }

    void textCanBeSelectedAndCopied()
    {
        MarkdownView view;
        view.setSource("# Title\n\nsome *text*\n\n```\ncode\n```");
        QVERIFY(view.textInteractionFlags() & Qt::TextSelectableByMouse);
        view.selectAll();
        QCOMPARE(view.textCursor().selection().toPlainText(), "Title\nsome text\ncode");
    }

    void onlyWebAndMailLinksOpen_data()
    {
        QTest::addColumn<QString>("href");
        QTest::addColumn<bool>("opens");
        QTest::newRow("https") << "https://example.org/a" << true;
        QTest::newRow("http") << "http://example.org" << true;
        QTest::newRow("mailto") << "mailto:me@example.org" << true;
        QTest::newRow("file") << "file:///etc/passwd" << false;
        QTest::newRow("javascript") << "javascript:alert(1)" << false;
        QTest::newRow("relative") << "notes/other.md" << false;
    }

    void onlyWebAndMailLinksOpen()
    {
        QFETCH(QString, href);
        QFETCH(bool, opens);
        LinkSink sink;
        const QStringList schemes {"http", "https", "mailto", "file"};
        for (const QString &scheme : schemes)
            QDesktopServices::setUrlHandler(scheme, &sink, "open");
        const auto unset = qScopeGuard([&] {
            for (const QString &scheme : schemes)
                QDesktopServices::unsetUrlHandler(scheme);
        });

        MarkdownView view;
        view.resize(400, 200);
        view.setSource(QStringLiteral("[a link that is long enough to hit](%1)").arg(href));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy activated(&view, &MarkdownView::linkActivated);
        const QPoint onLink =
            view.cursorRect(QTextCursor(view.document()->findBlockByNumber(0))).center()
            + QPoint(20, 0);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, onLink);
        QCOMPARE(activated.count(), opens ? 1 : 0);
        QCOMPARE(sink.opened, opens ? QList<QUrl> {QUrl(href)} : QList<QUrl> {});
    }
};

QTEST_MAIN(TestMarkdownView)
#include "tst_markdownview.moc"
