// penwick_bench: prints figures, each beside the comparison made in the same run. It never
// judges them; the goals are in the issues that set them.
#include "app/contentview.h"
#include "app/markdownhighlighter.h"
#include "app/noteeditor.h"
#include "app/statuscounts.h"
#include "bench/samplenote.h"
#include "markdown/block.h"
#include "markdown/inline.h"
#include "platform/allocator.h"
#include "platform/fileservices.h"
#include "preview/markdownview.h"
#include "preview/previewlayout.h"
#include "search/notesearch.h"
#include "store/notestore.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QProcess>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QThread>
#include <QTimer>

#include <malloc.h>
#include <md4c-html.h>
#include <md4c.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
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
        while (view.hasBackgroundWork())
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

QString makeNotes(const QTemporaryDir &documents, int count, const QString &text)
{
    const QString folder = documents.path() + QStringLiteral("/Penwick");
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        QFile file(folder + QStringLiteral("/note %1.md").arg(i));
        if (file.open(QIODevice::WriteOnly))
            file.write(text.toUtf8());
    }
    return folder;
}

// The store made and the first window on the screen, against listing the folder alone.
void benchStartUp()
{
    std::printf("Start-up and listing:\n");
    for (const int count : {0, 1000, 10000}) {
        QTemporaryDir documents;
        makeNotes(documents, count, QStringLiteral("# A note\n\nWith a line of text.\n"));
        std::vector<double> startUps;
        for (int run = 0; run < 5; ++run) {
            startUps.push_back(secondsOf([&] {
                NoteStore store(documents.path());
                ContentView window(&store);
                window.show();
                QApplication::processEvents();
            }));
        }
        NoteStore store(documents.path());
        std::vector<double> reloads;
        for (int run = 0; run < 20; ++run)
            reloads.push_back(secondsOf([&] { store.reload(); }));
        // What the window waits for of the search: making it, which starts the reading.
        std::vector<double> searches;
        for (int run = 0; run < 20; ++run)
            searches.push_back(secondsOf([&] { NoteSearch search(&store); }));
        const double startUp = spreadOf(startUps).median;
        const double reload = spreadOf(reloads).median;
        const double search = spreadOf(searches).median;
        std::printf("  %5d notes: store made to first window shown %7.1f ms; reload() %6.2f ms; "
                    "listing is %.0f%% of start-up; making the search %.2f ms, %.0f%%\n",
                    count, startUp * 1e3, reload * 1e3, startUp > 0 ? 100 * reload / startUp : 0,
                    search * 1e3, startUp > 0 ? 100 * search / startUp : 0);
    }
}

double threadCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// The main thread's CPU time for the work and for all that follows it within a second.
double cpuWithASecondAfter(const std::function<void()> &work)
{
    const double start = threadCpuSeconds();
    work();
    QEventLoop settling;
    QTimer::singleShot(1000, &settling, &QEventLoop::quit);
    settling.exec();
    return threadCpuSeconds() - start;
}

// The main thread's CPU time for one edit left to the autosave (the edit, the write, the sidebar's
// update and the folder watcher's look at that write, all within a second) and for the `other`
// work that follows each edit, with its second. Medians of ten.
std::pair<double, double> editAndOtherCpuSeconds(int count,
                                                 const std::function<void(NoteStore &)> &other)
{
    QTemporaryDir documents;
    makeNotes(documents, count, QStringLiteral("# A note\n\nWith a line of text.\n"));
    NoteStore store(documents.path());
    ContentView window(&store);
    window.show();
    QApplication::processEvents();
    std::vector<double> saves;
    std::vector<double> others;
    for (int run = 0; run < 10; ++run) {
        saves.push_back(cpuWithASecondAfter([&] { store.setText(store.text() + u'x'); }));
        others.push_back(cpuWithASecondAfter([&] { other(store); }));
    }
    return {spreadOf(saves).median, spreadOf(others).median};
}

// Each edit followed by one reload() and all that follows it.
std::pair<double, double> autosaveAndReloadCpuSeconds(int count)
{
    return editAndOtherCpuSeconds(count, [](NoteStore &store) { store.reload(); });
}

// Each edit against a second of the window left alone: its caret blinks and repaints either way,
// which is not the autosave's work, and a reload()'s work that runs on past its second falls into
// the next edit's in the line above.
std::pair<double, double> editAndIdleCpuSeconds(int count)
{
    return editAndOtherCpuSeconds(count, [](NoteStore &) {});
}

// Against one reload(), and against the same with one note in the folder: what the folder's size
// still costs.
void benchAutosave()
{
    std::printf("Autosave in a big folder, the window open (main thread CPU):\n");
    constexpr int count = 10000;
    const auto [save, reload] = autosaveAndReloadCpuSeconds(count);
    const double oneNote = autosaveAndReloadCpuSeconds(1).first;
    std::printf("  %5d notes: an edit, its autosave and all that follows %6.2f ms; "
                "one reload() and all that follows %6.2f ms; reload/autosave %.1fx; "
                "the same edit with one note %6.2f ms; %d/one %.2f\n",
                count, save * 1e3, reload * 1e3, save > 0 ? reload / save : 0, oneNote * 1e3, count,
                oneNote > 0 ? save / oneNote : 0);
    const auto [edit, idle] = editAndIdleCpuSeconds(count);
    std::printf("  %5d notes, no reload() between: an edit, its autosave and all that follows "
                "%6.2f ms; the window left alone as long %6.2f ms; the edit's own share %6.2f ms\n",
                count, edit * 1e3, idle * 1e3, (edit - idle) * 1e3);
}

double cpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// A character typed and taken away again in the middle of the editor, with the events that
// follow (painting included) handled; CPU time per keystroke.
std::vector<double> keystrokeCpuSeconds(QWidget *editor, int count)
{
    std::vector<double> samples;
    for (int i = 0; i < count; ++i) {
        const bool typing = i % 2 == 0;
        const int key = typing ? Qt::Key_X : Qt::Key_Backspace;
        const QString text = typing ? QStringLiteral("x") : QString(QChar(8));
        const double before = cpuSeconds();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(editor, &press);
        QApplication::sendEvent(editor, &release);
        QApplication::processEvents();
        samples.push_back(cpuSeconds() - before);
    }
    return samples;
}

// The longest pass of the event loop, on the clock and in the main thread's CPU time, which
// other programs on a shared machine do not stretch.
struct Turn
{
    double wall = 0;
    double cpu = 0;
};

