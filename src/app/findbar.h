#pragma once

#include <QWidget>

#include <utility>
#include <vector>

class NoteEditor;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// The slim bar under the editor that finds and replaces in the note. It searches as the user
// types, marks every match, says which match is selected out of how many, and wraps around at
// either end with a notice. Replacing changes only the matched bytes of the note; Replace All is
// one step to undo.
class FindBar : public QWidget
{
    Q_OBJECT
public:
    explicit FindBar(NoteEditor *editor, QWidget *parent = nullptr);

    // Shows the bar with the find field focused; a selection in the editor becomes the text.
    void openFind();
    // The same, with the replace row shown.
    void openReplace();
    // Hides the bar, takes the marks away and gives the editor the focus.
    void closeBar();
    void findNext();
    void findPrevious();
    void replaceCurrent();
    void replaceAll();

    QLineEdit *findField() const { return m_findField; }
    QLineEdit *replaceField() const { return m_replaceField; }
    QCheckBox *matchCaseBox() const { return m_matchCase; }
    QCheckBox *wholeWordsBox() const { return m_wholeWords; }
    // "3 of 12", "No matches" or empty.
    QString countText() const;
    // The notice of the last wrap or replacement, empty when there is none.
    QString noticeText() const;
    int matchCount() const { return int(m_matches.size()); }

private:
    using Match = std::pair<long, long>; // byte positions in the editor: start, end

    void open(bool withReplace);
    void takeSelectionAsQuery();
    void searchAgain();
    void findAllMatches();
    void markMatches();
    void selectFrom(long position, bool forward);
    void select(int index);
    int selectedMatch() const;
    void showCount();
    void setNotice(const QString &notice);

    NoteEditor *m_editor;
    QLineEdit *m_findField;
    QLineEdit *m_replaceField;
    QWidget *m_replaceRow;
    QCheckBox *m_matchCase;
    QCheckBox *m_wholeWords;
    QLabel *m_count;
    QLabel *m_notice;
    QTimer *m_editPause;
    std::vector<Match> m_matches;
    // Where the search began, so that each letter typed searches from there again.
    long m_origin = 0;
};
