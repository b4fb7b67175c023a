#include "app/graphemecaret.h"

#include <Qsci/qsciscintilla.h>

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <vector>

namespace {

// How far either side of the caret the text is looked at: far beyond any cluster a person types.
// Only in a run of more than sixty flags could the pairing differ from the whole line's.
constexpr long reach = 512;

long send(QsciScintilla *editor, unsigned int message, unsigned long wParam = 0, long lParam = 0)
{
    return editor->SendScintilla(message, wParam, lParam);
}

bool isContinuationByte(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xc0) == 0x80;
}

// A mark typed on its own after a letter (a vowel sign, a point, an accent) is taken away on its
// own by Backspace; a variation selector belongs to the character before it.
bool isSeparatelyTypedMark(char32_t codePoint)
{
    const bool variationSelector = (codePoint >= 0xfe00 && codePoint <= 0xfe0f)
        || (codePoint >= 0xe0100 && codePoint <= 0xe01ef);
    const auto category = QChar::category(codePoint);
    return !variationSelector
        && (category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining);
}

// The text of one line around a position, with the document position of each UTF-16 index, so
// that cluster boundaries found in the text map back to byte positions in the document.
class Neighbourhood
{
public:
    Neighbourhood(QsciScintilla *editor, long position)
    {
        const long line = send(editor, QsciScintillaBase::SCI_LINEFROMPOSITION, position);
        m_lineStart = send(editor, QsciScintillaBase::SCI_POSITIONFROMLINE, line);
        m_lineEnd = send(editor, QsciScintillaBase::SCI_GETLINEENDPOSITION, line);
        const long start = std::max(m_lineStart, position - reach);
        const long end = std::min(m_lineEnd, position + reach);
        // The character that covers end is read whole.
        const long limit = std::min(m_lineEnd, end + 3);
        QByteArray bytes(limit - start + 1, Qt::Uninitialized);
        editor->SendScintilla(QsciScintillaBase::SCI_GETTEXTRANGE, start, limit, bytes.data());
        bytes.truncate(limit - start);
        decode(bytes, start, end);
        m_finder = QTextBoundaryFinder(QTextBoundaryFinder::Grapheme, m_text);
    }

    long lineStart() const { return m_lineStart; }
    long lineEnd() const { return m_lineEnd; }

    long previousBoundary(long position)
    {
        m_finder.setPosition(indexOf(position));
        return m_positions[std::max<qsizetype>(m_finder.toPreviousBoundary(), 0)];
    }

    long nextBoundary(long position)
    {
        m_finder.setPosition(indexOf(position));
        const qsizetype next = m_finder.toNextBoundary();
        return next < 0 ? m_positions.back() : m_positions[next];
    }

    bool isBoundary(long position)
    {
        m_finder.setPosition(indexOf(position));
        return m_finder.isAtBoundary();
    }

    char32_t codePointBefore(long position) const
    {
        const qsizetype index = indexOf(position);
        if (index == 0)
            return 0;
        if (index >= 2 && m_text[index - 1].isLowSurrogate() && m_text[index - 2].isHighSurrogate())
            return QChar::surrogateToUcs4(m_text[index - 2], m_text[index - 1]);
        return m_text[index - 1].unicode();
    }

private:
    // Decodes from the first whole character at or after start to the end of the character that
    // covers end; a byte that is not UTF-8 stands for itself as a replacement character.
    void decode(const QByteArray &bytes, long start, long end)
    {
        const long limit = start + bytes.size();
        auto byteAt = [&](long position) {
            return bytes.at(qsizetype(position - start));
        };
        long at = start;
        while (at < limit && at > m_lineStart && isContinuationByte(byteAt(at)))
            ++at;
        while (at < end) {
            const auto lead = static_cast<unsigned char>(byteAt(at));
            const int length = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 1;
            char32_t codePoint = length == 1 ? lead : lead & (0x7f >> length);
            int taken = 1;
            while (taken < length && at + taken < limit && isContinuationByte(byteAt(at + taken))) {
                codePoint = codePoint << 6 | (byteAt(at + taken) & 0x3f);
                ++taken;
            }
            if (taken < length || (length == 1 && lead >= 0x80) || codePoint > 0x10ffff)
                codePoint = QChar::ReplacementCharacter;
            append(codePoint, at);
            at += taken;
        }
        m_positions.push_back(at);
    }

    void append(char32_t codePoint, long position)
    {
        const auto units = QChar::fromUcs4(codePoint);
        for (qsizetype unit = 0; unit < units.size(); ++unit) {
            m_text += units.chars[unit];
            m_positions.push_back(position);
        }
    }

    qsizetype indexOf(long position) const
    {
        return std::lower_bound(m_positions.begin(), m_positions.end(), position)
            - m_positions.begin();
    }

