#include "app/findbar.h"

#include "app/noteeditor.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

namespace {

// A Scintilla indicator of the container's own range.
constexpr int matchIndicator = QsciScintillaBase::INDIC_CONTAINER;
// Matches are looked for again this long after the user stops typing in the note.
constexpr int editPauseMs = 200;

QPushButton *button(const QString &text, const QString &description)
{
    auto *pushButton = new QPushButton(text);
    pushButton->setAutoDefault(false);
    pushButton->setAccessibleName(QString(text).remove(u'&'));
    pushButton->setAccessibleDescription(description);
    return pushButton;
}

QToolButton *arrowButton(Qt::ArrowType arrow, const QString &name, const QString &description)
{
    auto *toolButton = new QToolButton;
    toolButton->setArrowType(arrow);
    toolButton->setAutoRaise(true);
    toolButton->setToolTip(description);
    toolButton->setAccessibleName(name);
    toolButton->setAccessibleDescription(description);
    return toolButton;
}

} // namespace

FindBar::FindBar(NoteEditor *editor, QWidget *parent)
    : QWidget(parent), m_editor(editor), m_editPause(new QTimer(this))
{
    setAccessibleName(tr("Find bar"));
    setAccessibleDescription(tr("Finds and replaces text in the note"));
    m_findField = new QLineEdit;
    m_findField->setPlaceholderText(tr("Find"));
    m_findField->setClearButtonEnabled(true);
    m_findField->setAccessibleName(tr("Find"));
    m_findField->setAccessibleDescription(tr("Text to find in the note"));
    m_replaceField = new QLineEdit;
    m_replaceField->setPlaceholderText(tr("Replace with"));
    m_replaceField->setAccessibleName(tr("Replace with"));
    m_replaceField->setAccessibleDescription(tr("Text that replaces each match"));
    m_matchCase = new QCheckBox(tr("Match &Case"));
    m_matchCase->setAccessibleDescription(tr("Find only text in the same letter case"));
    m_wholeWords = new QCheckBox(tr("&Whole Words"));
    m_wholeWords->setAccessibleDescription(tr("Find only whole words"));
    m_count = new QLabel;
    m_count->setAccessibleName(tr("Matches"));
    m_notice = new QLabel;
    m_notice->setAccessibleName(tr("Find notice"));
    m_notice->setForegroundRole(QPalette::PlaceholderText);

    QToolButton *previous =
        arrowButton(Qt::UpArrow, tr("Previous match"), tr("Select the previous match (Shift+F3)"));
    QToolButton *next =
        arrowButton(Qt::DownArrow, tr("Next match"), tr("Select the next match (F3)"));
    QPushButton *replace = button(tr("&Replace"), tr("Replace the selected match"));
    QPushButton *replaceAllButton = button(tr("Replace &All"), tr("Replace every match"));
    auto *close = new QToolButton;
    close->setIcon(QIcon::fromTheme(QStringLiteral("window-close")));
    close->setText(tr("Close"));
    close->setToolTip(tr("Close the find bar (Esc)"));
    close->setAccessibleName(tr("Close"));
    close->setAccessibleDescription(tr("Close the find bar and return to the note"));
    close->setAutoRaise(true);

    // The bar sits under the editor, which may be narrow: three short rows rather than one.
    auto *findRow = new QHBoxLayout;
    findRow->addWidget(m_findField, 1);
    findRow->addWidget(m_count);
    findRow->addWidget(previous);
    findRow->addWidget(next);
    findRow->addWidget(close);
    auto *optionsRow = new QHBoxLayout;
    optionsRow->addWidget(m_matchCase);
    optionsRow->addWidget(m_wholeWords);
    optionsRow->addWidget(m_notice, 1);
    m_replaceRow = new QWidget;
    auto *replaceRow = new QHBoxLayout(m_replaceRow);
    replaceRow->setContentsMargins(0, 0, 0, 0);
    replaceRow->addWidget(m_replaceField, 1);
    replaceRow->addWidget(replace);
    replaceRow->addWidget(replaceAllButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(4);
    layout->addLayout(findRow);
    layout->addLayout(optionsRow);
    layout->addWidget(m_replaceRow);

    m_editor->SendScintilla(QsciScintillaBase::SCI_INDICSETSTYLE, matchIndicator,
                            QsciScintillaBase::INDIC_ROUNDBOX);
    m_editor->SendScintilla(QsciScintillaBase::SCI_INDICSETALPHA, matchIndicator, 90L);
    m_editor->SendScintilla(QsciScintillaBase::SCI_INDICSETFORE, matchIndicator,
                            palette().color(QPalette::Highlight));

    m_editPause->setSingleShot(true);
    m_editPause->setInterval(editPauseMs);
    connect(m_editPause, &QTimer::timeout, this, [this] {
        findAllMatches();
        markMatches();
        showCount();
    });
    // Typing in the note only restarts the timer, and only while the bar is open.
    connect(m_editor, &QsciScintilla::textChanged, this, [this] {
        if (isVisible())
            m_editPause->start();
    });
    connect(m_findField, &QLineEdit::textEdited, this, &FindBar::searchAgain);
    connect(m_matchCase, &QCheckBox::toggled, this, &FindBar::searchAgain);
    connect(m_wholeWords, &QCheckBox::toggled, this, &FindBar::searchAgain);
    connect(m_findField, &QLineEdit::returnPressed, this, &FindBar::findNext);
    connect(m_replaceField, &QLineEdit::returnPressed, this, &FindBar::replaceCurrent);
    connect(previous, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(next, &QToolButton::clicked, this, &FindBar::findNext);
    connect(replace, &QPushButton::clicked, this, &FindBar::replaceCurrent);
    connect(replaceAllButton, &QPushButton::clicked, this, &FindBar::replaceAll);
    connect(close, &QToolButton::clicked, this, &FindBar::closeBar);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &FindBar::closeBar);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    auto *backwards = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Return), m_findField, this,
                                    &FindBar::findPrevious);
    backwards->setContext(Qt::WidgetShortcut);
    hide();
}

