#include "search/folding.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace search {

namespace {

constexpr char replacementCharacter[] = "\xEF\xBF\xBD";

void appendUtf8(std::string &out, char32_t c)
{
    char bytes[U8_MAX_LENGTH];
    int32_t length = 0;
    UBool failed = false;
    U8_APPEND(bytes, length, U8_MAX_LENGTH, UChar32(c), failed);
    if (failed)
        out += replacementCharacter;
    else
        out.append(bytes, size_t(length));
}

// The canonical decomposition of c, or c itself.
int32_t decompose(const UNormalizer2 *nfd, char32_t c, UChar *buffer, int32_t capacity)
{
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = unorm2_getDecomposition(nfd, UChar32(c), buffer, capacity, &status);
    if (length >= 0 && U_SUCCESS(status))
        return length;
    int32_t written = 0;
    [[maybe_unused]] UBool failed = false; // the buffer holds any code point
    U16_APPEND(buffer, written, capacity, UChar32(c), failed);
    return written;
}

// Decomposed, folded and decomposed again: folding can yield a character that decomposes
// (U+1E9E to "ss" is fine, but U+0130 folds to "i\u0307").
void foldCodePoint(char32_t c, std::string &out)
{
    UErrorCode status = U_ZERO_ERROR;
    static const UNormalizer2 *const nfd = unorm2_getNFDInstance(&status);
    UChar decomposed[32];
    const int32_t decomposedLength = decompose(nfd, c, decomposed, 32);
    UChar folded[96];
    status = U_ZERO_ERROR;
    const int32_t foldedLength =
        u_strFoldCase(folded, 96, decomposed, decomposedLength, U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status)) {
        appendUtf8(out, c);
        return;
    }
    for (int32_t i = 0; i < foldedLength;) {
        UChar32 foldedCharacter;
        U16_NEXT(folded, i, foldedLength, foldedCharacter);
        UChar parts[32];
        const int32_t partsLength = decompose(nfd, char32_t(foldedCharacter), parts, 32);
        for (int32_t j = 0; j < partsLength;) {
            UChar32 part;
            U16_NEXT(parts, j, partsLength, part);
            if (!(U_GET_GC_MASK(part) & U_GC_M_MASK))
                appendUtf8(out, char32_t(part));
        }
    }
}

// The folded bytes of every code point of the Basic Multilingual Plane, worked out once: most
// text outside ASCII is there, and asking ICU per character would make reading a folder of
// notes several times slower.
class BmpTable
{
public:
    BmpTable() : m_entries(0x10000, 0)
    {
        for (char32_t c = 0x80; c < 0x10000; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            const size_t offset = m_pool.size();
            foldCodePoint(c, m_pool);
            m_entries[c] = uint32_t(offset << 8 | (m_pool.size() - offset));
        }
        m_pool.shrink_to_fit();
    }

    std::string_view bytesOf(char16_t c) const
    {
        const uint32_t entry = m_entries[c];
        return std::string_view(m_pool).substr(entry >> 8, entry & 0xFF);
    }

private:
    std::vector<uint32_t> m_entries; // offset into the pool << 8 | length
    std::string m_pool;
};

const BmpTable &bmpTable()
{
    static const BmpTable table;
    return table;
}

char asciiFolded(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char(c + 32) : char(c);
}

// Calls take(bytes, origin) for every character of the text, in order.
template<typename Take> void foldEach(QStringView text, Take &&take)
{
    const qsizetype size = text.size();
    const char16_t *units = text.utf16();
    const BmpTable *table = nullptr;
    std::string scratch;
    for (qsizetype i = 0; i < size;) {
        const char16_t c = units[i];
        if (c < 0x80) {
            const char folded = asciiFolded(c);
            take(std::string_view(&folded, 1), i);
            ++i;
            continue;
        }
        if (!QChar::isSurrogate(c)) {
            if (!table)
                table = &bmpTable();
            take(table->bytesOf(c), i);
            ++i;
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(units[i + 1])) {
            scratch.clear();
            foldCodePoint(QChar::surrogateToUcs4(c, units[i + 1]), scratch);
            take(std::string_view(scratch), i);
            i += 2;
            continue;
        }
        take(std::string_view(replacementCharacter), i);
        ++i;
    }
}

// Lower-cases the ASCII bytes from at on up to the first byte that is not ASCII, eight at a
// time while they last: most notes are mostly ASCII, and this is most of their folding.
size_t foldAsciiRun(const char *bytes, size_t size, size_t at, std::string &out)
{
    const size_t start = at;
    for (uint64_t word; at + 8 <= size; at += 8) {
        std::memcpy(&word, bytes + at, 8);
        if (word & 0x8080808080808080u)
            break;
    }
    while (at < size && uchar(bytes[at]) < 0x80)
        ++at;
    const size_t end = out.size();
    out.append(bytes + start, at - start);
    for (size_t i = end; i < out.size(); ++i)
        out[i] = asciiFolded(char16_t(uchar(out[i])));
    return at;
}