Turn longer(const Turn &a, const Turn &b)
{
    return {std::max(a.wall, b.wall), std::max(a.cpu, b.cpu)};
}

Turn timedTurn(const std::function<void()> &work)
{
    const double cpu = threadCpuSeconds();
    const double wall = secondsOf(work);
    return {wall, threadCpuSeconds() - cpu};
}

// Events handled until the preview has nothing left to do and the editor has stopped wrapping
// (the number of its lines on screen stays the same). Returns the longest pass of the event loop.
Turn runUntilIdle(const MarkdownView *preview, const QsciScintilla *editor)
{
    Turn longest;
    long lastDisplayLines = -1;
    for (int steady = 0; steady < 5;) {
        longest = longer(longest, timedTurn([] { QApplication::processEvents(); }));
        const long displayLines =
            editor->SendScintilla(QsciScintilla::SCI_VISIBLEFROMDOCLINE,
                                  editor->SendScintilla(QsciScintilla::SCI_GETLINECOUNT));
        const bool busy =
            displayLines != lastDisplayLines || (preview && preview->hasBackgroundWork());
        steady = busy ? 0 : steady + 1;
        lastDisplayLines = displayLines;
        if (!busy)
            QThread::msleep(10);
    }
    return longest;
}

// The median of each figure of the turns.
Turn medianTurn(const std::vector<Turn> &turns)
{
    std::vector<double> walls, cpus;
    for (const Turn &turn : turns) {
        walls.push_back(turn.wall);
        cpus.push_back(turn.cpu);
    }
    return {spreadOf(walls).median, spreadOf(cpus).median};
}

// The median longest turn beside the median time of the usual way of doing the same work.
void printTurnAgainst(const std::vector<Turn> &ours, const char *usual,
                      const std::vector<double> &usualSeconds, const char *ratioName)
{
    const Turn turn = medianTurn(ours);
    const double usualMedian = spreadOf(usualSeconds).median;
    std::printf("  longest turn %6.1f ms (%6.1f ms CPU); %s %6.1f ms; %s %.2f\n", turn.wall * 1e3,
                turn.cpu * 1e3, usual, usualMedian * 1e3, ratioName, turn.wall / usualMedian);
}

void placeCursorInTheMiddle(NoteEditor *editor)
{
    const long middle = editor->SendScintilla(QsciScintilla::SCI_GETLENGTH) / 2;
    editor->SendScintilla(QsciScintilla::SCI_GOTOPOS, middle);
    editor->setFocus();
}

void benchKeystroke()
{
    std::printf("Keystroke, CPU time, 10000-line note:\n");
    const QString note = sampleNote(10000);
    QTemporaryDir documents;
    makeNotes(documents, 1, note);
    NoteStore store(documents.path());
    ContentView window(&store);
    window.resize(1200, 800);
    window.show();
    QApplication::processEvents();
    placeCursorInTheMiddle(window.editor());

    NoteEditor bare;
    bare.resize(480, 800);
    bare.setNoteText(note, false);
    bare.show();
    QApplication::processEvents();
    placeCursorInTheMiddle(&bare);

    runUntilIdle(window.preview(), window.editor());
    runUntilIdle(nullptr, &bare);
    const Spread ours = spreadOf(keystrokeCpuSeconds(window.editor(), 200));
    const Spread alone = spreadOf(keystrokeCpuSeconds(&bare, 200));
    std::printf(
        "  editor, store and preview: median %.3f ms, 95th percentile %.3f ms; bare editor: "
        "median %.3f ms; ours/bare %.2f\n",
        ours.median * 1e3, ours.p95 * 1e3, alone.median * 1e3, ours.median / alone.median);
    store.flush();
}

// The bare editor takes a long note as the issue that set the goal found fastest: with word wrap
// off, turned on afterwards.
void loadBare(QsciScintilla *bare, const QByteArray &utf8)
{
    bare->SendScintilla(QsciScintilla::SCI_SETWRAPMODE, QsciScintilla::SC_WRAP_NONE);
    bare->SendScintilla(QsciScintilla::SCI_SETTEXT, utf8.constData());
    bare->SendScintilla(QsciScintilla::SCI_SETWRAPMODE, QsciScintilla::SC_WRAP_WORD);
}

// Selecting a long note in the sidebar until the editor and the preview are painted, then until
// all background work (wrapping, layout) is done; against a bare QsciScintilla given the same
// text.
void benchOpening(std::initializer_list<int> lineCounts = {10000, 100000})
{
    std::printf(
        "Opening a note of 79-character lines, selected to painted, then to all work done:\n");
    for (const int lines : lineCounts) {
        const QString note = fullLineNote(lines);
        const QByteArray utf8 = note.toUtf8();
        QTemporaryDir documents;
        const QString folder = makeNotes(documents, 0, QString());
        QFile big(folder + QStringLiteral("/big.md"));
        if (big.open(QIODevice::WriteOnly))
            big.write(utf8);
        big.setFileTime(QDateTime::currentDateTime().addDays(-1),
                        QFileDevice::FileModificationTime);
        big.close();
        QFile small(folder + QStringLiteral("/small.md"));
        if (small.open(QIODevice::WriteOnly))
            small.write("# Small\n");
        small.close();

        NoteStore store(documents.path());
        ContentView window(&store);
        window.resize(1200, 800);
        window.show();
        runUntilIdle(window.preview(), window.editor());
        // All work done also in the main thread's CPU time, which other programs on a shared
        // machine do not stretch.
        std::vector<double> painted, done, doneCpu;
        std::vector<Turn> longest;
        for (int run = 0; run < 3; ++run) {
            store.setSelection(QStringLiteral("small"));
            runUntilIdle(window.preview(), window.editor());
            QElapsedTimer clock;
            clock.start();
            const double cpu = threadCpuSeconds();
            store.setSelection(QStringLiteral("big"));
            QApplication::processEvents();
            painted.push_back(clock.nsecsElapsed() / 1e9);
            longest.push_back(runUntilIdle(window.preview(), window.editor()));
            done.push_back(clock.nsecsElapsed() / 1e9);
            doneCpu.push_back(threadCpuSeconds() - cpu);
        }

        QsciScintilla bare;
        bare.setUtf8(true);
        bare.resize(480, 800);
        bare.show();
        std::vector<double> barePainted, bareDone, bareDoneCpu;
        for (int run = 0; run < 3; ++run) {
            bare.SendScintilla(QsciScintilla::SCI_CLEARALL);
            runUntilIdle(nullptr, &bare);
            QElapsedTimer clock;
            clock.start();
            const double cpu = threadCpuSeconds();
            loadBare(&bare, utf8);
            QApplication::processEvents();
            barePainted.push_back(clock.nsecsElapsed() / 1e9);
            runUntilIdle(nullptr, &bare);
            bareDone.push_back(clock.nsecsElapsed() / 1e9);
            bareDoneCpu.push_back(threadCpuSeconds() - cpu);
        }
        const double ours = spreadOf(painted).median;
        const double alone = spreadOf(barePainted).median;
        std::printf("  %6d lines (%.1f MB): painted %6.1f ms, all done %5.2f s (%5.2f s CPU), "
                    "longest turn after painting %5.1f ms (%5.1f ms CPU); bare QsciScintilla "
                    "painted %6.1f ms, wrapped %5.2f s (%5.2f s CPU); ours/bare painted %.2f, "
                    "done %.2f\n",
                    lines, utf8.size() / 1e6, ours * 1e3, spreadOf(done).median,
                    spreadOf(doneCpu).median, medianTurn(longest).wall * 1e3,
                    medianTurn(longest).cpu * 1e3, alone * 1e3, spreadOf(bareDone).median,
                    spreadOf(bareDoneCpu).median, ours / alone,
                    spreadOf(done).median / spreadOf(bareDone).median);
    }
}

