#include "app/noteeditor.h"

#include "app/graphemecaret.h"
#include "text/utf8length.h"

#include <Qsci/qscicommandset.h>

#include <QFontDatabase>
#include <QPalette>
#include <QStringDecoder>
#include <QWheelEvent>

#include <algorithm>

namespace {

constexpr int matchIndicator = QsciScintilla::INDIC_CONTAINER;
// However long a wrapped line is, no more than this is searched around what is in sight.
constexpr long sightMargin = 32 * 1024;

} // namespace

NoteEditor::NoteEditor(QWidget *parent) : QsciScintilla(parent)
{
    setUtf8(true);
    // At whitespace only: Scintilla's word wrap also breaks where the style changes, so
    // highlighting would move line breaks.
    setWrapMode(WrapWhitespace);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    for (int margin = 0; margin < 5; ++margin)
        setMarginWidth(margin, 0);
    SendScintilla(SCI_SETMARGINLEFT, 0, 8L);
    SendScintilla(SCI_SETMARGINRIGHT, 0, 8L);
    setFrameShape(QFrame::NoFrame);
    setCaretLineVisible(false);
    setBraceMatching(NoBraceMatch);
    setAutoIndent(false);
    setTabWidth(4);
    setIndentationsUseTabs(true);
    // Only CR, LF and CR LF break lines; U+2028 and U+2029 stay characters of their line.
    SendScintilla(SCI_SETLINEENDTYPESALLOWED, SC_LINE_END_TYPE_DEFAULT);
    SendScintilla(SCI_SETHSCROLLBAR, 0);
    // QScintilla keeps the layout of every line of the document, tens of megabytes for a long
    // wrapped note; once the note is wrapped, the lines in sight are all that typing needs.
    SendScintilla(SCI_SETLAYOUTCACHE, SC_CACHE_PAGE);
    new GraphemeCaret(this);
    // Positions in UTF-16 come from an index of each line's start, kept up to date by
    // Scintilla, so an edit is told without looking at the text before it.
    SendScintilla(SCI_ALLOCATELINECHARACTERINDEX, SC_LINECHARACTERINDEX_UTF16);
    connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](int position, int type, const char *text, int length) {
                takeModification(position, type, text, length);
            });

    SendScintilla(SCI_INDICSETSTYLE, matchIndicator, long(INDIC_FULLBOX));
    SendScintilla(SCI_INDICSETALPHA, matchIndicator, 90L);
    SendScintilla(SCI_INDICSETOUTLINEALPHA, matchIndicator, 160L);
    SendScintilla(SCI_INDICSETUNDER, matchIndicator, 1L);
    connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, [this] {
        if (!m_marking)
            markMatchesInSight();
    });
    followPalette();
}

void NoteEditor::takeModification(int position, int type, const char *text, int length)
{
    if (m_replacing)
        return;
    if (type & SC_MOD_BEFOREDELETE) {
        m_deletedAt = utf16Position(position);
        m_deletedUnits = utf16Units(position, length);
    } else if (type & SC_MOD_DELETETEXT) {
        Q_EMIT edited(m_deletedAt, m_deletedUnits, QString());
    } else if (type & SC_MOD_INSERTTEXT) {
        // QString::fromUtf8 would drop a leading byte-order mark.
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        Q_EMIT edited(utf16Position(position), 0, decoder.decode(QByteArrayView(text, length)));
    }
}

qsizetype NoteEditor::utf16Position(long position) const
{
    const long line = SendScintilla(SCI_LINEFROMPOSITION, position);
    const long lineStart = SendScintilla(SCI_POSITIONFROMLINE, line);
    return SendScintilla(SCI_INDEXPOSITIONFROMLINE, line, SC_LINECHARACTERINDEX_UTF16)
        + utf16Units(lineStart, position - lineStart);
}

