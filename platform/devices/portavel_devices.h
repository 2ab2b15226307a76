// The device table of the device library: every device the backends report, by kind
// (PV_MIDI, PV_WAVE), direction (PV_INPUT, PV_OUTPUT) and index, with what the system
// reads of it (capabilities, wave format) and where it stands (enabled, open, started).
//
// CPVDevice is one entry; its static FillFormat gives the fourteen numbered PCM
// formats. CWaveOut answers the pickers' question for a wave output's description.
// CPVDeviceTable numbers the backends' devices one after another, in backend order,
// and translates between the library's numbers and a backend's own.
//
// Not locked: CPortavel guards its table with its device lock. A device number from
// a caller or a setting is only ever used through Find, which answers null for one
// outside the table.
#pragma once

#include "platform/devices/backend.h"

#include <memory>
#include <string>
#include <vector>

class CPVDevice {
public:
    CPVDevice(int kind, int direction, CPVBackend& backend, int local, const CPVDeviceInfo& info);

    // Fills `format` with numbered format `number`: 8,000 Hz 8-bit mono, 8-bit stereo;
    // then 11,025, 22,050 and 44,100 Hz, each 8-bit mono, 8-bit stereo, 16-bit mono,
    // 16-bit stereo. 1 on success; 0, and `format` untouched, for another number.
    static int FillFormat(WAVEFORMATEX* format, int number);
    // The number of a PCM format among the fourteen, or -1.
    static int FindFormat(const WAVEFORMATEX& format);
    // Whether a format is PCM that a wave device can take (1 or 2 channels, 8 or 16
    // bits, a rate from 1,000 to 192,000 Hz) with its derived fields consistent.
    static bool IsPlayableFormat(const WAVEFORMATEX& format);

    int GetKind() const { return m_kind; }
    int GetDirection() const { return m_direction; }
    CPVBackend& GetBackend() const { return m_backend; }
    int GetLocalIndex() const { return m_local; }
    const CPVDeviceInfo& GetInfo() const { return m_info; }
    const PV_DevCaps& GetCaps() const { return m_caps; }
    const PV_DevFormat& GetFormat() const { return m_format; }
    // Wave devices: the format in force from now on (the caller checked it).
    void SetFormat(const WAVEFORMATEX& format);

    bool m_enabled = false;   // marked for OpenDevices and StartDevices
    bool m_open = false;
    bool m_started = false;   // inputs deliver only while started

private:
    const int m_kind;
    const int m_direction;
    CPVBackend& m_backend;    // borrowed; the library owns its backends and outlives its table
    const int m_local;        // the backend's own index
    const CPVDeviceInfo m_info;
    PV_DevCaps m_caps;
    PV_DevFormat m_format;    // wave devices only
};

// A wave output as the pickers see it.
class CWaveOut {
public:
    // The description of wave output `index` of the process's device library, or an
    // empty text when it has none (or there is no such output).
    static std::string DSGetDescription(int index);
};

class CPVDeviceTable {
public:
    CPVDeviceTable() = default;
    CPVDeviceTable(const CPVDeviceTable&) = delete;
    CPVDeviceTable& operator=(const CPVDeviceTable&) = delete;

    // Asks every backend for its devices, in order, replacing what the table held.
    void Build(const std::vector<CPVBackend*>& backends);

    // The number of devices of a kind and direction; 0 for any other kind or direction.
    int GetCount(int kind, int direction) const;
    // The device, or null for a number outside the table.
    CPVDevice* Find(int kind, int direction, int index) const;
    // The library's number of a backend's device, or -1.
    int FindIndex(const CPVBackend& backend, int kind, int direction, int local) const;
    // Every device of a kind and direction, in number order.
    const std::vector<std::unique_ptr<CPVDevice>>& GetDevices(int kind, int direction) const;
    // Whether any device is open.
    bool IsAnyOpen() const;

private:
    static bool IsAddress(int kind, int direction);

    std::vector<std::unique_ptr<CPVDevice>> m_devices[2][2];   // [kind][direction], owned
};