// What a keystroke's figure takes in: the events the key posts (the store, the preview,
// painting), or its whole turn of the event loop, with what it sets off for the next turn (the
// scroll follower) as well.
enum class KeyWork { PostedEvents, WholeTurn };

// CPU time of one keystroke's own events: the key, what it posts (the store, the preview) and
// painting; background slices between keys are not counted. With `between`, the event loop runs
// that long between keys, so typing meets the background work.
std::vector<double> ownKeystrokeCpuSeconds(QWidget *editor, int count, int between = 0,
                                           KeyWork work = KeyWork::PostedEvents)
{
    std::vector<double> samples;
    for (int i = 0; i < count; ++i) {
        const bool typing = i % 2 == 0;
        const int key = typing ? Qt::Key_X : Qt::Key_Backspace;
        const QString text = typing ? QStringLiteral("x") : QString(QChar(8));
        const double before = cpuSeconds();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(editor, &press);
        QApplication::sendEvent(editor, &release);
        QCoreApplication::sendPostedEvents();
        if (work == KeyWork::WholeTurn)
            QApplication::processEvents();
        samples.push_back(cpuSeconds() - before);
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < between)
            QApplication::processEvents();
    }
    return samples;
}

void benchKeystrokeInLongNote()
{
    std::printf("Keystroke, CPU time, 100000-line note of 79-character lines:\n");
    const QString note = fullLineNote(100000);
    QTemporaryDir documents;
    makeNotes(documents, 1, note);
    NoteStore store(documents.path());
    ContentView window(&store);
    window.resize(1200, 800);
    window.show();
    runUntilIdle(window.preview(), window.editor());
    NoteEditor bare;
    bare.resize(480, 800);
    bare.setNoteText(note, false);
    bare.show();
    runUntilIdle(nullptr, &bare);

    const long length = bare.SendScintilla(QsciScintilla::SCI_GETLENGTH);
    const std::pair<const char *, long> places[] = {
        {"start", 0}, {"middle", length / 2}, {"end", length}};
    for (const auto &[where, position] : places) {
        for (NoteEditor *editor : {window.editor(), &bare}) {
            editor->SendScintilla(QsciScintilla::SCI_GOTOPOS, position);
            editor->setFocus();
        }
        // The preview follows the editor to the place typed at, as it does for the user.
        runUntilIdle(window.preview(), window.editor());
        runUntilIdle(nullptr, &bare);
        const Spread ours =
            spreadOf(ownKeystrokeCpuSeconds(window.editor(), 100, 0, KeyWork::WholeTurn));
        const Spread alone = spreadOf(ownKeystrokeCpuSeconds(&bare, 100, 0, KeyWork::WholeTurn));
        std::printf("  at the %-6s: median %.3f ms, 95th percentile %.3f ms; bare editor median "
                    "%.3f ms; ours/bare %.2f\n",
                    where, ours.median * 1e3, ours.p95 * 1e3, alone.median * 1e3,
                    ours.median / alone.median);
    }
    store.flush();
}

// The 100,000-line note opened and typed in at once, in its middle, while the preview and the
// wrapping catch up; against a bare editor typed in while it wraps the same text.
void benchKeystrokeDuringBackgroundWork()
{
    std::printf("Keystroke, CPU time, 100000-line note of 79-character lines, just opened:\n");
    const QString note = fullLineNote(100000);
    QTemporaryDir documents;
    makeNotes(documents, 1, note);
    NoteStore store(documents.path());
    ContentView window(&store);
    window.resize(1200, 800);
    window.show();
    NoteEditor bare;
    bare.resize(480, 800);
    bare.show();
    runUntilIdle(window.preview(), window.editor());
    const long length = window.editor()->SendScintilla(QsciScintilla::SCI_GETLENGTH);

    // The note opened again, typed in at once while the preview and the wrapping catch up.
    store.setSelection(std::nullopt);
    runUntilIdle(window.preview(), window.editor());
    store.setSelection(QStringLiteral("note 0"));
    window.editor()->SendScintilla(QsciScintilla::SCI_GOTOPOS, length / 2);
    const bool busy = window.preview()->hasBackgroundWork();
    const Spread during = spreadOf(ownKeystrokeCpuSeconds(window.editor(), 60, 20));
    // The window's own work done first, so that none of its events lands in the bare editor's
    // figures.
    runUntilIdle(window.preview(), window.editor());
    bare.setFocus();
    loadBare(&bare, note.toUtf8());
    bare.SendScintilla(QsciScintilla::SCI_GOTOPOS, length / 2);
    const Spread bareDuring = spreadOf(ownKeystrokeCpuSeconds(&bare, 60, 20));
    std::printf("  in the middle during background work%s: median %.3f ms, 95th percentile %.3f "
                "ms; bare editor while wrapping median %.3f ms; ours/bare %.2f\n",
                busy ? "" : " (none was left)", during.median * 1e3, during.p95 * 1e3,
                bareDuring.median * 1e3, during.median / bareDuring.median);
    store.flush();
}

