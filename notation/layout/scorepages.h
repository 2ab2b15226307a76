// MCScorePages: the pages one score is laid out on: how many there are and
// the musical time at which each begins.
//
// Each view's pagination keeps its own, so scores open side by side keep
// their own page counts: the view prints, draws and searches its pages by
// them. Where a page lies and what size it is are the program's page layout
// (pagelayout.h), the same for every score.
//
// Pages are numbered from 1; page 1 begins at time 0 from construction on.
// User-interface thread only.
#pragma once

#include "model/time.h"

#include <vector>

class MCScorePages {
public:
    void SetPageCount(int count) { m_pageCount = count; }
    int GetPageCount() const { return m_pageCount; }

    // Adding grows the list to fit the page; pages skipped over stay
    // unknown. Page numbers below 1 are ignored.
    void AddPageStartTime(int page, const MCTime& time);
    // MCTime::TimeMax when the page's start is not known.
    MCTime GetPageStartTime(int page) const;
    // Keeps the first `count` start times; page count and known count become `count`.
    void SetPageTimeCount(int count);
    // The pages laid out with a known start: 1 and each following page
    // whose start time is known, up to the first that is not.
    int GetKnownPageCount() const;

private:
    int m_pageCount = 1;
    std::vector<MCTime> m_startTimes{MCTime(0.0f)};
    int m_knownStartTimes = 1;
};
