// The pages of one score: their count and start times.
#include "notation/layout/scorepages.h"

#include <algorithm>

void MCScorePages::AddPageStartTime(int page, const MCTime& time) {
    if (page < 1)
        return;
    const size_t index = static_cast<size_t>(page) - 1;
    // Pagination adds pages in order; a page further on leaves the ones it
    // skips unknown rather than reading whatever the list held there.
    if (index >= m_startTimes.size())
        m_startTimes.resize(std::max(index + 1, m_startTimes.size() + 10), MCTime::TimeMax());
    for (size_t i = static_cast<size_t>(m_knownStartTimes); i < index; ++i)
        m_startTimes[i] = MCTime::TimeMax();
    m_startTimes[index] = time;
    m_knownStartTimes = std::max(m_knownStartTimes, page);
}

MCTime MCScorePages::GetPageStartTime(int page) const {
    if (page < 1 || page > m_knownStartTimes)
        return MCTime::TimeMax();
    return m_startTimes[static_cast<size_t>(page) - 1];
}

void MCScorePages::SetPageTimeCount(int count) {
    count = std::max(count, 0);
    if (static_cast<size_t>(count) > m_startTimes.size())
        m_startTimes.resize(static_cast<size_t>(count), MCTime::TimeMax());
    for (size_t i = static_cast<size_t>(m_knownStartTimes); i < static_cast<size_t>(count); ++i)
        m_startTimes[i] = MCTime::TimeMax();
    m_knownStartTimes = count;
    m_pageCount = count;
}

int MCScorePages::GetKnownPageCount() const {
    int count = 1;
    while (GetPageStartTime(count + 1) < MCTime::TimeMax())
        ++count;
    return count;
}