// A keystroke at the end of the 100,000-line note and the pause after it: the longest turn of
// the event loop until the autosave and all that follows are done; against reading the note's
// file once, as a save that reads the file back does.
void benchPauseInLongNote()
{
    std::printf("A pause in typing in the 100000-line note (main thread):\n");
    const QString note = fullLineNote(100000);
    QTemporaryDir documents;
    const QString folder = makeNotes(documents, 1, note);
    NoteStore store(documents.path());
    ContentView window(&store);
    window.resize(1200, 800);
    window.show();
    runUntilIdle(window.preview(), window.editor());
    NoteEditor *editor = window.editor();
    editor->SendScintilla(QsciScintilla::SCI_GOTOPOS,
                          editor->SendScintilla(QsciScintilla::SCI_GETLENGTH));
    editor->setFocus();
    std::vector<Turn> pauses;
    std::vector<double> reads;
    for (int run = 0; run < 5; ++run) {
        keystrokeCpuSeconds(editor, 1);
        Turn longest;
        QElapsedTimer clock;
        clock.start();
        // One pass of the event loop at a time: given a time, processEvents() runs passes until
        // it is up, and the status bar's counting slices, a millisecond each, added up to a turn.
        while (clock.elapsed() < 1500) {
            longest = longer(longest, timedTurn([] { QApplication::processEvents(); }));
            QThread::msleep(1);
        }
        pauses.push_back(longest);
        reads.push_back(
            secondsOf([&] { fileservices::readText(folder + QStringLiteral("/note 0.md")); }));
    }
    printTurnAgainst(pauses, "reading the note once", reads, "ours/read");
}

// A new width for the preview of a long note, scrolled to its middle: to the view painted, then
// the longest pass of the event loop while the rest is laid out; against laying out every block
// at once, as the preview did before.
void benchWidthChange()
{
    std::printf("Preview width change, 100000-line note of 79-character lines:\n");
    MarkdownView view;
    view.resize(700, 900);
    view.show();
    view.showNewSource(fullLineNote(100000));
    while (view.hasBackgroundWork())
        QApplication::processEvents();
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    while (view.hasBackgroundWork())
        QApplication::processEvents();
    // The usual way lays out every block of the note at once: the view's own document holds only
    // the blocks near it, so a document of the note's lines stands in for it.
    const QString note = fullLineNote(100000);
    QTextDocument whole;
    whole.setDefaultFont(view.font());
    auto *layout = new PreviewLayout(&whole);
    whole.setDocumentLayout(layout);
    whole.setPlainText(note);
    std::vector<double> ours, longest, usual;
    for (int run = 0; run < 10; ++run) {
        const int width = run % 2 == 0 ? 680 : 700;
        ours.push_back(secondsOf([&] {
            view.resize(width, 900);
            QApplication::processEvents();
        }));
        double slowest = 0;
        while (view.hasBackgroundWork())
            slowest = std::max(slowest, secondsOf([] { QApplication::processEvents(); }));
        longest.push_back(slowest);
    }
    for (int run = 0; run < 3; ++run) {
        usual.push_back(secondsOf([&] {
            whole.setPageSize(QSizeF(run % 2 == 0 ? 680 : 700, 900));
            layout->layOutStaleBlocks(QDeadlineTimer::Forever);
        }));
    }
    const double median = spreadOf(ours).median;
    std::printf(
        "  to painted median %.1f ms, longest turn after it %.1f ms; every line of the note "
        "laid out at once median %.1f ms; usual/ours %.0fx\n",
        median * 1e3, spreadOf(longest).median * 1e3, spreadOf(usual).median * 1e3,
        spreadOf(usual).median / median);
}

// A folder with the long note and a small one; the long one is the newest when `longNewest`.
QString makeLongAndSmallNotes(const QTemporaryDir &documents, const QByteArray &longNote,
                              bool longNewest)
{
    const QString folder = makeNotes(documents, 0, QString());
    const QDateTime now = QDateTime::currentDateTime();
    const auto write = [&](const QString &name, const QByteArray &bytes, const QDateTime &date) {
        QFile file(folder + u'/' + name);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        // What is still buffered would be written at close, and date the file then.
        file.flush();
        file.setFileTime(date, QFileDevice::FileModificationTime);
    };
    write(QStringLiteral("big.md"), longNote, longNewest ? now : now.addDays(-1));
    write(QStringLiteral("small.md"), "# Small\n", longNewest ? now.addDays(-1) : now);
    return folder;
}

// The store made and the first window painted with the 100,000-line note as the newest, against
// the same with a one-line note as the newest; then the longest turn until all work is done.
void benchStartUpWithLongNote()
{
    std::printf("Start-up with the 100000-line note as the newest:\n");
    const QByteArray note = fullLineNote(100000).toUtf8();
    std::vector<double> big, small;
    std::vector<Turn> longest;
    for (int run = 0; run < 3; ++run) {
        for (const bool longNewest : {true, false}) {
            QTemporaryDir documents;
            makeLongAndSmallNotes(documents, note, longNewest);
            QElapsedTimer clock;
            clock.start();
            NoteStore store(documents.path());
            ContentView window(&store);
            window.resize(1200, 800);
            window.show();
            QApplication::processEvents();
            (longNewest ? big : small).push_back(clock.nsecsElapsed() / 1e9);
            if (longNewest)
                longest.push_back(runUntilIdle(window.preview(), window.editor()));
        }
    }
    const double ours = spreadOf(big).median;
    const double oneLine = spreadOf(small).median;
    std::printf("  store made to first window painted %6.1f ms, longest turn after it %5.1f ms "
                "(%5.1f ms CPU); with a one-line note newest %6.1f ms; long/one-line %.2f\n",
                ours * 1e3, medianTurn(longest).wall * 1e3, medianTurn(longest).cpu * 1e3,
                oneLine * 1e3, ours / oneLine);
}

// Selecting another note while the long one is shown, to the longest turn until all is done;
// against a bare QsciScintilla clearing the same text.
void benchSwitchingAway()
{
    std::printf("Switching away from the 100000-line note:\n");
    const QString note = fullLineNote(100000);
    QTemporaryDir documents;
    makeLongAndSmallNotes(documents, note.toUtf8(), true);
    NoteStore store(documents.path());
    ContentView window(&store);
    window.resize(1200, 800);
    window.show();
    std::vector<Turn> ours;
    std::vector<double> bare;
    for (int run = 0; run < 3; ++run) {
        store.setSelection(QStringLiteral("big"));
        runUntilIdle(window.preview(), window.editor());
        const Turn switching = timedTurn([&] {
            store.setSelection(QStringLiteral("small"));
            QApplication::processEvents();
        });
        ours.push_back(longer(switching, runUntilIdle(window.preview(), window.editor())));
    }
    QsciScintilla alone;
    alone.setUtf8(true);
    alone.resize(480, 800);
    alone.show();
    for (int run = 0; run < 3; ++run) {
        loadBare(&alone, note.toUtf8());
        runUntilIdle(nullptr, &alone);
        bare.push_back(secondsOf([&] {
            alone.SendScintilla(QsciScintilla::SCI_CLEARALL);
            QApplication::processEvents();
        }));
    }
    printTurnAgainst(ours, "bare QsciScintilla clearing it", bare, "ours/bare");
}