// The bytes a UTF-8 sequence takes by its first byte; 1 for a byte that cannot begin one, which
// foldUtf8() then rejects.
qsizetype sequenceLength(char first)
{
    const auto byte = uchar(first);
    return (byte & 0xE0) == 0xC0 ? 2 : (byte & 0xF0) == 0xE0 ? 3 : (byte & 0xF8) == 0xF0 ? 4 : 1;
}

// The length of the piece without the character its end cuts off, if it does.
qsizetype wholeCharactersIn(QByteArrayView piece)
{
    for (qsizetype start = piece.size() - 1; start >= 0 && start >= piece.size() - 3; --start) {
        if ((uchar(piece[start]) & 0xC0) != 0x80)
            return sequenceLength(piece[start]) > piece.size() - start ? start : piece.size();
    }
    return piece.size();
}

// The folded bytes of a code point read from UTF-8: the table's for the Basic Multilingual Plane,
// worked out in scratch for the rest.
std::string_view foldedBytes(UChar32 c, const BmpTable *&table, std::string &scratch)
{
    if (c < 0x10000) {
        if (!table)
            table = &bmpTable();
        return table->bytesOf(char16_t(c));
    }
    scratch.clear();
    foldCodePoint(char32_t(c), scratch);
    return scratch;
}

} // namespace

void Utf8PieceFolder::take(QByteArrayView piece)
{
    if (!m_valid)
        return;
    if (!m_cut.empty()) {
        const qsizetype length = sequenceLength(m_cut.front());
        const qsizetype taken = std::min(length - qsizetype(m_cut.size()), piece.size());
        m_cut.append(piece.data(), size_t(taken));
        piece = piece.sliced(taken);
        if (qsizetype(m_cut.size()) < length)
            return;
        m_valid = foldUtf8(QByteArrayView(m_cut.data(), qsizetype(m_cut.size())), m_buffer);
        m_cut.clear();
        if (!m_valid)
            return;
    }
    const qsizetype whole = wholeCharactersIn(piece);
    m_valid = foldUtf8(piece.first(whole), m_buffer);
    m_cut.assign(piece.data() + whole, size_t(piece.size() - whole));
}

bool foldUtf8(QByteArrayView utf8, std::string &buffer)
{
    const size_t start = buffer.size();
    const char *const bytes = utf8.data();
    const auto size = int32_t(utf8.size());
    const BmpTable *table = nullptr;
    std::string scratch;
    for (int32_t i = 0; i < size;) {
        if (uchar(bytes[i]) < 0x80) {
            i = int32_t(foldAsciiRun(bytes, size_t(size), size_t(i), buffer));
            continue;
        }
        UChar32 c;
        U8_NEXT(reinterpret_cast<const uint8_t *>(bytes), i, size, c);
        if (c < 0) {
            buffer.resize(start);
            return false;
        }
        buffer.append(foldedBytes(c, table, scratch));
    }
    return true;
}

// Each character's folded bytes go where the bytes read so far were. One that folds longer than
// that room would overwrite bytes still to be read: from there, the rest goes onto a new string.
bool foldUtf8InPlace(std::string &text)
{
    char *const bytes = text.data();
    const auto size = int32_t(text.size());
    const BmpTable *table = nullptr;
    std::string scratch;
    size_t written = 0;
    for (int32_t read = 0; read < size;) {
        if (uchar(bytes[read]) < 0x80) {
            bytes[written++] = asciiFolded(char16_t(uchar(bytes[read++])));
            continue;
        }
        int32_t next = read;
        UChar32 c;
        U8_NEXT(reinterpret_cast<const uint8_t *>(bytes), next, size, c);
        if (c < 0)
            return false;
        const std::string_view folded = foldedBytes(c, table, scratch);
        if (written + folded.size() > size_t(next)) {
            std::string rest(bytes, written);
            if (!foldUtf8(QByteArrayView(bytes + read, size - read), rest))
                return false;
            text = std::move(rest);
            return true;
        }
        std::memcpy(bytes + written, folded.data(), folded.size());
        written += folded.size();
        read = next;
    }
    text.resize(written);
    return true;
}

QByteArray fold(QStringView text)
{
    // Collected in a buffer and copied once at its exact size: the folded texts of a whole
    // folder stay in memory, and a grown array's spare capacity would stay with them.
    thread_local std::string buffer;
    buffer.clear();
    buffer.reserve(size_t(text.size()));
    foldOnto(text, buffer);
    return QByteArray(buffer.data(), qsizetype(buffer.size()));
}

void foldOnto(QStringView text, std::string &buffer)
{
    foldEach(text, [&buffer](std::string_view bytes, qsizetype) { buffer.append(bytes); });
}

FoldedText foldWithOrigins(QStringView text)
{
    FoldedText folded;
    folded.bytes.reserve(text.size());
    folded.origins.reserve(text.size());
    foldEach(text, [&folded](std::string_view bytes, qsizetype origin) {
        folded.bytes.append(bytes.data(), qsizetype(bytes.size()));
        folded.origins.insert(folded.origins.size(), qsizetype(bytes.size()), origin);
    });
    return folded;
}

} // namespace search
