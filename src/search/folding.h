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

// The folded text with, for each of its bytes, the position in the original text of the
// character that byte came from; used to show where a match lies in the original.
struct FoldedText
{
    QByteArray bytes;
    QList<qsizetype> origins;
};
FoldedText foldWithOrigins(QStringView text);

} // namespace search
