#pragma once

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

// Runs work in slices while the event loop has nothing more pressing to do. A slice is as long
// as the rest of the program leaves of a short turn of the event loop: other work shares the
// same turns (the editor wraps its lines in slices of its own, the window is painted), and a
// slice of fixed length would add up with it to turns that a keystroke waits on. What the rest
// of a turn took is the time between the end of one slice and the start of the next.
class BackgroundSlices : public QObject
{
    Q_OBJECT
public:
    // The work does what it can before the deadline and says whether any is left.
    using Work = std::function<bool(const QDeadlineTimer &deadline)>;

    explicit BackgroundSlices(Work work, QObject *parent = nullptr);

    // Runs slices from the next turn on until the work says it is done, the first one the
    // shortest. Starting slices that run already changes nothing, so that what the program does
    // meanwhile still counts as the rest of the turn.
    void start();

    // The turn a slice and the rest of the program's work aim to fit in, and the least a slice
    // takes however busy the program is, so that the work always gets done.
    static constexpr std::chrono::nanoseconds turn = std::chrono::milliseconds(10);
    static constexpr std::chrono::nanoseconds shortestSlice = std::chrono::milliseconds(1);

private:
    void runSlice();

    Work m_work;
    QTimer m_timer;
    QElapsedTimer m_sinceSlice;
};
