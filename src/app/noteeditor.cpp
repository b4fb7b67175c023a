#include "app/noteeditor.h"

#include <QFontDatabase>
#include <QStringDecoder>

NoteEditor::NoteEditor(QWidget *parent) : QsciScintilla(parent)
{
    setUtf8(true);
    setWrapMode(WrapWord);
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
    connect(this, &QsciScintilla::textChanged, this, [this] {
        if (!m_replacing)
            Q_EMIT edited();
    });
}

QString NoteEditor::noteText() const
{
    const auto length = SendScintilla(SCI_GETLENGTH);
    const auto *bytes = reinterpret_cast<const char *>(SendScintilla(SCI_GETCHARACTERPOINTER));
    // QString::fromUtf8 would drop a leading byte-order mark.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(bytes, qsizetype(length)));
}

void NoteEditor::setNoteText(const QString &text, bool sameNote)
{
    const QByteArray bytes = text.toUtf8();
    const long position = SendScintilla(SCI_GETCURRENTPOS);
    const long anchor = SendScintilla(SCI_GETANCHOR);
    const long firstLine = SendScintilla(SCI_GETFIRSTVISIBLELINE);
    const bool wasReadOnly = isReadOnly();

    m_replacing = true;
    setReadOnly(false);
    // A new note is not an edit to undo; not recording it also spares a copy of the note.
    SendScintilla(SCI_SETUNDOCOLLECTION, sameNote);
    SendScintilla(SCI_CLEARALL);
    SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(bytes.size()), bytes.constData());
    SendScintilla(SCI_SETUNDOCOLLECTION, 1L);
    setReadOnly(wasReadOnly);
    m_replacing = false;

    useLineBreaksOf(bytes);
    if (sameNote) {
        SendScintilla(SCI_SETSEL, std::min<long>(anchor, bytes.size()),
                      std::min<long>(position, bytes.size()));
        SendScintilla(SCI_SETFIRSTVISIBLELINE, firstLine);
    } else {
        SendScintilla(SCI_GOTOPOS, 0L);
        SendScintilla(SCI_EMPTYUNDOBUFFER);
    }
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
