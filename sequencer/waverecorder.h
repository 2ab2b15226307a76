// The wave recorder: records the sequence's wave input into temporary wave
// files, one take per armed wave track, while the sequence records, and on
// stop turns each take that holds sound into a wave clip on its track.
//
// It holds the sequence it serves (borrowed), the device library (borrowed:
// the sequence's, else the process's), its state (RECORDER_STOPPED or
// RECORDER_RECORDING) and the takes (owned), each with its wave track's
// performer (borrowed), the time recording started, its input device, its
// temporary file and writer (owned) and the tag of the running input.
//
// Arming and disarming happen only while stopped, and an input device serves
// one track: arming a second track on the same device hands the take over,
// tag and file included. Stop disarms every track. A take with sound becomes
// a clip through the wave score manager, is announced with STATE_WAVE_RECORDED
// and marks the document modified (every recording, not only the first); an
// empty take leaves no file. Detach stops a running recording, then releases
// every take left: its device is closed and its unused temporary file deleted.
//
// Threads: RecordProc runs on the device library's thread and only writes
// buffers to the takes' writers; everything else runs on the user-interface
// thread. The take list is guarded by the recorder's own lock, which is never
// held while the device library is called (stopping the input waits for a
// running callback, which takes that lock).
#pragma once

#include "model/time.h"

#include "platform/core/object.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CPortavel;
class CPVEventData;
class CSequence;
class CWaveFileWrite;
class DCsqWaveTrack;

class CWaveRecorder : public CObject {
public:
    enum : unsigned {
        RECORDER_STOPPED = 0x1000,
        RECORDER_RECORDING = 0x10000,
    };

    CWaveRecorder();
    // Stops and detaches.
    ~CWaveRecorder() override;
    CWaveRecorder(const CWaveRecorder&) = delete;
    CWaveRecorder& operator=(const CWaveRecorder&) = delete;

    // Takes the sequence's device library (the process's when it has none).
    void Attach(CSequence* sequence);
    // Stops, releases every take left (device closed, file deleted) and
    // forgets the sequence.
    void Detach();
    unsigned GetState() const { return m_nState; }

    // Arms a wave track on the sequence's input wave device. 1 on success or
    // when the track is armed already; 0 while recording, for a null track,
    // a device that does not open or a file that cannot be made.
    int AddTrack(DCsqWaveTrack* track);
    // Disarms a track (nothing while recording): its takes' devices closed,
    // their files deleted.
    void RemoveTrack(DCsqWaveTrack* track);

    void Record();
    void Stop();
    void Pause() {}

    // The input callback given to the device library (its thread).
    static void RecordProc(void* user, int tag, CPVEventData* event);

    // The number of armed takes and, for tests and the mixer, whether a wave
    // track number has one.
    int GetTakeCount() const;
    int IsRecordSet(int track) const;

protected:
    struct Take {
        DCsqWaveTrack* track = nullptr;           // borrowed: the wave track's performer
        MCTime start;                             // the sequence's location at Record
        int device = 0;                           // the input wave device
        std::string fileName;                     // the temporary file (UTF-8)
        std::unique_ptr<CWaveFileWrite> writer;   // owned
        int tag = 0;                              // the running input's, from StartWaveRecording
    };

    void RecordWaveData(int tag, CPVEventData* event);
    // Announces the armed wave tracks (STATE_TRACK_RECORDING, TT_WAVE).
    void UpdateRecordConfig();
    // A new unique file in the system's temporary folder; false when none
    // can be made.
    static bool GetTempName(std::string& name);
    // Marks the document modified.
    void SetModified();

private:
    // The wave track number of a track performer; 0 when it has none.
    int TrackNumber(DCsqWaveTrack* track) const;
    // Closes the take's device and writer and deletes its file.
    void ReleaseTake(Take& take);
    // Ends a take after recording: a clip for a take with sound, else its
    // file deleted. True when it held sound.
    bool FinishTake(Take& take);

    CSequence* m_pSequence = nullptr;   // borrowed
    CPortavel* m_pPortavel = nullptr;   // borrowed
    unsigned m_nState = RECORDER_STOPPED;
    int m_nModifiedSent = 0;            // recordings that marked the document modified
    mutable std::mutex m_takesLock;     // guards m_takes against RecordProc
    std::vector<std::unique_ptr<Take>> m_takes;
};