    long m_lineStart = 0;
    long m_lineEnd = 0;
    QString m_text;
    std::vector<long> m_positions;
    QTextBoundaryFinder m_finder;
};

} // namespace

GraphemeCaret::GraphemeCaret(QsciScintilla *editor) : QObject(editor), m_editor(editor)
{
    editor->installEventFilter(this);
    // Scintilla reports a moved caret while it paints; the caret is corrected afterwards.
    connect(
        editor, &QsciScintillaBase::SCN_UPDATEUI, this,
        [this](int updated) {
            if (updated & QsciScintillaBase::SC_UPDATE_SELECTION)
                keepCaretOnBoundary();
        },
        Qt::QueuedConnection);
}

bool GraphemeCaret::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_editor)
        return false;
    if (event->type() == QEvent::InputMethod) {
        // While an input method composes, the text it shows may be half a cluster.
        m_composing = !static_cast<QInputMethodEvent *>(event)->preeditString().isEmpty();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    switch (key->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        return (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier)
            && step(key->key(), modifiers);
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return modifiers == Qt::NoModifier && erase(key->key());
    default:
        return false;
    }
}

// Moves the caret over a whole cluster; a single code point, a line end, a selection to collapse
// or several selections are left to the editor's own command.
bool GraphemeCaret::step(int key, Qt::KeyboardModifiers modifiers)
{
    const bool extend = modifiers == Qt::ShiftModifier;
    if (send(m_editor, QsciScintillaBase::SCI_GETSELECTIONS) != 1
        || (!extend && !send(m_editor, QsciScintillaBase::SCI_GETSELECTIONEMPTY)))
        return false;
    const long caret = send(m_editor, QsciScintillaBase::SCI_GETCURRENTPOS);
    Neighbourhood near(m_editor, caret);
    const bool forward = key == Qt::Key_Right;
    if (forward ? caret >= near.lineEnd() : caret <= near.lineStart())
        return false;
    const long target = forward ? near.nextBoundary(caret) : near.previousBoundary(caret);
    const long oneCodePoint =
        send(m_editor,
             forward ? QsciScintillaBase::SCI_POSITIONAFTER : QsciScintillaBase::SCI_POSITIONBEFORE,
             caret);
    if (target == oneCodePoint)
        return false;
    send(m_editor,
         extend ? QsciScintillaBase::SCI_SETCURRENTPOS : QsciScintillaBase::SCI_SETEMPTYSELECTION,
         target);
    send(m_editor, QsciScintillaBase::SCI_CHOOSECARETX);
    send(m_editor, QsciScintillaBase::SCI_SCROLLCARET);
    return true;
}

// Takes away the whole cluster beside the caret as one undo step; what the editor would take
// away anyway is left to it.
bool GraphemeCaret::erase(int key)
{
    if (m_editor->isReadOnly() || send(m_editor, QsciScintillaBase::SCI_GETSELECTIONS) != 1
        || !send(m_editor, QsciScintillaBase::SCI_GETSELECTIONEMPTY))
        return false;
    const long caret = send(m_editor, QsciScintillaBase::SCI_GETCURRENTPOS);
    Neighbourhood near(m_editor, caret);
    long from = caret;
    long to = caret;
    if (key == Qt::Key_Backspace) {
        if (caret <= near.lineStart() || isSeparatelyTypedMark(near.codePointBefore(caret)))
            return false;
        from = near.previousBoundary(caret);
        if (from == send(m_editor, QsciScintillaBase::SCI_POSITIONBEFORE, caret))
            return false;
    } else {
        if (caret >= near.lineEnd())
            return false;
        to = near.nextBoundary(caret);
        if (to == send(m_editor, QsciScintillaBase::SCI_POSITIONAFTER, caret))
            return false;
    }
    send(m_editor, QsciScintillaBase::SCI_DELETERANGE, from, to - from);
    send(m_editor, QsciScintillaBase::SCI_SCROLLCARET);
    return true;
}

// A click or a move up or down may land between the code points of a cluster; the caret goes
// to the cluster's end, where it is drawn.
void GraphemeCaret::keepCaretOnBoundary()
{
    if (m_composing || send(m_editor, QsciScintillaBase::SCI_GETSELECTIONS) != 1
        || !send(m_editor, QsciScintillaBase::SCI_GETSELECTIONEMPTY))
        return;
    const long caret = send(m_editor, QsciScintillaBase::SCI_GETCURRENTPOS);
    Neighbourhood near(m_editor, caret);
    if (!near.isBoundary(caret))
        send(m_editor, QsciScintillaBase::SCI_SETEMPTYSELECTION, near.nextBoundary(caret));
}
