#include "platform/devices/synth.h"

#include "platform/core/trace.h"
#include "platform/devices/alsa.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace {

// FluidSynth reports through its log; ours is the debug trace, so that a machine
// without sound does not fill the user's terminal with driver complaints.
void TraceFluidMessage(int level, const char* message, void*) {
    static const char* const levels[] = {"panic", "error", "warning", "info", "debug"};
    const char* name = level >= 0 && level < 5 ? levels[level] : "message";
    Trace("Soft synthesizer %s: %s\n", name, message ? message : "");
}

void RouteFluidLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, TraceFluidMessage, nullptr);
    });
}

bool IsReadableFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);   // follows links
}

// A file that says it is a sound font. Anything else is passed over before FluidSynth
// sees it: its loaders complain about a foreign file on standard error.
bool IsSoundFont(const std::filesystem::path& path) {
    RouteFluidLog();
    return IsReadableFile(path) && fluid_is_soundfont(path.c_str());
}

// The number of data bytes a channel message carries after its status byte.
std::size_t ChannelDataBytes(std::uint8_t status) {
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
        return 1;
    default:
        return 2;
    }
}

}  // namespace

std::string FindSoundFont(const char* environmentValue, const std::string& folder) {
    if (environmentValue && *environmentValue) {
        if (IsSoundFont(environmentValue))
            return environmentValue;
        Trace("Sound font %s not found; searching %s\n", environmentValue, folder.c_str());
    }
    const std::filesystem::path base(folder);
    for (const char* name : {"FluidR3_GM.sf2", "TimGM6mb.sf2"}) {
        if (IsSoundFont(base / name))
            return (base / name).string();
    }
    std::vector<std::string> others;
    std::error_code error;
    for (std::filesystem::directory_iterator it(base, error), end; !error && it != end; it.increment(error)) {
        const auto& path = it->path();
        if (path.extension() == ".sf2" && IsSoundFont(path))
            others.push_back(path.string());
    }
    std::sort(others.begin(), others.end());
    return others.empty() ? std::string() : others.front();
}

std::string FindSoundFont() {
    return FindSoundFont(std::getenv("STAFFWRIGHT_SOUNDFONT"), SOUNDFONT_FOLDER);
}

// ---- CFluidSynth ----

std::unique_ptr<CFluidSynth> CFluidSynth::Create(const std::string& soundFont, double sampleRate) {
    if (soundFont.empty() || !(sampleRate >= 8000.0 && sampleRate <= 96000.0) || !IsSoundFont(soundFont)) {
        Trace("Sound font %s is none\n", soundFont.c_str());
        return nullptr;
    }
    std::unique_ptr<CFluidSynth> synth(new CFluidSynth);
    synth->m_sampleRate = sampleRate;
    synth->m_soundFont = soundFont;
    synth->m_settings = new_fluid_settings();
    if (!synth->m_settings)
        return nullptr;
    fluid_settings_setnum(synth->m_settings, "synth.sample-rate", sampleRate);
    synth->m_synth = new_fluid_synth(synth->m_settings);
    if (!synth->m_synth)
        return nullptr;
    // FIXME: a damaged sound font, refused by the sound-font loader, goes on to the
    // loader of another kind of instrument file, whose library reports on standard
    // error; FluidSynth gives no way to leave that loader out.
    if (fluid_synth_sfload(synth->m_synth, soundFont.c_str(), 1) == FLUID_FAILED) {
        Trace("Sound font %s does not load\n", soundFont.c_str());
        return nullptr;
    }
    return synth;
}

CFluidSynth::~CFluidSynth() {
    if (m_synth)
        delete_fluid_synth(m_synth);
    if (m_settings)
        delete_fluid_settings(m_settings);
}

void CFluidSynth::SendPacked(DWORD message) {
    const std::uint8_t bytes[3] = {
        static_cast<std::uint8_t>(message & 0xFF),
        static_cast<std::uint8_t>((message >> 8) & 0xFF),
        static_cast<std::uint8_t>((message >> 16) & 0xFF),
    };
    // A packed word always has room for three bytes; the message takes what it needs.
    const std::size_t length = bytes[0] >= 0x80 && bytes[0] < 0xF0 ? 1 + ChannelDataBytes(bytes[0]) : 1;
    SendBytes(bytes, length);
}

