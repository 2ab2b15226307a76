// The states of the program around the music: files, edit modes,
// preferences, the selection, status and progress, and times.
//
//   SCFile       STATE_FILE_*       sent      a document was made, opened, saved,
//                                              closed or changed by the engine
//   SCMode       STATE_MODE_*       posted    the edit tool; constructing one sets
//                                              the current mode at once
//   SCPrefs      STATE_PREFS_CHANGED posted   its own action reloads the
//                                              selection colour
//   SCSelection  STATE_SELECTION_*  sent      the events selected, in time order
//   SCStatus     STATE_STATUS_TEXT, STATE_PROGRESS_*   posted   status-bar text
//                                              and the progress of a long task
//   SCTime       STATE_TIME_*       posted    a time (play position, location)
//
// The statics (current mode, palette event type, prototype-event function,
// selection colour) belong to the user-interface thread. The living counts
// SCStatus::s_actionCount and SCTime::s_actionCount are atomic: states are
// made on worker and device threads and deleted on the user-interface
// thread; their senders skip sending while more than four are alive.
#pragma once

#include "model/lists.h"
#include "model/states.h"
#include "model/time.h"

#include <atomic>
#include <cstdint>
#include <string>

class ECBase;

// A document's file event. Sent.
class SCFile : public SCBase {
public:
    SCFile();
    explicit SCFile(unsigned code);
};

// The edit mode. Every constructor stores its code as the current mode,
// whether the state is applied or not.
class SCMode : public SCBase {
public:
    // The function that yields the palette's prototype event, with its data.
    using EventFunc = ECBase* (*)(void* data);

    SCMode();   // code 0, and the current mode becomes 0
    explicit SCMode(unsigned code);
    SCMode(const SCMode& other);
    SCMode& operator=(const SCMode& other) = default;

    static int GetMode() { return s_nMode; }
    static void SetMode(int mode) { s_nMode = mode; }
    static int GetEventType() { return s_eventType; }
    static void SetEventType(int type) { s_eventType = type; }

    // The prototype event: the installed function's answer while the mode
    // is STATE_MODE_INSERT; null in any other mode or with no function.
    static ECBase* GetEvent();
    // Installs the prototype-event function (null removes it) and its data.
    static void SetEventFunc(EventFunc function, void* data);

    static int s_nMode;                // 1500 at start
    static int s_eventType;            // the palette symbol's event type; -1 at start
    static EventFunc s_pEventFunc;     // null at start
    static void* s_pEventFuncData;
};

// Preferences changed. Applied without a performance.
class SCPrefs : public SCBase {
public:
    SCPrefs();   // STATE_PREFS_CHANGED
    explicit SCPrefs(unsigned code);

    // On STATE_PREFS_CHANGED the selection colour is read again from the
    // profile ("Settings\Color", "Selection"; green when absent).
    void DoState() override;
};

// A selection: events in time order, and the same with every mirror replaced
// by the event it shows (the resolved list, made when asked for). Both lists
// hold a reference on each event. Sent.
class SCSelection : public SCBase {
public:
    SCSelection();   // STATE_SELECTION_CLEAR
    explicit SCSelection(unsigned code);
    SCSelection(unsigned code, ECBase* event);
    SCSelection(unsigned code, const MCEventList* events);
    // The base's fields and the other's events.
    SCSelection(const SCSelection& other);
    // The base's fields; then ClearSelection and the other's events.
    SCSelection& operator=(const SCSelection& other);
    ~SCSelection() override;

    // Nothing for null or an event held already; else in time order.
    void AddToSelection(ECBase* event);
    void AddToSelection(const MCEventList* events);
    void RemoveFromSelection(ECBase* event);
    void RemoveFromSelection(const MCEventList* events);
    // Empties both lists; the event type becomes -1.
    void ClearSelection();

    // resolved 0: the events as held; else the resolved list (mirrors
    // replaced, duplicates removed), rebuilt when the events changed.
    MCEventList& GetEvents(int resolved);
    // The resolved list's common type: -1 none, -2 mixed.
    int GetEventType();
    int IsEmpty() const { return m_events.IsEmpty(); }
    int IsDynamic() const { return m_nDynamic; }
    void SetDynamic(int dynamic) { m_nDynamic = dynamic; }

    // Equal only when both hold the same events in the same order; two empty
    // selections are not equal.
    bool operator==(const SCSelection& other) const;
    bool operator!=(const SCSelection& other) const { return !(*this == other); }

    static uint32_t GetColor() { return s_color; }
    static void SetColor(uint32_t color) { s_color = color; }

    static uint32_t s_color;   // the selection colour, 0x00BBGGRR; green at start

private:
    int m_nDynamic = 0;          // kept for the receivers; nothing here reads it
    int m_nMirrorsStale = 1;     // the resolved list must be rebuilt
    int m_nTypeStale = 1;        // the event type must be recomputed
    int m_nEventType = -1;
    MCEventList m_events{10};
    MCEventList m_resolved{10};
};

// Status-bar text and progress. Posted (1803 is sent by its sender).
class SCStatus : public SCBase {
public:
    explicit SCStatus(unsigned code);
    SCStatus(unsigned code, const std::string& message);
    // The message is string `messageId` of the current resource module.
    SCStatus(unsigned code, UINT messageId);
    SCStatus(const SCStatus& other);
    SCStatus& operator=(const SCStatus& other) = default;
    ~SCStatus() override;

    void SetMessage(const std::string& message) { m_message = message; }
    // The string of the current resource module (empty when there is none).
    void SetMessage(UINT messageId);
    const std::string& GetMessage() const { return m_message; }
    void SetProgressRange(int low, int high) {
        m_nLow = low;
        m_nHigh = high;
    }
    void GetProgressRange(int& low, int& high) const {
        low = m_nLow;
        high = m_nHigh;
    }
    void SetProgressStep(int step) { m_nStep = step; }
    int GetProgressStep() const { return m_nStep; }

    // The SCStatus objects alive.
    static std::atomic<int> s_actionCount;

private:
    std::string m_message;
    int m_nLow = 0;
    int m_nHigh = 100;
    int m_nStep = 1;
};

// A time. Posted (the metronome's thread sends its beats).
class SCTime : public SCBase {
public:
    SCTime();   // code 0, the null time
    SCTime(unsigned code, const MCTime& time);
    SCTime(const SCTime& other);
    SCTime& operator=(const SCTime& other) = default;
    ~SCTime() override;

    virtual const MCTime& GetTime() const { return m_time; }
    virtual void SetTime(const MCTime& time) { m_time = time; }

    // The SCTime objects alive.
    static std::atomic<int> s_actionCount;

private:
    MCTime m_time;
};