// The window resized and the divider between the editor and the preview moved with the long
// note shown, each to the longest turn until all is done; against a bare QsciScintilla with the
// same text resized as the editor was.
void benchResizing()
{
    std::printf("Resizing with the 100000-line note shown:\n");
    const QString note = fullLineNote(100000);
    QTemporaryDir documents;
    makeLongAndSmallNotes(documents, note.toUtf8(), true);
    NoteStore store(documents.path());
    ContentView window(&store);
    window.resize(1200, 800);
    window.show();
    runUntilIdle(window.preview(), window.editor());
    auto *panes = qobject_cast<QSplitter *>(window.preview()->parentWidget());
    const auto longestTurn = [&](const std::function<void()> &change) {
        const Turn first = timedTurn([&] {
            change();
            QApplication::processEvents();
        });
        return longer(first, runUntilIdle(window.preview(), window.editor()));
    };
    std::vector<Turn> resizes, moves;
    std::vector<double> bare;
    for (int run = 0; run < 4; ++run) {
        const bool wide = run % 2 == 0;
        resizes.push_back(longestTurn([&] { window.resize(wide ? 1400 : 1200, 800); }));
        moves.push_back(longestTurn([&] {
            const int total = panes->sizes().value(0) + panes->sizes().value(1);
            panes->setSizes({wide ? total / 3 : total / 2, wide ? total * 2 / 3 : total / 2});
        }));
    }
    QsciScintilla alone;
    alone.setUtf8(true);
    alone.setFont(window.editor()->font());
    alone.resize(480, 800);
    alone.show();
    loadBare(&alone, note.toUtf8());
    runUntilIdle(nullptr, &alone);
    for (int run = 0; run < 4; ++run) {
        bare.push_back(secondsOf([&] {
            alone.resize(run % 2 == 0 ? 560 : 480, 800);
            QApplication::processEvents();
        }));
        bare.back() = std::max(bare.back(), runUntilIdle(nullptr, &alone).wall);
    }
    const Turn resize = medianTurn(resizes);
    const Turn move = medianTurn(moves);
    const double alone_ = spreadOf(bare).median;
    std::printf("  window resized: longest turn %5.1f ms (%5.1f ms CPU); divider moved: longest "
                "turn %5.1f ms (%5.1f ms CPU); bare QsciScintilla resized %5.1f ms; ours/bare "
                "%.2f and %.2f\n",
                resize.wall * 1e3, resize.cpu * 1e3, move.wall * 1e3, move.cpu * 1e3, alone_ * 1e3,
                resize.wall / alone_, move.wall / alone_);
}

// The same note with every paragraph in Arabic or Hebrew, which the editor measures and draws
// through another path of the text layout.
QString rightToLeftNote(int lines)
{
    QString note = sampleNote(lines);
    const QStringList paragraphs {
        QStringLiteral("مرحبا بالعالم، هذا نص عربي فيه **كلمة عريضة** ورقم 123 ونص آخر طويل."),
        QStringLiteral("שלום עולם, זוהי פסקה בעברית עם *הדגשה* ומספר 456 ועוד כמה מילים."),
    };
    QStringList noteLines = note.split(u'\n');
    for (qsizetype line = 0; line < noteLines.size(); ++line) {
        if (!noteLines[line].isEmpty() && noteLines[line][0].isLetter())
            noteLines[line] = paragraphs[line % 2];
    }
    return noteLines.join(u'\n');
}

void benchRightToLeftKeystroke()
{
    std::printf("Keystroke, CPU time, bare editor, 10000-line note:\n");
    auto editorWith = [](const QString &note) {
        auto *editor = new NoteEditor;
        editor->resize(480, 800);
        editor->setNoteText(note, false);
        editor->show();
        QApplication::processEvents();
        placeCursorInTheMiddle(editor);
        return std::unique_ptr<NoteEditor>(editor);
    };
    const auto rightToLeft = editorWith(rightToLeftNote(10000));
    const auto latin = editorWith(sampleNote(10000));
    runUntilIdle(nullptr, rightToLeft.get());
    runUntilIdle(nullptr, latin.get());
    const Spread arabicAndHebrew = spreadOf(keystrokeCpuSeconds(rightToLeft.get(), 200));
    const Spread mostlyLatin = spreadOf(keystrokeCpuSeconds(latin.get(), 200));
    std::printf("  Arabic and Hebrew paragraphs: median %.3f ms; the usual sample note: median "
                "%.3f ms; right-to-left/usual %.2f\n",
                arabicAndHebrew.median * 1e3, mostlyLatin.median * 1e3,
                arabicAndHebrew.median / mostlyLatin.median);
}

