#pragma once

#include <QList>
#include <QString>

#include <variant>

namespace markdown {

struct Heading
{
    qint64 level; // 1 to 6
    QString content;
    bool operator==(const Heading &) const = default;
};

struct Paragraph
{
    QString content; // its lines, trimmed, joined with one space
    bool operator==(const Paragraph &) const = default;
};

struct Code
{
    QString content; // its lines as written, joined with "\n"
    bool operator==(const Code &) const = default;
};

struct Quote
{
    QString content;
    bool operator==(const Quote &) const = default;
};

struct Bullet
{
    QString content; // begins with whitespace when more follows the marker's space
    qint64 indent; // leading spaces and tabs of the line, divided by two
    bool operator==(const Bullet &) const = default;
};

struct Number
{
    QString marker; // the numeric characters and the ".", as written
    QString content;
    bool operator==(const Number &) const = default;
};

struct Rule
{
    bool operator==(const Rule &) const = default;
};

using Block = std::variant<Heading, Paragraph, Code, Quote, Bullet, Number, Rule>;

// Splits a note into its blocks, in text order. Line-oriented: every line is one quote, list
// item, heading or rule, or part of a paragraph or fenced code block; inline markup stays in
// the content. Characters are grapheme clusters compared under canonical equivalence, so a
// marker followed by a combining mark is no marker. Never fails; linear in the text's length.
QList<Block> parse(const QString &source);

} // namespace markdown