void FindBar::openFind()
{
    open(false);
}

void FindBar::openReplace()
{
    open(true);
}

void FindBar::open(bool withReplace)
{
    m_replaceRow->setVisible(withReplace || (m_replaceRow->isVisible() && isVisible()));
    m_origin = m_editor->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART);
    takeSelectionAsQuery();
    show();
    setNotice(QString());
    findAllMatches();
    markMatches();
    showCount();
    m_findField->setFocus();
    m_findField->selectAll();
}

// A selection on one line is what the user wants to find; a longer one is not.
void FindBar::takeSelectionAsQuery()
{
    const QString selected = m_editor->selectedText();
    if (!selected.isEmpty() && !selected.contains(u'\n') && !selected.contains(u'\r'))
        m_findField->setText(selected);
}

void FindBar::closeBar()
{
    m_editPause->stop();
    m_matches.clear();
    markMatches();
    hide();
    m_editor->setFocus();
}

QString FindBar::countText() const
{
    return m_count->text();
}

QString FindBar::noticeText() const
{
    return m_notice->text();
}

void FindBar::searchAgain()
{
    setNotice(QString());
    findAllMatches();
    markMatches();
    selectFrom(m_origin, true);
    showCount();
}

void FindBar::findAllMatches()
{
    m_matches.clear();
    const QByteArray query = m_findField->text().toUtf8();
    if (query.isEmpty())
        return;
    long flags = 0;
    if (m_matchCase->isChecked())
        flags |= QsciScintillaBase::SCFIND_MATCHCASE;
    if (m_wholeWords->isChecked())
        flags |= QsciScintillaBase::SCFIND_WHOLEWORD;
    const long length = m_editor->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    m_editor->SendScintilla(QsciScintillaBase::SCI_SETSEARCHFLAGS, flags);
    long from = 0;
    while (from < length) {
        m_editor->SendScintilla(QsciScintillaBase::SCI_SETTARGETRANGE, from, length);
        const long start = m_editor->SendScintilla(QsciScintillaBase::SCI_SEARCHINTARGET,
                                                   query.size(), query.constData());
        if (start < 0)
            break;
        const long end = m_editor->SendScintilla(QsciScintillaBase::SCI_GETTARGETEND);
        m_matches.emplace_back(start, end);
        from = std::max(end, start + 1);
    }
}