// Every UTF-8 sequence but a continuation byte begins a character, and a four-byte one is two
// UTF-16 code units. (An editable note is valid UTF-8.)
qsizetype NoteEditor::utf16Units(long position, long length) const
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(
        SendScintilla(SCI_GETRANGEPOINTER, position, length));
    qsizetype units = 0;
    for (long i = 0; i < length; ++i)
        units += ((bytes[i] & 0xC0) != 0x80) + (bytes[i] >= 0xF0);
    return units;
}

qsizetype NoteEditor::utf16Length() const
{
    return SendScintilla(SCI_INDEXPOSITIONFROMLINE, SendScintilla(SCI_GETLINECOUNT),
                         SC_LINECHARACTERINDEX_UTF16);
}

void NoteEditor::setSearchQuery(const search::SearchQuery &query)
{
    m_query = query;
    markMatchesInSight();
}

void NoteEditor::markMatchesInSight()
{
    m_marking = true;
    SendScintilla(SCI_SETINDICATORCURRENT, matchIndicator);
    SendScintilla(SCI_INDICATORCLEARRANGE, m_marked.first, m_marked.second - m_marked.first);
    m_marked = {0, 0};
    if (!m_query.isBlank()) {
        const long length = SendScintilla(SCI_GETLENGTH);
        const long first = SendScintilla(SCI_POSITIONFROMPOINT, 0L, 0L);
        const long last = SendScintilla(SCI_POSITIONFROMPOINT, long(viewport()->width()),
                                        long(viewport()->height()));
        const long fromLine =
            SendScintilla(SCI_POSITIONFROMLINE, SendScintilla(SCI_LINEFROMPOSITION, first));
        const long toLine =
            SendScintilla(SCI_GETLINEENDPOSITION, SendScintilla(SCI_LINEFROMPOSITION, last));
        const long from = std::max(fromLine, first - sightMargin);
        const long to = std::min({toLine, last + sightMargin, length});
        const auto *bytes =
            reinterpret_cast<const char *>(SendScintilla(SCI_GETRANGEPOINTER, from, to - from));
        const QString inSight = QString::fromUtf8(bytes, to - from);
        qsizetype done = 0;
        long position = from;
        for (const search::TextRange &match : m_query.findIn(inSight)) {
            position += utf8Length(QStringView(inSight).sliced(done, match.start - done));
            const long matchLength =
                utf8Length(QStringView(inSight).sliced(match.start, match.length));
            SendScintilla(SCI_INDICATORFILLRANGE, position, matchLength);
            position += matchLength;
            done = match.start + match.length;
        }
        m_marked = {from, to};
    }
    m_marking = false;
}

// The note is folded once to find the line; only that line is searched for the exact place.
void NoteEditor::showFirstMatch()
{
    if (m_query.isBlank())
        return;
    const std::optional<search::TextPosition> found = m_query.firstIn(noteText());
    if (!found)
        return;
    const long lineStart = SendScintilla(SCI_POSITIONFROMLINE, long(found->line));
    const long lineEnd = SendScintilla(SCI_GETLINEENDPOSITION, long(found->line));
    const auto *bytes = reinterpret_cast<const char *>(
        SendScintilla(SCI_GETRANGEPOINTER, lineStart, lineEnd - lineStart));
    const QString line = QString::fromUtf8(bytes, lineEnd - lineStart);
    const long position =
        lineStart + utf8Length(QStringView(line).first(std::min(found->column, line.size())));
    SendScintilla(SCI_GOTOPOS, position);
    SendScintilla(SCI_VERTICALCENTRECARET);
}

QString NoteEditor::noteText() const
{
    // QString::fromUtf8 would drop a leading byte-order mark.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(characters(), byteCount()));
}

void NoteEditor::setNoteText(const QString &text, bool sameNote)
{
    setNoteUtf8(text.toUtf8(), sameNote);
}

