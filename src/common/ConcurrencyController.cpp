#include "common/ConcurrencyController.h"

#include <algorithm>

ConcurrencyController::ConcurrencyController(int minThreads, int maxThreads, int processors)
    : m_minThreads(std::max(1, minThreads)),
      m_maxThreads(std::max(m_minThreads, maxThreads)),
      m_processors(std::max(1, processors)),
      m_threads(m_minThreads)
{
}

int ConcurrencyController::Next(const ConcurrencyWindow& window)
{
    if (window.jobs <= 0 || window.seconds <= 0 || window.jobSeconds <= 0)
        return m_threads; // nothing learnt
    const double rate = double(window.jobs) / window.seconds;
    const double waiting = 1 - std::clamp(window.cpuSeconds / window.jobSeconds, 0.0, 1.0);
    const double busyProcessors = window.cpuSeconds / window.seconds;
    const bool blocked = window.waits < 0 || double(window.waits) >= kWaitsPerJob * double(window.jobs);

    if (m_beforeGrowth != 0) {
        const int before = m_beforeGrowth;
        m_beforeGrowth = 0;
        if (rate < m_rateBeforeGrowth * kGain) {
            m_threads = before;
            m_holdWindows = kRetryWindows;
            return m_threads;
        }
    }
    if (m_holdWindows > 0)
        --m_holdWindows;

    const bool waitsForStorage = blocked && waiting >= kWaiting && busyProcessors < kBusy * m_processors;
    if (waitsForStorage) {
        if (m_threads < m_maxThreads && m_holdWindows == 0) {
            m_beforeGrowth = m_threads;
            m_rateBeforeGrowth = rate;
            m_threads = std::min(m_maxThreads, m_threads * 2);
        }
    } else if (m_threads > m_minThreads && (waiting < kWaiting || !blocked)) {
        m_threads = std::max(m_minThreads, m_threads / 2);
    }
    return m_threads;
}