void FindBar::markMatches()
{
    const long length = m_editor->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
    m_editor->SendScintilla(QsciScintillaBase::SCI_SETINDICATORCURRENT, matchIndicator);
    m_editor->SendScintilla(QsciScintillaBase::SCI_INDICATORCLEARRANGE, 0L, length);
    for (const auto &[start, end] : m_matches)
        m_editor->SendScintilla(QsciScintillaBase::SCI_INDICATORFILLRANGE, start, end - start);
}

void FindBar::findNext()
{
    if (m_matches.empty())
        findAllMatches();
    selectFrom(m_editor->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND), true);
    showCount();
}

void FindBar::findPrevious()
{
    if (m_matches.empty())
        findAllMatches();
    selectFrom(m_editor->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART), false);
    showCount();
}

// Forward: the first match that starts at or after the position; backward: the last match that
// ends at or before it. Past either end the search goes on from the other, and says so.
void FindBar::selectFrom(long position, bool forward)
{
    if (m_matches.empty())
        return;
    int index = -1;
    if (forward) {
        const auto found =
            std::lower_bound(m_matches.begin(), m_matches.end(), position,
                             [](const Match &match, long value) { return match.first < value; });
        index = found == m_matches.end() ? -1 : int(found - m_matches.begin());
    } else {
        const auto found =
            std::upper_bound(m_matches.begin(), m_matches.end(), position,
                             [](long value, const Match &match) { return value < match.second; });
        index = int(found - m_matches.begin()) - 1;
    }
    if (index < 0) {
        index = forward ? 0 : int(m_matches.size()) - 1;
        setNotice(forward ? tr("Continued from the top") : tr("Continued from the bottom"));
    } else {
        setNotice(QString());
    }
    select(index);
}

void FindBar::select(int index)
{
    const auto &[start, end] = m_matches[size_t(index)];
    m_editor->SendScintilla(QsciScintillaBase::SCI_SETSEL, start, end);
    m_editor->SendScintilla(QsciScintillaBase::SCI_SCROLLCARET);
}

int FindBar::selectedMatch() const
{
    const Match selection {m_editor->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART),
                           m_editor->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND)};
    const auto found = std::lower_bound(m_matches.begin(), m_matches.end(), selection);
    return found != m_matches.end() && *found == selection ? int(found - m_matches.begin()) : -1;
}

void FindBar::replaceCurrent()
{
    if (m_editor->isReadOnly())
        return;
    const int index = selectedMatch();
    if (index < 0) {
        findNext();
        return;
    }
    const auto [start, end] = m_matches[size_t(index)];
    const QByteArray replacement = m_replaceField->text().toUtf8();
    m_editor->editAsOne(start, end, [&] {
        m_editor->SendScintilla(QsciScintillaBase::SCI_SETTARGETRANGE, start, end);
        m_editor->SendScintilla(QsciScintillaBase::SCI_REPLACETARGET, replacement.size(),
                                replacement.constData());
    });
    findAllMatches();
    markMatches();
    selectFrom(start + replacement.size(), true);
    showCount();
}

// From the last match to the first, so that each replacement leaves the positions of the
// matches before it as they were.
void FindBar::replaceAll()
{
    findAllMatches();
    if (m_matches.empty() || m_editor->isReadOnly())
        return;
    const QByteArray replacement = m_replaceField->text().toUtf8();
    const int replaced = int(m_matches.size());
    m_editor->editAsOne(m_matches.front().first, m_matches.back().second, [&] {
        for (auto match = m_matches.rbegin(); match != m_matches.rend(); ++match) {
            m_editor->SendScintilla(QsciScintillaBase::SCI_SETTARGETRANGE, match->first,
                                    match->second);
            m_editor->SendScintilla(QsciScintillaBase::SCI_REPLACETARGET, replacement.size(),
                                    replacement.constData());
        }
    });
    findAllMatches();
    markMatches();
    showCount();
    setNotice(tr("Replaced: %L1").arg(replaced));
}

void FindBar::showCount()
{
    if (m_findField->text().isEmpty()) {
        m_count->clear();
        return;
    }
    if (m_matches.empty()) {
        m_count->setText(tr("No matches"));
        return;
    }
    const int index = selectedMatch();
    m_count->setText(index < 0 ? tr("%L1 found").arg(m_matches.size())
                               : tr("%L1 of %L2").arg(index + 1).arg(m_matches.size()));
}

void FindBar::setNotice(const QString &notice)
{
    m_notice->setText(notice);
}
