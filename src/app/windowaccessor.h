#pragma once

#include <QWidget>

#include <functional>

// An invisible widget that hands the window it sits in to a callback, once, on the next turn of
// the event loop after it is made. A widget that is in no window by then calls nothing.
class WindowAccessor : public QWidget
{
    Q_OBJECT
public:
    WindowAccessor(std::function<void(QWidget *window)> onWindow, QWidget *parent);

private:
    void handOver();

    std::function<void(QWidget *)> m_onWindow;
};
