// penwick_bench: prints figures, each beside the comparison made in the same run. It never
// judges them; the goals are in the issues that set them.
#include "bench/samplenote.h"
#include "markdown/block.h"
#include "markdown/markdownview.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QTextDocument>

#include <malloc.h>
#include <md4c-html.h>
#include <md4c.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double secondsOf(const std::function<void()> &work)
{
    QElapsedTimer run;
    run.start();
    work();
    return run.nsecsElapsed() / 1e9;
}

// Runs the pieces of work in turn for at least half a second, so that whatever else the machine
// does slows all alike, and keeps the best time of each: the run least disturbed is the
// steadiest figure on a shared machine.
std::vector<double> bestOfAlternating(const std::vector<std::function<void()>> &works)
{
    std::vector<double> best(works.size(), 1e9);
    QElapsedTimer total;
    total.start();
    for (int runs = 0; runs < 10 || (total.elapsed() < 500 && runs < 2000); ++runs) {
        for (size_t i = 0; i < works.size(); ++i)
            best[i] = std::min(best[i], secondsOf(works[i]));
    }
    return best;
}

int ignoreBlock(MD_BLOCKTYPE, void *, void *)
{
    return 0;
}
int ignoreSpan(MD_SPANTYPE, void *, void *)
{
    return 0;
}
int ignoreText(MD_TEXTTYPE, const MD_CHAR *, MD_SIZE, void *)
{
    return 0;
}

void md4cParse(const QByteArray &utf8)
{
    MD_PARSER parser {};
    parser.flags = MD_FLAG_NOHTML | MD_FLAG_STRIKETHROUGH | MD_FLAG_PERMISSIVEAUTOLINKS;
    parser.enter_block = ignoreBlock;
    parser.leave_block = ignoreBlock;
    parser.enter_span = ignoreSpan;
    parser.leave_span = ignoreSpan;
    parser.text = ignoreText;
    md_parse(utf8.constData(), static_cast<MD_SIZE>(utf8.size()), &parser, nullptr);
}

// Freeing the blocks is timed on its own: the allocator's cost of returning one string a block
// grows faster than the text, and it is not the parser's.
void benchParse(const char *condition)
{
    std::printf("%s\n", condition);
    for (const int lines : {1000, 10000, 100000}) {
        const QString note = sampleNote(lines);
        const QByteArray utf8 = note.toUtf8();
        const double megabytes = utf8.size() / 1e6;
        QList<markdown::Block> blocks;
        const std::vector<double> best = bestOfAlternating({
            [&] { blocks = markdown::parse(note); },
            [&] { blocks = {}; },
            [&] { md4cParse(utf8); },
        });
        const double ours = megabytes / best[0];
        const double md4c = megabytes / best[2];
        std::printf(
            "  parse %6d lines (%.2f MB): %6.1f MB/s; md4c full parse %6.1f MB/s; ours/md4c "
            "%.2f; freeing the %lld blocks after it adds %.0f%%\n",
            lines, megabytes, ours, md4c, ours / md4c,
            static_cast<long long>(markdown::parse(note).size()), 100 * best[1] / best[0]);
    }
}

struct Spread
{
    double median;
    double p95;
};

Spread spreadOf(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples[samples.size() * 95 / 100]};
}

// What Qt Markdown editors usually do on every keystroke: the whole note to HTML with md4c,
// then into a rich-text document and laid out.
double viaHtmlSeconds(const QString &note, int width)
{
    return secondsOf([&] {
        QByteArray html;
        const QByteArray utf8 = note.toUtf8();
        md_html(
            utf8.constData(), MD_SIZE(utf8.size()),
            [](const MD_CHAR *text, MD_SIZE size, void *sink) {
                static_cast<QByteArray *>(sink)->append(text, size);
            },
            &html, MD_FLAG_NOHTML | MD_FLAG_STRIKETHROUGH, 0);
        QTextDocument document;
        document.setTextWidth(width);
        document.setHtml(QString::fromUtf8(html));
        document.documentLayout()->documentSize();
    });
}

// One character typed in the middle of the note and taken away again, each a keystroke timed
// from setSource to the whole document laid out again.
void benchPreview()
{
    std::printf("Preview, one keystroke in the middle of the note, to the view laid out:\n");
    constexpr int width = 700;
    for (const int lines : {1000, 10000, 100000}) {
        const QString note = sampleNote(lines);
        MarkdownView view;
        view.resize(width, 900);
        view.show();
        view.setSource(note);
        view.document()->documentLayout()->documentSize();
        QApplication::processEvents();

        const qsizetype middle = note.indexOf(u' ', note.size() / 2);
        const QString typed = note.first(middle) + u'x' + note.sliced(middle);
        std::vector<double> keystrokes;
        for (int i = 0; i < 200; ++i) {
            keystrokes.push_back(secondsOf([&] {
                view.setSource(i % 2 == 0 ? typed : note);
                view.document()->documentLayout()->documentSize();
            }));
            QApplication::processEvents();
        }
        const Spread ours = spreadOf(keystrokes);
        std::vector<double> html;
        for (int i = 0; i < (lines >= 100000 ? 3 : 15); ++i)
            html.push_back(viaHtmlSeconds(i % 2 == 0 ? typed : note, width));
        const Spread usual = spreadOf(html);
        std::printf("  %6d lines: median %7.3f ms, 95th percentile %7.3f ms; md4c to HTML to "
                    "QTextDocument, median %8.1f ms; usual/ours %6.0fx\n",
                    lines, ours.median * 1e3, ours.p95 * 1e3, usual.median * 1e3,
                    usual.median / ours.median);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchParse("Block parser, glibc's default allocator settings:");
    // glibc gives freed memory back to the kernel once 128 KB lie free at the top of the heap, so
    // after a large note's blocks are freed the next parse faults every page in again. Keeping
    // freed memory shows how much of the figure above is that and how much is parsing.
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    benchParse("Block parser, freed memory kept by the allocator (M_TRIM_THRESHOLD 256 MB):");
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
    benchPreview();
    return 0;
}
