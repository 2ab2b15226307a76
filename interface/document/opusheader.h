// The document header: the format a document came from, its file version and
// the status of its file. Every document holds one by value; it reads and
// writes the first bytes of the native stream ("MMMF" and the version, or the
// older "OPUS" without one). Only the magic and the version are stored; the
// format and the status are set at run time by the readers and the writer.
// User-interface thread only.
#pragma once

#include "platform/core/file.h"
#include "platform/core/object.h"

// Document format codes; for 0 to 2 also the index of the save dialog's types.
enum : int {
    DF_UNKNOWN = -1,     // a new document, or a stream whose magic is not known
    DF_NATIVE = 0,       // the native compound document
    DF_MIDI_TYPE0 = 1,   // Standard MIDI File type 0 (MIDI type + 1)
    DF_MIDI_TYPE1 = 2,
    DF_MIDI_TYPE2 = 3,   // read only
    DF_SONG_FILE = 4,    // a song file of the older format
};

class MCOpusHeader : public CObject {
    DECLARE_SERIAL(MCOpusHeader)
public:
    static constexpr int CURRENT_VERSION = 2;

    MCOpusHeader() = default;   // DF_UNKNOWN, version 2

    int GetFormat() const { return m_nFormat; }
    void SetFormat(int format) { m_nFormat = format; }
    int GetVersion() const { return m_nVersion; }
    void SetVersion(int version) { m_nVersion = version; }
    const CFileStatus& GetStatus() const { return m_status; }
    void SetStatus(const CFileStatus& status) { m_status = status; }
    CTime GetCreateTime() const { return m_status.m_ctime; }
    CTime GetModificationTime() const { return m_status.m_mtime; }
    CTime GetAccessTime() const { return m_status.m_atime; }

    // Loading reads 4 bytes: "MMMF" then a 32-bit version (format native);
    // "OPUS" is version 0 (format native) with nothing more read; anything
    // else gives version and format -1 with the 4 bytes consumed. Storing
    // writes "MMMF" and the version, whatever the format.
    void Serialize(CArchive& ar) override;

private:
    int m_nFormat = DF_UNKNOWN;
    int m_nVersion = CURRENT_VERSION;
    CFileStatus m_status;
};
