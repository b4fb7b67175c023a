#pragma once

#include <QObject>

class ContentView;
class NoteSearch;
class NoteStore;
class QuitSignals;

// The application: it owns the one note store for the life of the process, opens the windows
// that share it, and writes pending text before the program ends. Text that cannot be written
// is never dropped silently: the user saves it elsewhere, goes back to the program, or discards
// it by an explicit choice.
class PenwickApp : public QObject
{
    Q_OBJECT
public:
    explicit PenwickApp(QObject *parent = nullptr);
    ~PenwickApp() override;

    NoteStore *store() const { return m_store; }
    // Opens another main window on the same store.
    ContentView *newWindow();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Ending { MayGoBack, Final };

    bool isLastWindow(const ContentView *window) const;
    bool settleUnsavedText(Ending ending);
    bool saveTextElsewhere();
    void flushBeforeQuit();

    NoteStore *m_store;
    NoteSearch *m_search; // one for all windows: it holds every note's text
    QuitSignals *m_quitSignals;
    // The user has already decided what becomes of text that could not be written.
    bool m_endingSettled = false;
};
