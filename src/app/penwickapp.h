#pragma once

#include <QObject>

class ContentView;
class NoteStore;
class QuitSignals;

// The application: it owns the one note store for the life of the process, opens the windows
// that share it, and writes pending text when the application is about to quit, saying so in a
// dialog when that last write fails.
class PenwickApp : public QObject
{
    Q_OBJECT
public:
    explicit PenwickApp(QObject *parent = nullptr);
    ~PenwickApp() override;

    NoteStore *store() const { return m_store; }
    // Opens another main window on the same store.
    ContentView *newWindow();

private:
    void flushBeforeQuit();

    NoteStore *m_store;
    QuitSignals *m_quitSignals;
};