void NoteEditor::setNoteUtf8(const QByteArray &bytes, bool sameNote)
{
    const bool wasReadOnly = isReadOnly();
    m_replacing = true;
    setReadOnly(false);
    if (sameNote)
        replaceChangedBytes(bytes);
    else if (bytes != QByteArrayView(characters(), byteCount()))
        load(bytes);
    setReadOnly(wasReadOnly);
    m_replacing = false;
    useLineBreaksOf(bytes);
    if (!sameNote)
        SendScintilla(SCI_GOTOPOS, 0L);
}

// Wrapping a long note line by line as it goes in takes seconds; with wrapping off it goes in at
// once, and wrapping turned on afterwards wraps the lines in sight and the rest when idle.
// A new note is not an edit to undo; not recording it also spares a copy of the note.
void NoteEditor::load(const QByteArray &bytes)
{
    SendScintilla(SCI_SETUNDOCOLLECTION, 0L);
    SendScintilla(SCI_CLEARALL);
    SendScintilla(SCI_SETWRAPMODE, SC_WRAP_NONE);
    SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(bytes.size()), bytes.constData());
    SendScintilla(SCI_SETWRAPMODE, SC_WRAP_WHITESPACE);
    SendScintilla(SCI_SETUNDOCOLLECTION, 1L);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
}

// The same note changed elsewhere: only the bytes that differ are replaced, as one step to undo,
// so the cursor, the selection, the scroll position and the wrapping stay where they were.
void NoteEditor::replaceChangedBytes(const QByteArray &bytes)
{
    const QByteArrayView old(characters(), byteCount());
    const qsizetype limit = std::min(old.size(), bytes.size());
    qsizetype prefix =
        std::mismatch(old.begin(), old.begin() + limit, bytes.begin()).first - old.begin();
    if (prefix == old.size() && prefix == bytes.size())
        return;
    qsizetype suffix = 0;
    while (suffix < limit - prefix
           && old[old.size() - 1 - suffix] == bytes[bytes.size() - 1 - suffix])
        ++suffix;
    // Whole characters only, so that no position ever falls inside one.
    const auto continuation = [](char byte) {
        return (byte & 0xC0) == 0x80;
    };
    while (prefix > 0 && prefix < old.size() && continuation(old[prefix]))
        --prefix;
    while (suffix > 0 && continuation(old[old.size() - suffix]))
        --suffix;
    SendScintilla(SCI_SETTARGETRANGE, static_cast<unsigned long>(prefix),
                  static_cast<long>(old.size() - suffix));
    SendScintilla(SCI_REPLACETARGET, static_cast<unsigned long>(bytes.size() - prefix - suffix),
                  bytes.constData() + prefix);
}

bool NoteEditor::forwardsEdits() const
{
    return SendScintilla(SCI_GETMODEVENTMASK) != 0;
}

const char *NoteEditor::characters() const
{
    return reinterpret_cast<const char *>(SendScintilla(SCI_GETCHARACTERPOINTER));
}

qsizetype NoteEditor::byteCount() const
{
    return qsizetype(SendScintilla(SCI_GETLENGTH));
}

void NoteEditor::setForwardsEdits(bool forwards)
{
    // Views of one document are all told of each change; only one of them tells the store.
    SendScintilla(SCI_SETMODEVENTMASK, forwards ? long(SC_MODEVENTMASKALL) : 0L);
}

// One edit of the whole range instead of one per change keeps Replace All on a long note from
// handing the store hundreds of thousands of edits.
void NoteEditor::editAsOne(long from, long to, const std::function<void()> &changes)
{
    const qsizetype position = utf16Position(from);
    const qsizetype removed = utf16Units(from, to - from);
    const qsizetype bytesBefore = byteCount();
    m_replacing = true;
    beginUndoAction();
    changes();
    endUndoAction();
    m_replacing = false;
    if (!forwardsEdits())
        return;
    const qsizetype newTo = to + (byteCount() - bytesBefore);
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    Q_EMIT edited(position, removed,
                  decoder.decode(QByteArrayView(characters() + from, newTo - from)));
}