void CFluidSynth::SendBytes(const std::uint8_t* bytes, std::size_t length) {
    if (!bytes || length == 0 || bytes[0] < 0x80)
        return;
    const std::uint8_t status = bytes[0];
    if (status == 0xF0) {
        // FluidSynth takes the body without the framing bytes.
        std::size_t end = length;
        if (end >= 2 && bytes[end - 1] == 0xF7)
            --end;
        if (end > 1)
            fluid_synth_sysex(m_synth, reinterpret_cast<const char*>(bytes + 1), static_cast<int>(end - 1),
                              nullptr, nullptr, nullptr, 0);
        return;
    }
    if (status == 0xFF) {
        fluid_synth_system_reset(m_synth);
        return;
    }
    if (status > 0xF0 || length < 1 + ChannelDataBytes(status))
        return;
    const int channel = status & 0x0F;
    const int data1 = bytes[1] & 0x7F;
    const int data2 = length > 2 ? bytes[2] & 0x7F : 0;
    switch (status & 0xF0) {
    case 0x80:
        fluid_synth_noteoff(m_synth, channel, data1);
        break;
    case 0x90:
        fluid_synth_noteon(m_synth, channel, data1, data2);   // velocity 0 is a note-off there too
        break;
    case 0xA0:
        fluid_synth_key_pressure(m_synth, channel, data1, data2);
        break;
    case 0xB0:
        fluid_synth_cc(m_synth, channel, data1, data2);
        break;
    case 0xC0:
        fluid_synth_program_change(m_synth, channel, data1);
        break;
    case 0xD0:
        fluid_synth_channel_pressure(m_synth, channel, data1);
        break;
    case 0xE0:
        fluid_synth_pitch_bend(m_synth, channel, data1 | (data2 << 7));
        break;
    }
}

void CFluidSynth::Silence() {
    for (int channel = 0; channel < fluid_synth_count_midi_channels(m_synth); ++channel)
        fluid_synth_all_sounds_off(m_synth, channel);
    fluid_synth_system_reset(m_synth);
}

void CFluidSynth::Render(float* out, std::size_t frames) {
    // FluidSynth renders at most INT_MAX frames a call; ours are far smaller, but a
    // huge request must still not wrap.
    constexpr std::size_t maxPiece = 1 << 20;
    while (frames > 0) {
        const std::size_t piece = std::min(frames, maxPiece);
        fluid_synth_write_float(m_synth, static_cast<int>(piece), out, 0, 2, out, 1, 2);
        out += piece * 2;
        frames -= piece;
    }
}

// ---- CSynthRenderer ----

CSynthRenderer::CSynthRenderer(double sampleRate, const std::string& soundFont)
    : m_synth(CFluidSynth::Create(soundFont, sampleRate)), m_sampleRate(sampleRate) {}

CSynthRenderer::~CSynthRenderer() = default;

std::uint64_t CSynthRenderer::FrameOf(DWORD ms) const {
    return static_cast<std::uint64_t>(std::llround(static_cast<double>(ms) * m_sampleRate / 1000.0));
}

void CSynthRenderer::AddShortMsg(DWORD ms, DWORD message) {
    Add(ms, {static_cast<std::uint8_t>(message & 0xFF), static_cast<std::uint8_t>((message >> 8) & 0xFF),
             static_cast<std::uint8_t>((message >> 16) & 0xFF)});
}

void CSynthRenderer::AddMessage(DWORD ms, std::vector<std::uint8_t> bytes) {
    Add(ms, std::move(bytes));
}

void CSynthRenderer::AddEvent(const CPVEventData& event) {
    if (event.type == PV_EVENT_SHORT) {
        AddShortMsg(event.time, static_cast<DWORD>(event.data));
    } else if (event.type == PV_EVENT_SYSEX) {
        const std::uint8_t* bytes = event.GetSysExBytes();
        if (bytes)
            Add(event.time, std::vector<std::uint8_t>(bytes, bytes + event.GetSysExLength()));
    }
}

void CSynthRenderer::Add(DWORD ms, std::vector<std::uint8_t> bytes) {
    Timed timed{FrameOf(ms), m_order++, std::move(bytes)};
    // After every event of the same frame or earlier: equal times keep their order.
    auto at = std::upper_bound(m_pending.begin(), m_pending.end(), timed, [](const Timed& a, const Timed& b) {
        return a.frame < b.frame || (a.frame == b.frame && a.order < b.order);
    });
    m_pending.insert(at, std::move(timed));
}

void CSynthRenderer::Render(float* out, std::size_t frames) {
    const std::uint64_t end = m_position + frames;
    std::size_t next = 0;   // the first pending event not yet sent
    while (m_position < end) {
        // Everything due by now goes in before the frames that follow it.
        for (; next < m_pending.size() && m_pending[next].frame <= m_position; ++next) {
            if (m_synth)
                m_synth->SendBytes(m_pending[next].bytes.data(), m_pending[next].bytes.size());
        }
        const std::uint64_t stop = next < m_pending.size() ? std::min(end, m_pending[next].frame) : end;
        const std::size_t piece = static_cast<std::size_t>(stop - m_position);
        if (m_synth)
            m_synth->Render(out, piece);
        else
            std::fill(out, out + piece * 2, 0.0f);
        out += piece * 2;
        m_position = stop;
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(next));
}

