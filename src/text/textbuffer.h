#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <string>

// An edit of a text: `removed` UTF-16 code units at `position` replaced by `inserted` ones.
struct TextEdit
{
    qsizetype position = 0;
    qsizetype removed = 0;
    qsizetype inserted = 0;
};

// A text that takes edits in place. Its characters are kept with a gap where the last edit
// was, so that an edit moves only the characters between it and the edit before, however
// long the text is, and never copies the text. A text given whole is shared, not copied, until
// its first edit.
//
// A view into it (view()) is valid only until the buffer is next edited or viewed: making a
// range one run of characters moves the gap. Use a view at once and never keep it. A buffer
// is used by one thread at a time.
class TextBuffer
{
public:
    TextBuffer() = default;
    explicit TextBuffer(const QString &text);

    qsizetype size() const { return m_chars.size() - m_gapLength; }
    // Replaces `removed` characters at `position` with inserted. False, changing nothing, when
    // that range is not within the text.
    bool replace(qsizetype position, qsizetype removed, QStringView inserted);
    // The characters [position, position + length), which must be within the text, as one run.
    QStringView view(qsizetype position, qsizetype length) const;
    // The whole text; shared, not copied, until the first edit, and after that put together
    // anew at each call. It is not kept: a long note's copy would stay in memory beside the
    // buffer for as long as typing pauses.
    QString toString() const;
    // The whole text in UTF-8, as QString::toUtf8() makes it, encoded from the buffer as it
    // lies: no whole copy in UTF-16 is put together on the way, which for most notes is twice
    // the size.
    QByteArray toUtf8() const;
    // The same in a string of just its length, for a reader to fold where it lies.
    std::string toUtf8String() const;
    // The position of the first c at or after from; -1 when there is none.
    qsizetype indexOf(QChar c, qsizetype from) const;

private:
    QStringView before() const { return QStringView(m_chars).first(m_gapStart); }
    QStringView after() const { return QStringView(m_chars).sliced(m_gapStart + m_gapLength); }
    void moveGapTo(qsizetype position) const;
    void keepPairsWhole() const;
    void makeRoom(qsizetype length);

    // The text before the gap, the gap, then the rest of the text. Moving the gap keeps the
    // text the same, so a const view may move it.
    mutable QString m_chars;
    mutable qsizetype m_gapStart = 0;
    qsizetype m_gapLength = 0;
};
