#include "app/statuscounts.h"

#include "app/noteeditor.h"

#include <QEvent>
#include <QTimer>

namespace {

// Long enough to fall between two keystrokes of a fast typist.
constexpr int typingPauseMs = 300;
// About 5 ms of counting on this machine: a 7 MB note takes a few dozen slices.
constexpr qsizetype sliceBytes = 512 * 1024;

bool isWordByte(unsigned char byte)
{
    return byte >= 0x80 || (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z')
        || (byte >= 'A' && byte <= 'Z') || byte == '_' || byte == '\'';
}

// U+00A0, U+2028, U+2029 and the other spaces outside ASCII separate words too.
qsizetype spaceLengthAt(const unsigned char *bytes, qsizetype left)
{
    if (left >= 2 && bytes[0] == 0xC2 && bytes[1] == 0xA0)
        return 2;
    if (left >= 3 && bytes[0] == 0xE2 && bytes[1] == 0x80
        && (bytes[2] <= 0x8A || bytes[2] == 0xA8 || bytes[2] == 0xA9 || bytes[2] == 0xAF))
        return 3;
    if (left >= 3 && bytes[0] == 0xE3 && bytes[1] == 0x80 && bytes[2] == 0x80)
        return 3;
    return 0;
}

} // namespace

StatusCounts::StatusCounts(NoteEditor *editor, QWidget *parent)
    : QLabel(parent), m_editor(editor), m_pause(new QTimer(this)), m_nextSlice(new QTimer(this))
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setAccessibleName(tr("Word and character count"));
    m_pause->setSingleShot(true);
    m_pause->setInterval(typingPauseMs);
    connect(m_pause, &QTimer::timeout, this, &StatusCounts::startCounting);
    m_nextSlice->setSingleShot(true);
    m_nextSlice->setInterval(0);
    connect(m_nextSlice, &QTimer::timeout, this, &StatusCounts::countSlice);
    connect(m_editor, &QsciScintilla::textChanged, this, &StatusCounts::noteChanged);
    connect(m_editor, &QsciScintilla::selectionChanged, this, &StatusCounts::noteChanged);
}

// A count under way counted a text that is no more.
void StatusCounts::noteChanged()
{
    m_nextSlice->stop();
    m_pause->start();
}

StatusCounts::Counts StatusCounts::count(const char *utf8, qsizetype size)
{
    Progress progress;
    countOn(utf8, size, size, progress);
    return progress.counts;
}

void StatusCounts::countOn(const char *utf8, qsizetype size, qsizetype until, Progress &progress)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(utf8);
    Counts &counts = progress.counts;
    bool &inWord = progress.inWord;
    qsizetype i = progress.done;
    for (; i < size && i < until;) {
        const unsigned char byte = bytes[i];
        if (byte == '\n' || byte == '\r') {
            inWord = false;
            ++i;
            continue;
        }
        ++counts.characters;
        const qsizetype space = byte >= 0x80 ? spaceLengthAt(bytes + i, size - i) : 0;
        const bool wordCharacter = space == 0 && isWordByte(byte);
        if (wordCharacter && !inWord)
            ++counts.words;
        inWord = wordCharacter;
        // Past the continuation bytes of this character.
        ++i;
        while (i < size && (bytes[i] & 0xC0) == 0x80)
            ++i;
    }
    progress.done = i;
}

void StatusCounts::countNow()
{
    startCounting();
    while (!countSlice()) { }
    m_nextSlice->stop();
}

void StatusCounts::startCounting()
{
    m_pause->stop();
    m_nextSlice->stop();
    const long start = m_editor->SendScintilla(QsciScintilla::SCI_GETSELECTIONSTART);
    const long end = m_editor->SendScintilla(QsciScintilla::SCI_GETSELECTIONEND);
    m_selected = end > start;
    m_from = m_selected ? start : 0;
    m_to = m_selected ? end : m_editor->SendScintilla(QsciScintilla::SCI_GETLENGTH);
    m_progress = {};
    countSlice();
}

// The text is asked for again at each slice: the editor may have moved it in memory between.
bool StatusCounts::countSlice()
{
    const auto *text = reinterpret_cast<const char *>(
        m_editor->SendScintilla(QsciScintilla::SCI_GETCHARACTERPOINTER));
    countOn(text + m_from, m_to - m_from, m_progress.done + sliceBytes, m_progress);
    if (m_progress.done < m_to - m_from) {
        m_nextSlice->start();
        return false;
    }
    show(m_progress.counts);
    return true;
}

void StatusCounts::show(const Counts &counts)
{
    setText(
        (m_selected ? tr("Selected: %L1 words, %L2 characters") : tr("%L1 words, %L2 characters"))
            .arg(counts.words)
            .arg(counts.characters));
    fitToText();
}

// A label whose size may change lays the whole status bar out again and repaints it at every
// new count, after each pause in typing. At a fixed size it repaints itself alone, and its size
// is set anew only when the text needs another one.
void StatusCounts::fitToText()
{
    const QSize fitting = sizeHint();
    if (minimumSize() != fitting || maximumSize() != fitting)
        setFixedSize(fitting);
}

void StatusCounts::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        fitToText();
}
