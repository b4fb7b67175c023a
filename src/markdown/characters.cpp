#include "markdown/characters.h"

#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/utf16.h>

#include <algorithm>

namespace markdown {

// A single code point outside ASCII can still be canonically one ASCII character (U+1FEF is "`").
char16_t Characters::asciiEquivalent(char16_t c)
{
    UErrorCode status = U_ZERO_ERROR;
    static const UNormalizer2 *nfd = unorm2_getNFDInstance(&status);
    if (!nfd)
        return 0;
    UChar decomposition[4];
    status = U_ZERO_ERROR;
    const int32_t length = unorm2_getDecomposition(nfd, c, decomposition, 4, &status);
    return length == 1 && U_SUCCESS(status) && decomposition[0] < 0x80 ? decomposition[0] : 0;
}

Characters::Characters(QStringView text) : m_text(text) { }

Characters::~Characters()
{
    if (m_breaks)
        ubrk_close(m_breaks);
}

qsizetype Characters::nextByRules(qsizetype pos, qsizetype end) const
{
    if (!m_breaks) {
        UErrorCode status = U_ZERO_ERROR;
        m_breaks = ubrk_open(UBRK_CHARACTER, "", reinterpret_cast<const UChar *>(m_text.utf16()),
                             static_cast<int32_t>(m_text.size()), &status);
        if (U_FAILURE(status)) {
            m_breaks = nullptr;
            return pos + (QChar::isHighSurrogate(m_text[pos].unicode()) ? 2 : 1);
        }
    }
    const int32_t boundary = ubrk_following(m_breaks, static_cast<int32_t>(pos));
    return boundary == UBRK_DONE ? end : std::min<qsizetype>(boundary, end);
}

bool Characters::isNumericOutsideAscii(qsizetype pos) const
{
    const char16_t c = m_text[pos].unicode();
    UChar32 codePoint = c;
    if (U16_IS_LEAD(c) && pos + 1 < m_text.size() && U16_IS_TRAIL(m_text[pos + 1].unicode()))
        codePoint = U16_GET_SUPPLEMENTARY(c, m_text[pos + 1].unicode());
    return u_getIntPropertyValue(codePoint, UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

bool isWhitespaceOutsideAscii(char16_t c)
{
    return u_charType(c) == U_SPACE_SEPARATOR;
}

} // namespace markdown
