#pragma once

#include <QStringView>

#include <cstdint>
#include <cstring>

// The number of bytes the text takes in UTF-8, as QString::toUtf8() would make it, counted
// without making it. A surrogate is counted as half of a pair, even when it stands alone.
// A long note may be counted whole, and most notes are mostly ASCII, which is counted four
// characters at a time.
inline qsizetype utf8Length(QStringView text)
{
    const char16_t *units = text.utf16();
    const qsizetype size = text.size();
    qsizetype length = 0;
    for (qsizetype i = 0; i < size;) {
        uint64_t four = 0;
        if (i + 4 <= size) {
            std::memcpy(&four, units + i, sizeof four);
            if ((four & 0xFF80FF80FF80FF80u) == 0) {
                length += 4;
                i += 4;
                continue;
            }
        }
        const char16_t unit = units[i++];
        const bool surrogate = (unit & 0xF800) == 0xD800;
        const bool high = (unit & 0xFC00) == 0xD800;
        // A high surrogate makes four with its low one, which adds nothing.
        length += 1 + (unit >= 0x80) + (unit >= 0x800) + high - 3 * (surrogate && !high);
    }
    return length;
}
