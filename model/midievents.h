// MIDI events and wave clips: the events that stand for MIDI messages without
// notation of their own, and for wave files placed on audio tracks.
//
// A MIDI event holds only its time and voice/track word. Its message bytes
// (controller number and value, program, pressure, bend ...) belong to its
// performer, the view data of kind DK_SEQUENCER that the performance engine
// attaches and that is archived with the event's view data. So these classes
// add nothing to ECWithTime but their type number; the system message keeps a
// message type byte, and the wave clip a file name and a duration.
//
// Where they live: control changes, bank selects, channel mode, channel and
// polyphonic pressure, pitch bends and program changes under staves; system
// messages under the conductor staff; pans under measures, staves and wave
// tracks; wave clips under wave tracks (the type table, model/eventtypes.cpp).
// Bank selects are never made from their type number (3 and 4 create
// nothing): the score manager builds them, or an archive reads them by class.
//
// Every class is serial with schema 2, versionable, and found by its class
// name. Events carry no lock; see model/event.h. GetControllerString reads
// constant data: any thread.
#pragma once

#include "model/event.h"

#include <string>

// A controller change. Archived as ECWithTime alone: its controller and value
// travel in its view data.
class ECControlChange : public ECWithTime {
    DECLARE_SERIAL(ECControlChange)
public:
    ECControlChange() = default;
    ECControlChange(const ECControlChange& other) = default;   // time and word

    int GetClassType() const override;

    // The forms of GetControllerString.
    enum : int {
        CS_NUMBER = 0,            // "7"
        CS_NAME = 1,              // "Main Volume (MSB)"; any form but 0 and 2
        CS_NUMBER_AND_NAME = 2,   // "007)  Main Volume (MSB)"
    };
    // A text for a controller number: the number alone ("%d"), the number and
    // its name ("%03d)  %s", two blanks), or the name alone. A controller
    // without a name has an empty name part.
    static std::string GetControllerString(unsigned char controller, int form);
};

// Bank select, least significant byte (controller 32).
class ECBankLSB : public ECControlChange {
    DECLARE_SERIAL(ECBankLSB)
public:
    ECBankLSB() = default;
    ECBankLSB(const ECBankLSB& other) = default;
    int GetClassType() const override;
};

// Bank select, most significant byte (controller 0).
class ECBankMSB : public ECControlChange {
    DECLARE_SERIAL(ECBankMSB)
public:
    ECBankMSB() = default;
    ECBankMSB(const ECBankMSB& other) = default;
    int GetClassType() const override;
};

// A channel mode message (controllers 120 and above).
class ECChannelMode : public ECWithTime {
    DECLARE_SERIAL(ECChannelMode)
public:
    ECChannelMode() = default;
    ECChannelMode(const ECChannelMode& other) = default;
    int GetClassType() const override;
};

class ECChannelPressure : public ECWithTime {
    DECLARE_SERIAL(ECChannelPressure)
public:
    ECChannelPressure() = default;
    ECChannelPressure(const ECChannelPressure& other) = default;
    int GetClassType() const override;
};

class ECPitchBend : public ECWithTime {
    DECLARE_SERIAL(ECPitchBend)
public:
    ECPitchBend() = default;
    ECPitchBend(const ECPitchBend& other) = default;
    int GetClassType() const override;
};

class ECPolyPressure : public ECWithTime {
    DECLARE_SERIAL(ECPolyPressure)
public:
    ECPolyPressure() = default;
    ECPolyPressure(const ECPolyPressure& other) = default;
    int GetClassType() const override;
};

class ECProgramChange : public ECWithTime {
    DECLARE_SERIAL(ECProgramChange)
public:
    ECProgramChange() = default;
    ECProgramChange(const ECProgramChange& other) = default;
    int GetClassType() const override;
};

// A pan setting of a measure, a staff or a wave track.
class ECPan : public ECWithTime {
    DECLARE_SERIAL(ECPan)
public:
    ECPan() = default;
    ECPan(const ECPan& other) = default;
    int GetClassType() const override;
};

// A system message under the conductor staff. Holds a message type byte, of
// which 0 is the only one: any other is kept as 0.
class ECSystemMessage : public ECWithTime {
    DECLARE_SERIAL(ECSystemMessage)
public:
    ECSystemMessage() = default;
    explicit ECSystemMessage(unsigned char type) { SetMsgType(type); }
    ECSystemMessage(const ECSystemMessage& other) = default;   // time, word, type

    // The ECWithTime part, then the type byte. A byte above 0 in a file
    // loads as 0, like any other type given to SetMsgType.
    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    unsigned char GetMsgType() const { return m_msgType; }
    void SetMsgType(unsigned char type) { m_msgType = type > 0 ? 0 : type; }

private:
    unsigned char m_msgType = 0;
};

// A wave-file clip on a wave track: the file's name and the clip's length.
// Every constructor puts the clip at time 0 unless given a time. A copy takes
// the time, the voice/track word and the file name; its duration is that of
// a new clip (the default time value, 0.0), to be measured again.
class ECWave : public ECWithTimeChild {
    DECLARE_SERIAL(ECWave)
public:
    ECWave();
    explicit ECWave(const std::string& file);
    ECWave(const MCTime& time, const std::string& file);
    ECWave(const ECWave& other);

    // The ECWithTimeChild part, the file name (string form), then the
    // duration (time form, loaded with the active performance's version).
    void Serialize(CArchive& ar) override;
    int GetClassType() const override;

    const std::string& GetFileName() const { return m_fileName; }
    // Never null.
    MCTime* GetDuration() override { return &m_duration; }
    // A null duration is ignored.
    void SetDuration(const MCTime* duration) override;

private:
    std::string m_fileName;
    MCTime m_duration;
};