void NoteEditor::leaveKeysTo(const QList<QKeySequence> &keys)
{
    for (const QKeySequence &sequence : keys) {
        const int key = sequence[0].toCombined();
        for (QsciCommand *command : standardCommands()->commands()) {
            if (command->key() == key)
                command->setKey(0);
            if (command->alternateKey() == key)
                command->setAlternateKey(0);
        }
    }
}

void NoteEditor::wheelEvent(QWheelEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QsciScintilla::wheelEvent(event);
        return;
    }
    const int delta = event->angleDelta().y();
    if (delta != 0)
        Q_EMIT zoomRequested(delta > 0 ? 1 : -1);
    event->accept();
}

// A line break typed follows the note's own style; a note without one gets LF.
void NoteEditor::useLineBreaksOf(const QByteArray &bytes)
{
    const qsizetype lineEnd = bytes.indexOf('\n');
    const qsizetype carriageReturn = bytes.indexOf('\r');
    int mode = SC_EOL_LF;
    if (carriageReturn >= 0 && (lineEnd < 0 || carriageReturn < lineEnd))
        mode = carriageReturn + 1 == lineEnd ? SC_EOL_CRLF : SC_EOL_CR;
    SendScintilla(SCI_SETEOLMODE, mode);
}

void NoteEditor::changeEvent(QEvent *event)
{
    QsciScintilla::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        followPalette();
}

// Scintilla keeps colours of its own; they are the widget's palette, taken again whenever it
// changes, so that a dark theme, or a theme switched while the program runs, reaches the text.
void NoteEditor::followPalette()
{
    const QPalette colours = palette();
    setColor(colours.color(QPalette::Text));
    setPaper(colours.color(QPalette::Base));
    setCaretForegroundColor(colours.color(QPalette::Text));
    setSelectionForegroundColor(colours.color(QPalette::HighlightedText));
    setSelectionBackgroundColor(colours.color(QPalette::Highlight));
    SendScintilla(SCI_INDICSETFORE, matchIndicator, colours.color(QPalette::Highlight));
}

long NoteEditor::topDisplayLine() const
{
    return SendScintilla(SCI_GETFIRSTVISIBLELINE);
}

long NoteEditor::lastTopDisplayLine() const
{
    const long displayLines =
        SendScintilla(SCI_VISIBLEFROMDOCLINE, SendScintilla(SCI_GETLINECOUNT));
    return std::max(0L, displayLines - displayLinesOnScreen());
}

long NoteEditor::displayLinesOnScreen() const
{
    return SendScintilla(SCI_LINESONSCREEN);
}

void NoteEditor::scrollToDisplayLine(long line)
{
    SendScintilla(SCI_SETFIRSTVISIBLELINE, line);
}

long NoteEditor::displayLineAt(qsizetype position) const
{
    const long lines = SendScintilla(SCI_GETLINECOUNT);
    const long line = position >= utf16Length()
        ? lines
        : SendScintilla(SCI_LINEFROMINDEXPOSITION, static_cast<unsigned long>(position),
                        long(SC_LINECHARACTERINDEX_UTF16));
    return SendScintilla(SCI_VISIBLEFROMDOCLINE, line);
}

qsizetype NoteEditor::positionAtDisplayLine(long line) const
{
    const long documentLine = SendScintilla(SCI_DOCLINEFROMVISIBLE, line);
    return SendScintilla(SCI_INDEXPOSITIONFROMLINE, documentLine, SC_LINECHARACTERINDEX_UTF16);
}

long NoteEditor::caretDisplayLine() const
{
    return SendScintilla(SCI_VISIBLEFROMDOCLINE,
                         SendScintilla(SCI_LINEFROMPOSITION, caretBytePosition()));
}

long NoteEditor::caretBytePosition() const
{
    return SendScintilla(SCI_GETCURRENTPOS);
}
