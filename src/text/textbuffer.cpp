#include "text/textbuffer.h"

#include "platform/hugepages.h"
#include "text/utf8length.h"

#include <algorithm>
#include <cstring>

namespace {

// A new gap has room for this much typing at least, and for more in a longer text, so that
// the text is copied again only after typing a part of its length.
constexpr qsizetype minimumGap = 1024;
constexpr qsizetype gapShare = 256;
// No UTF-16 code unit takes more than three bytes of UTF-8.
constexpr qsizetype maxUtf8PerUnit = 3;
// Text is encoded this many units at a time, in a small buffer the heap has ready.
constexpr qsizetype encodedPiece = 16 * 1024;

// Hands the text's UTF-8, as QString::toUtf8() makes it, to take() a piece at a time.
template<typename Take> void encodeUtf8(QStringView text, Take take)
{
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = std::min(text.size(), start + encodedPiece);
        // Apart, the halves of a pair would come out as two replacement characters.
        if (end < text.size() && text[end - 1].isHighSurrogate())
            --end;
        take(text.sliced(start, end - start).toUtf8());
        start = end;
    }
}

} // namespace

TextBuffer::TextBuffer(const QString &text) : m_chars(text), m_gapStart(text.size()) { }

bool TextBuffer::replace(qsizetype position, qsizetype removed, QStringView inserted)
{
    if (position < 0 || removed < 0 || position > size() || removed > size() - position)
        return false;
    moveGapTo(position);
    m_gapLength += removed;
    if (inserted.size() > m_gapLength)
        makeRoom(inserted.size());
    std::copy(inserted.begin(), inserted.end(), m_chars.data() + m_gapStart);
    m_gapStart += inserted.size();
    m_gapLength -= inserted.size();
    return true;
}

// The gap goes to whichever end of the range is nearer, so that the fewest characters move.
QStringView TextBuffer::view(qsizetype position, qsizetype length) const
{
    const qsizetype end = position + length;
    if (m_gapLength > 0 && m_gapStart > position && m_gapStart < end)
        moveGapTo(m_gapStart - position <= end - m_gapStart ? position : end);
    const qsizetype stored = position < m_gapStart ? position : position + m_gapLength;
    return QStringView(m_chars).sliced(stored, length);
}

QString TextBuffer::toString() const
{
    if (m_gapLength == 0)
        return m_chars;
    QString whole(size(), Qt::Uninitialized);
    std::copy(before().begin(), before().end(), whole.data());
    std::copy(after().begin(), after().end(), whole.data() + m_gapStart);
    return whole;
}

// Each side of the gap is encoded on its own, so a pair of surrogates the gap splits is first
// put on one side: apart, its halves would come out as two replacement characters.
void TextBuffer::keepPairsWhole() const
{
    if (m_gapLength > 0 && m_gapStart > 0 && m_chars.at(m_gapStart - 1).isHighSurrogate())
        moveGapTo(m_gapStart - 1);
}

// The bytes go straight into the whole result, which is fresh memory, so it is given huge pages
// first.
QByteArray TextBuffer::toUtf8() const
{
    keepPairsWhole();
    QByteArray utf8(size() * maxUtf8PerUnit, Qt::Uninitialized);
    platform::adviseHugePages(utf8.data(), utf8.size());
    char *end = utf8.data();
    const auto copy = [&end](const QByteArray &piece) {
        end = std::copy(piece.cbegin(), piece.cend(), end);
    };
    encodeUtf8(before(), copy);
    encodeUtf8(after(), copy);
    utf8.truncate(end - utf8.constData());
    utf8.squeeze();
    return utf8;
}

std::string TextBuffer::toUtf8String() const
{
    keepPairsWhole();
    std::string utf8;
    utf8.reserve(size_t(utf8Length(before()) + utf8Length(after())));
    platform::adviseHugePages(utf8.data(), qsizetype(utf8.capacity()));
    const auto append = [&utf8](const QByteArray &piece) {
        utf8.append(piece.constData(), size_t(piece.size()));
    };
    encodeUtf8(before(), append);
    encodeUtf8(after(), append);
    return utf8;
}

qsizetype TextBuffer::indexOf(QChar c, qsizetype from) const
{
    if (from < m_gapStart) {
        const qsizetype found = before().indexOf(c, from);
        if (found >= 0)
            return found;
        from = m_gapStart;
    }
    const qsizetype found = after().indexOf(c, from - m_gapStart);
    return found < 0 ? -1 : found + m_gapStart;
}

void TextBuffer::moveGapTo(qsizetype position) const
{
    if (position == m_gapStart)
        return;
    if (m_gapLength > 0) {
        QChar *chars = m_chars.data();
        if (position < m_gapStart)
            std::memmove(chars + position + m_gapLength, chars + position,
                         (m_gapStart - position) * sizeof(QChar));
        else
            std::memmove(chars + m_gapStart, chars + m_gapStart + m_gapLength,
                         (position - m_gapStart) * sizeof(QChar));
    }
    m_gapStart = position;
}

// A text held by nobody else grows where it lies: a long one's memory is mapped anew rather than
// copied, so that the first key in a long note touches no more than the gap. A text still shared
// is copied once into a larger store, with the gap where it was.
void TextBuffer::makeRoom(qsizetype length)
{
    const qsizetype gap = length + std::max(minimumGap, size() / gapShare);
    if (!m_chars.isDetached()) {
        QString chars(size() + gap, Qt::Uninitialized);
        std::copy(before().begin(), before().end(), chars.data());
        std::copy(after().begin(), after().end(), chars.data() + m_gapStart + gap);
        m_chars = std::move(chars);
    } else {
        const qsizetype afterStart = m_gapStart + m_gapLength;
        const qsizetype afterLength = size() - m_gapStart;
        m_chars.resize(size() + gap);
        QChar *chars = m_chars.data();
        std::memmove(chars + m_gapStart + gap, chars + afterStart, afterLength * sizeof(QChar));
    }
    m_gapLength = gap;
}
