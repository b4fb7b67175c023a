#include "preview/backgroundslices.h"

#include <algorithm>
#include <utility>

BackgroundSlices::BackgroundSlices(Work work, QObject *parent)
    : QObject(parent), m_work(std::move(work))
{
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &BackgroundSlices::runSlice);
}

void BackgroundSlices::start()
{
    if (m_timer.isActive())
        return;
    m_sinceSlice.invalidate();
    m_timer.start();
}

void BackgroundSlices::runSlice()
{
    // The turn that started the slices may have been a long one already.
    const std::chrono::nanoseconds rest =
        m_sinceSlice.isValid() ? std::chrono::nanoseconds(m_sinceSlice.nsecsElapsed()) : turn;
    const QDeadlineTimer deadline(std::clamp(turn - rest, shortestSlice, turn), Qt::PreciseTimer);
    const bool more = m_work(deadline);
    m_sinceSlice.start();
    if (!more)
        m_timer.stop();
}
