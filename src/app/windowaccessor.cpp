#include "app/windowaccessor.h"

WindowAccessor::WindowAccessor(std::function<void(QWidget *)> onWindow, QWidget *parent)
    : QWidget(parent), m_onWindow(std::move(onWindow))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
    QMetaObject::invokeMethod(this, &WindowAccessor::handOver, Qt::QueuedConnection);
}

void WindowAccessor::handOver()
{
    QWidget *host = window();
    if (host != this)
        m_onWindow(host);
}