std::vector<float> CSynthRenderer::Render(std::size_t frames) {
    std::vector<float> out(frames * 2);
    Render(out.data(), frames);
    return out;
}

// ---- CSynthOutput ----

CSynthOutput::~CSynthOutput() {
    Close();
}

bool CSynthOutput::IsAvailable() {
    return !FindSoundFont().empty();
}

const char* CSynthOutput::GetName() {
    return "Soft Synthesizer";
}

bool CSynthOutput::Open() {
    if (m_open)
        return true;
    if (!m_synth)
        m_synth = CFluidSynth::Create(FindSoundFont());
    if (!m_synth)
        return false;
    m_driver = StartDriver();
    if (!m_driver)
        Trace("Soft synthesizer: no audio driver starts; it plays silently\n");
    m_open = true;
    return true;
}

fluid_audio_driver_t* CSynthOutput::StartDriver() {
    std::vector<std::string> drivers;
    if (const char* chosen = std::getenv("STAFFWRIGHT_AUDIO_DRIVER"); chosen && *chosen)
        drivers.push_back(chosen);
    // The sound server first (it shares the card with other programs), then the card
    // itself. A JACK server is used only when asked for by name: FluidSynth's JACK
    // client could otherwise start a server of its own.
    drivers.push_back("pulseaudio");
    drivers.push_back("alsa");
    RouteAlsaMessages();   // the card driver's complaints on a machine without sound
    fluid_settings_t* settings = m_synth->GetSettings();
    for (const auto& driver : drivers) {
        if (fluid_settings_setstr(settings, "audio.driver", driver.c_str()) != FLUID_OK)
            continue;
        if (auto* started = new_fluid_audio_driver(settings, m_synth->GetSynth()))
            return started;
    }
    return nullptr;
}

void CSynthOutput::Close() {
    if (!m_open)
        return;
    m_open = false;
    // Nothing may sound on when the device opens again.
    m_synth->Silence();
    // The driver renders from the synthesizer on its own thread: it goes first.
    if (m_driver) {
        delete_fluid_audio_driver(m_driver);
        m_driver = nullptr;
    }
}

void CSynthOutput::SendPacked(DWORD message) {
    if (m_open)
        m_synth->SendPacked(message);
}

void CSynthOutput::SendBytes(const std::uint8_t* bytes, std::size_t length) {
    if (m_open)
        m_synth->SendBytes(bytes, length);
}

void CSynthOutput::Silence() {
    if (m_open)
        m_synth->Silence();
}

// ---- CSynthBackend ----

namespace {
// First among the backends: device 0 of a machine without MIDI hardware is the one that sounds.
const CPVBackendRegistration g_registration("synth", 10, [] { return std::make_unique<CSynthBackend>(); });
}

bool CSynthBackend::Attach(const CPVDeviceClock&, CPVInputSink&) {
    RouteFluidLog();
    if (!CSynthOutput::IsAvailable()) {
        Trace("Soft synthesizer: no sound font; no soft synthesizer\n");
        return false;
    }
    return true;
}

bool CSynthBackend::IsOurs(int kind, int direction, int index) {
    return kind == PV_MIDI && direction == PV_OUTPUT && index == 0;
}

std::vector<CPVDeviceInfo> CSynthBackend::Enumerate(int kind, int direction) {
    std::vector<CPVDeviceInfo> devices;
    if (!IsOurs(kind, direction, 0))
        return devices;
    CPVDeviceInfo info;
    info.name = CSynthOutput::GetName();
    info.driverVersion = static_cast<std::uint16_t>((FLUIDSYNTH_VERSION_MAJOR << 8) | FLUIDSYNTH_VERSION_MINOR);
    info.technology = PV_TECH_SYNTH;
    info.voices = 256;   // FluidSynth's polyphony
    info.notes = 256;
    info.channelMask = 0xFFFF;
    devices.push_back(std::move(info));
    return devices;
}

bool CSynthBackend::Open(int kind, int direction, int index, const WAVEFORMATEX*) {
    return IsOurs(kind, direction, index) && m_output.Open();
}

bool CSynthBackend::Start(int kind, int direction, int index) {
    return IsOurs(kind, direction, index) && m_output.IsOpen();
}

void CSynthBackend::Close(int kind, int direction, int index) {
    if (IsOurs(kind, direction, index))
        m_output.Close();
}

void CSynthBackend::SendMidi(int index, const CPVMidiOut& message) {
    if (index == 0)
        m_output.SendBytes(message.bytes, message.length);
}