// The editor with Markdown highlighting against the same editor without it, side by side in one
// run: a note opened (to painted, how much of it is styled by then, and to every line wrapped),
// keystrokes at its start, middle and end, and a jump to its end after an edit at its top.
void benchHighlight()
{
    std::printf("Highlighting, editor with it against the editor without, 100000-line note of "
                "79-character lines:\n");
    const QString note = fullLineNote(100000);
    NoteEditor highlighted;
    new MarkdownHighlighter(&highlighted);
    NoteEditor plain;
    std::vector<double> painted[2], done[2];
    long styledAtPaint = 0;
    for (int run = 0; run < 3; ++run) {
        for (NoteEditor *editor : {&highlighted, &plain}) {
            const int which = editor == &plain;
            editor->setNoteText(QString(), false);
            editor->resize(480, 800);
            editor->show();
            runUntilIdle(nullptr, editor);
            QElapsedTimer clock;
            clock.start();
            editor->setNoteText(note, false);
            QApplication::processEvents();
            painted[which].push_back(clock.nsecsElapsed() / 1e9);
            if (editor == &highlighted)
                styledAtPaint = editor->SendScintilla(QsciScintilla::SCI_GETENDSTYLED);
            runUntilIdle(nullptr, editor);
            done[which].push_back(clock.nsecsElapsed() / 1e9);
            editor->hide();
        }
    }
    const long length = plain.SendScintilla(QsciScintilla::SCI_GETLENGTH);
    std::printf("  opening: painted %.1f ms (%.1f%% of the note styled by then), all wrapped "
                "%.2f s; without %.1f ms, %.2f s; with/without painted %.2f, wrapped %.2f\n",
                spreadOf(painted[0]).median * 1e3, 100.0 * styledAtPaint / length,
                spreadOf(done[0]).median, spreadOf(painted[1]).median * 1e3,
                spreadOf(done[1]).median, spreadOf(painted[0]).median / spreadOf(painted[1]).median,
                spreadOf(done[0]).median / spreadOf(done[1]).median);

    highlighted.show();
    plain.show();
    const std::pair<const char *, long> places[] = {
        {"start", 0}, {"middle", length / 2}, {"end", length}};
    for (const auto &[where, position] : places) {
        std::vector<double> with, without;
        // Alternating rounds, so that whatever else the machine does slows both alike.
        for (int round = 0; round < 4; ++round) {
            for (NoteEditor *editor : {&highlighted, &plain}) {
                editor->SendScintilla(QsciScintilla::SCI_GOTOPOS, position);
                editor->activateWindow();
                editor->setFocus();
                runUntilIdle(nullptr, editor);
                const std::vector<double> samples = keystrokeCpuSeconds(editor, 50);
                (editor == &plain ? without : with)
                    .insert((editor == &plain ? without : with).end(), samples.begin(),
                            samples.end());
            }
        }
        const Spread ours = spreadOf(with);
        const Spread alone = spreadOf(without);
        std::printf("  keystroke at the %-6s: median %.3f ms, 95th percentile %.3f ms; without "
                    "median %.3f ms, 95th percentile %.3f ms; with/without %.2f\n",
                    where, ours.median * 1e3, ours.p95 * 1e3, alone.median * 1e3, alone.p95 * 1e3,
                    ours.median / alone.median);
    }

    double jump[2] = {};
    for (NoteEditor *editor : {&highlighted, &plain}) {
        editor->SendScintilla(QsciScintilla::SCI_DOCUMENTSTART);
        editor->SendScintilla(QsciScintilla::SCI_ADDTEXT, 4, "```\n");
        runUntilIdle(nullptr, editor);
        jump[editor == &plain] = secondsOf([&] {
            editor->SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
            QApplication::processEvents();
        });
        runUntilIdle(nullptr, editor);
    }
    std::printf("  a fence typed at the top, then a jump to the end: painted %.1f ms; without "
                "%.1f ms; with/without %.2f\n",
                jump[0] * 1e3, jump[1] * 1e3, jump[0] / jump[1]);
}

// What the status bar's counts cost a keystroke on a long note (each keystroke changes the text
// and moves the caret: two restarts of the pause), against the count itself once typing pauses.
void benchCounts()
{
    std::printf("Status-bar counts, 100000-line note:\n");
    const QString note = sampleNote(100000);
    NoteEditor editor;
    editor.setNoteText(note, false);
    StatusCounts counts(&editor);
    std::vector<double> keystrokes;
    for (int i = 0; i < 2000; ++i) {
        keystrokes.push_back(secondsOf([&] {
            counts.noteChanged();
            counts.noteChanged();
        }));
    }
    std::vector<double> fullCounts;
    for (int i = 0; i < 10; ++i)
        fullCounts.push_back(secondsOf([&] { counts.countNow(); }));
    const Spread keystroke = spreadOf(keystrokes);
    const double full = spreadOf(fullCounts).median;
    std::printf("  per keystroke: median %.4f ms, 95th percentile %.4f ms; counting the whole "
                "note when typing pauses %.1f ms; keystroke/count %.5f\n",
                keystroke.median * 1e3, keystroke.p95 * 1e3, full * 1e3, keystroke.median / full);
}

// Prose of about 2 KB: words drawn with a skewed frequency from a vocabulary with accents and
// other scripts, so that some words are in nearly every note and others in a few, and one
// ticket number per note that is in that note alone.
QString generatedNote(QRandomGenerator &random, int number)
{
    static const QStringList words =
        QStringLiteral(
            "the of and to in is that it for on with as was at by this be from or are note "
            "plan idea draft meeting list project week today later review garden kitchen book "
            "café crème résumé naïve déjà fiancée façade über größe straße müde öffnen schön "
            "mañana niño señor corazón canción kraków łódź zürich sønder ærlig "
            "москва привет дом книга время работа город 東京 日本語 会議 予定 メモ 한국어 회의 "
            "αθήνα λόγος ιδέα θάλασσα χρόνος zwiebel brot apfel birne kirsche orange lemon "
            "quartz sphinx jukebox wyvern glyph fjord kayak zephyr oxygen rhythm")
            .split(u' ', Qt::SkipEmptyParts);
    QString note = QStringLiteral("# Note %1\n\nTicket T%2.\n\n").arg(number).arg(number * 7919);
    while (note.size() < 1900) {
        const double skew = random.generateDouble();
        note += words[int(skew * skew * skew * words.size())];
        note += random.bounded(12) == 0 ? QStringLiteral(".\n") : QStringLiteral(" ");
    }
    return note;
}

// Returns the notes' size on disk.
qint64 writeGeneratedNotes(const QString &folder, int count)
{
    QDir().mkpath(folder);
    QRandomGenerator random(13);
    qint64 bytes = 0;
    for (int i = 0; i < count; ++i) {
        QFile file(folder + QStringLiteral("/note %1.md").arg(i));
        const QByteArray text = generatedNote(random, i).toUtf8();
        if (file.open(QIODevice::WriteOnly))
            bytes += file.write(text);
    }
    return bytes;
}

// Each query typed a character at a time, from an empty field.
QStringList keystrokesOf(const QStringList &queries)
{
    QStringList typed;
    for (const QString &query : queries) {
        for (qsizetype length = 1; length <= query.size(); ++length)
            typed.append(query.first(length));
    }
    return typed;
}

bool naiveMatch(const QString &name, const QString &text, const QStringList &words)
{
    return std::all_of(words.cbegin(), words.cend(), [&](const QString &word) {
        return name.contains(word, Qt::CaseInsensitive) || text.contains(word, Qt::CaseInsensitive);
    });
}

double grepSeconds(const QString &folder, const QString &pattern)
{
    return secondsOf([&] {
        QProcess grep;
        grep.start(QStringLiteral("grep"), {QStringLiteral("-rilF"), pattern, folder});
        grep.waitForFinished(-1);
        grep.readAllStandardOutput();
    });
}

