#pragma once

#include <QByteArrayView>
#include <QString>

// The checks each fuzz target makes of one input, shared by the libFuzzer targets and by the
// test that replays their corpus. Any bytes are an input. Each returns what went wrong, or an
// empty string; a crash, a hang or undefined behaviour is left to the sanitizers to report.
namespace fuzz {

// markdown::parse of the bytes as UTF-8, and its blocks' extents against its blocks.
QString checkParse(QByteArrayView data);

// markdown::parseInline of the bytes as UTF-8: every run shows text, neighbours differ in style,
// only links have targets, and what is shown comes from the text in its order.
QString checkParseInline(QByteArrayView data);

// The incremental parser after a sequence of edits against a full parse of each result. The
// bytes are pieces split at 0xFE (which UTF-8 never holds): the first is the starting text; each
// later one is an edit, two bytes for its position, one for how many characters it removes, and
// the rest the UTF-8 text it inserts.
QString checkIncremental(QByteArrayView data);

} // namespace fuzz
