#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QStringView>

#include <string>

// The form in which texts are compared when searching: case folded fully (ICU's default
// folding, so "ß" is "ss"), canonically decomposed, with every combining mark dropped (so "é",
// "e\u0301" and "E" are all "e"), as UTF-8. Line breaks and every other character stay one for
// one, so a line of the folded text is the same line of the original.
namespace search {

QByteArray fold(QStringView text);
// The same, appended to `buffer`.
void foldOnto(QStringView text, std::string &buffer);
// The same for text given as UTF-8, as a note's file holds it, without decoding it first,
// appended to `buffer`; false, and `buffer` as it was, when the bytes are not valid UTF-8.
bool foldUtf8(QByteArrayView utf8, std::string &buffer);

// The same for UTF-8 that is given up, folded where it lies: mostly no more memory than it takes.
bool foldUtf8InPlace(std::string &text);

// Folds UTF-8 that arrives in pieces, as a file is read, onto `buffer`, as foldUtf8() would fold
// it whole: a piece may end inside a character. Once the bytes turn out not to be valid UTF-8,
// the rest is not looked at, and what `buffer` holds is of no use.
class Utf8PieceFolder
{
public:
    explicit Utf8PieceFolder(std::string &buffer) : m_buffer(buffer) { }
    void take(QByteArrayView piece);
    // Whether the bytes taken were valid UTF-8 that ended with a whole character.
    bool finish() const { return m_valid && m_cut.empty(); }

private:
    std::string &m_buffer;
    std::string m_cut; // the first bytes of a character that the last piece cut off
    bool m_valid = true;
};

// The folded text with, for each of its bytes, the position in the original text of the
// character that byte came from; used to show where a match lies in the original.
struct FoldedText
{
    QByteArray bytes;
    QList<qsizetype> origins;
};
FoldedText foldWithOrigins(QStringView text);

} // namespace search