// What the allocator has handed out, large blocks it maps on their own included.
size_t heapBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void benchSearch()
{
    std::printf("Search as you type, generated notes of about 2 KB:\n");
    const QStringList queries {QStringLiteral("größe"),        QStringLiteral("kayak zephyr"),
                               QStringLiteral("москва"),       QStringLiteral("\"café crème\""),
                               QStringLiteral("t4711"),        QStringLiteral("rhythm quartz"),
                               QStringLiteral("glyph straße"), QStringLiteral("ærlig")};
    const QStringList keystrokes = keystrokesOf(queries);
    for (const int count : {10000, 50000}) {
        QTemporaryDir documents;
        const QString folder = documents.path() + QStringLiteral("/Penwick");
        const qint64 diskBytes = writeGeneratedNotes(folder, count);
        NoteStore store(documents.path());

        const size_t heapBefore = heapBytes();
        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = cpuSeconds();
        NoteSearch search(&store);
        while (!search.isReady())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        const double ready = clock.nsecsElapsed() / 1e9;
        const double readyCpu = cpuSeconds() - cpuBefore;
        const size_t heapAfter = heapBytes();

        // The query typed five times over, keeping each keystroke's best time, as the other
        // figures here do on a shared machine; and its CPU time, which other programs on the
        // machine do not stretch.
        std::vector<double> ours(size_t(keystrokes.size()), 1e9);
        std::vector<double> oursCpu(size_t(keystrokes.size()), 1e9);
        for (int round = 0; round < 5; ++round) {
            for (qsizetype i = 0; i < keystrokes.size(); ++i) {
                if (keystrokes[i].size() == 1)
                    search.matches(QString());
                const double cpu = cpuSeconds();
                const double wall = secondsOf([&] { search.matches(keystrokes[i]); });
                oursCpu[size_t(i)] = std::min(oursCpu[size_t(i)], cpuSeconds() - cpu);
                ours[size_t(i)] = std::min(ours[size_t(i)], wall);
            }
        }

        QStringList names;
        QStringList texts;
        for (const Note &note : store.notes()) {
            names.append(note.name);
            QFile file(note.url.toLocalFile());
            texts.append(file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll())
                                                        : QString());
        }
        std::vector<double> naive;
        for (const QString &typed : keystrokes) {
            const QStringList words = typed.split(u' ', Qt::SkipEmptyParts);
            naive.push_back(secondsOf([&] {
                int found = 0;
                for (qsizetype i = 0; i < names.size(); ++i)
                    found += naiveMatch(names[i], texts[i], words);
            }));
        }
        std::vector<double> grep;
        const QStringList grepped = count > 10000 ? keystrokesOf(queries.first(2)) : keystrokes;
        for (const QString &typed : grepped)
            grep.push_back(grepSeconds(folder, typed));

        const Spread mine = spreadOf(ours);
        const Spread mineCpu = spreadOf(oursCpu);
        const Spread scan = spreadOf(naive);
        const Spread grepSpread = spreadOf(grep);
        std::printf("  %5d notes (%.1f MB): keystroke median %.2f ms, 95th percentile %.2f ms; "
                    "QString::contains scan median %.1f ms, p95 %.1f ms; grep -rilF median %.0f "
                    "ms; scan/ours p95 %.0fx, grep/ours median %.0fx\n",
                    count, diskBytes / 1e6, mine.median * 1e3, mine.p95 * 1e3, scan.median * 1e3,
                    scan.p95 * 1e3, grepSpread.median * 1e3, scan.p95 / mine.p95,
                    grepSpread.median / mine.median);
        std::printf("  %5d notes: keystroke CPU time median %.2f ms, 95th percentile %.2f ms\n",
                    count, mineCpu.median * 1e3, mineCpu.p95 * 1e3);
        std::printf("  %5d notes: ready after %.0f ms, %.0f ms of CPU (listing the folder took "
                    "%.0f ms); index %.1f MB for %.1f MB of notes on disk, %.2fx\n",
                    count, ready * 1e3, readyCpu * 1e3, secondsOf([&] { store.reload(); }) * 1e3,
                    (heapAfter - heapBefore) / 1e6, diskBytes / 1e6,
                    double(heapAfter - heapBefore) / diskBytes);
    }
}

// The peak resident size of this process image in kilobytes. (getrusage would count the parent's
// size at the fork that started it.)
long peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

// Run as a child: opens a note of the given number of lines in a window, then prints the peak
// resident size in kilobytes; then types a key in its middle three times, each followed by a
// pause long enough for the autosave and the search to take the text, and prints it again; then
// the turn of the first key and the longest of the others, and the time from making the store
// to the first window painted, in milliseconds. A fresh process shows what a user waits for: in
// one that opened notes before, the memory a copy needs may be resident already.
int openNoteAndReportPeak(int lines)
{
    QTemporaryDir documents;
    makeNotes(documents, 1, fullLineNote(lines));
    QElapsedTimer opening;
    opening.start();
    NoteStore store(documents.path());
    ContentView window(&store);
    window.show();
    QApplication::processEvents();
    const double shownMs = opening.nsecsElapsed() / 1e6;
    runUntilIdle(window.preview(), window.editor());
    std::printf("%ld\n", peakKilobytes());
    NoteEditor *editor = window.editor();
    editor->SendScintilla(QsciScintilla::SCI_GOTOPOS,
                          editor->SendScintilla(QsciScintilla::SCI_GETLENGTH) / 2);
    editor->setFocus();
    std::vector<double> keyTurns;
    for (int pause = 0; pause < 3; ++pause) {
        keyTurns.push_back(timedTurn([&] { keystrokeCpuSeconds(editor, 1); }).wall);
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 1500)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    std::printf("%ld\n", peakKilobytes());
    std::printf("%f\n%f\n%f\n", keyTurns.front() * 1e3,
                *std::max_element(keyTurns.begin() + 1, keyTurns.end()) * 1e3, shownMs);
    return 0;
}

struct ChildFigures
{
    long openedKilobytes = 0; // the peaks
    long typedKilobytes = 0;
    double firstKeyMs = 0; // the turns
    double laterKeyMs = 0;
    double shownMs = 0;
};

ChildFigures childFigures(int lines)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--open-note"), QString::number(lines)});
    child.waitForFinished(600000);
    const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split('\n');
    return {figures.value(0).toLong(), figures.value(1).toLong(), figures.value(2).toDouble(),
            figures.value(3).toDouble(), figures.value(4).toDouble()};
}

void benchMemory()
{
    const auto [big, bigTyped, firstKey, laterKey, shown] = childFigures(100000);
    const ChildFigures oneLine = childFigures(1);
    const long small = oneLine.openedKilobytes;
    const long smallTyped = oneLine.typedKilobytes;
    std::printf("Memory: peak after opening a 100000-line note of 79-character lines (%.1f MB "
                "of text) and all work done %.1f MB; with a one-line note %.1f MB; big/small "
                "%.2f\n",
                fullLineNote(100000).toUtf8().size() / 1e6, big / 1024.0, small / 1024.0,
                small > 0 ? double(big) / small : 0);
    std::printf("  and after three keys, each with a pause for its autosave: %.1f MB; with the "
                "one-line note %.1f MB; big/small %.2f\n",
                bigTyped / 1024.0, smallTyped / 1024.0,
                smallTyped > 0 ? double(bigTyped) / smallTyped : 0);
    std::printf("  the first key in the 100000-line note, in a fresh process: turn %.1f ms; the "
                "keys after it at most %.1f ms; first/later %.2f\n",
                firstKey, laterKey, laterKey > 0 ? firstKey / laterKey : 0);
    std::printf("In a fresh process, store made to first window painted: with the 100000-line "
                "note %.1f ms; with the one-line note %.1f ms; long/one-line %.2f\n",
                shown, oneLine.shownMs, oneLine.shownMs > 0 ? shown / oneLine.shownMs : 0);
}

double cpuSecondsOf(const std::function<void()> &work)
{
    const double start = cpuSeconds();
    work();
    return cpuSeconds() - start;
}

// Notes written to be hard on the parsers, as one block each, in CPU time: a single run each, as
// they take long, so other processes on the machine must not count. The inline parser's time is
// set beside md4c's parse alone of the same text, which it cannot go below, and each size's time
// per megabyte beside the smallest one's, which stays level when the time is linear.
void benchHostile()
{
    std::printf("Hostile notes, one block each, CPU time:\n");
    const std::pair<const char *, QString> pieces[] = {
        {"a line of 'a'", QStringLiteral("a")},
        {"'_a_ ' repeated", QStringLiteral("_a_ ")},
        {"'&amp;&#1234;&notanentity;' repeated", QStringLiteral("&amp;&#1234;&notanentity;")},
    };
    for (const auto &[name, piece] : pieces) {
        double firstPerMegabyte = 0;
        for (const int megabytes : {1, 10}) {
            const QString note = piece.repeated(megabytes * 1024 * 1024 / piece.size());
            const double parse = cpuSecondsOf([&] { markdown::parse(note); });
            const double inline_ = cpuSecondsOf([&] { markdown::parseInline(note); });
            const double md4c = cpuSecondsOf([&] { md4cParse(note.toUtf8()); });
            if (firstPerMegabyte == 0)
                firstPerMegabyte = inline_ / megabytes;
            std::printf("  %-38s %2d MB: parse %.3f s; parseInline %.3f s, md4c alone %.3f s, "
                        "ratio %.1f; parseInline per MB against 1 MB %.2f\n",
                        name, megabytes, parse, inline_, md4c, inline_ / md4c,
                        inline_ / megabytes / firstPerMegabyte);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    // As the program does, so that its figures are the program's.
    platform::mapLargeBlocksApart();
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--open-note")
        return openNoteAndReportPeak(QByteArray(argv[2]).toInt());
    // The figures a change to the preview's layout could move.
    if (argc == 2 && QByteArray(argv[1]) == "--layout") {
        benchWidthChange();
        benchResizing();
        return 0;
    }
    if (argc == 2 && QByteArray(argv[1]) == "--memory") {
        benchMemory();
        return 0;
    }
    if (argc == 2 && QByteArray(argv[1]) == "--autosave") {
        benchAutosave();
        return 0;
    }
    if (argc == 2 && QByteArray(argv[1]) == "--pause") {
        benchPauseInLongNote();
        return 0;
    }
    if (argc == 2 && QByteArray(argv[1]) == "--keystroke") {
        benchKeystroke();
        benchRightToLeftKeystroke();
        return 0;
    }
    if (argc == 2 && QByteArray(argv[1]) == "--long-keystroke") {
        benchKeystrokeInLongNote();
        return 0;
    }
    // The figures issue 12 asks for, to be run again on a quiet machine.
    if (argc == 2 && QByteArray(argv[1]) == "--huge") {
        benchOpening();
        benchStartUpWithLongNote();
        benchKeystrokeInLongNote();
        benchKeystrokeDuringBackgroundWork();
        benchPauseInLongNote();
        benchWidthChange();
        benchResizing();
        benchSwitchingAway();
        benchAutosave();
        benchMemory();
        return 0;
    }
    // The longest turns after opening, at start-up and switching away, for quick comparisons.
    if (argc == 2 && QByteArray(argv[1]) == "--turns") {
        benchOpening();
        benchStartUpWithLongNote();
        benchSwitchingAway();
        return 0;
    }
    // What the wrapping of a long note costs: opening it, typing while it wraps, leaving it.
    if (argc == 2 && QByteArray(argv[1]) == "--wrap") {
        benchOpening({100000});
        benchKeystrokeDuringBackgroundWork();
        benchSwitchingAway();
        return 0;
    }
    if (argc == 2 && QByteArray(argv[1]) == "--highlight") {
        benchHighlight();
        return 0;
    }
    if (argc == 2 && QByteArray(argv[1]) == "--search") {
        benchStartUp();
        benchSearch();
        return 0;
    }
    benchParse("Block parser, the program's allocator settings:");
    // glibc gives freed memory back to the kernel once 128 KB lie free at the top of the heap, so
    // after a large note's blocks are freed the next parse faults every page in again. Keeping
    // freed memory shows how much of the figure above is that and how much is parsing.
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    benchParse("Block parser, freed memory kept by the allocator (M_TRIM_THRESHOLD 256 MB):");
    mallopt(M_TRIM_THRESHOLD, 128 * 1024);
    benchHostile();
    benchPreview();
    benchStartUp();
    benchAutosave();
    benchKeystroke();
    benchOpening();
    benchStartUpWithLongNote();
    benchKeystrokeInLongNote();
    benchKeystrokeDuringBackgroundWork();
    benchWidthChange();
    benchResizing();
    benchSwitchingAway();
    benchRightToLeftKeystroke();
    benchHighlight();
    benchCounts();
    benchSearch();
    benchMemory();
    return 0;
}
