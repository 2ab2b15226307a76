#include "platform/devices/audio.h"

#include "platform/core/trace.h"
#include "platform/devices/alsa.h"
#include "platform/devices/portavel_devices.h"

#include <rtaudio/RtAudio.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kSilentVolume = -10000;   // hundredths of a decibel: nothing is heard
constexpr int kFullScale = 10000;       // the pan and frequency values' end points
constexpr unsigned kStreamFrames = 512;  // frames per stream callback asked of the system

int Clamp(int value, int low, int high) {
    return std::min(std::max(value, low), high);
}

}  // namespace

// ---- CWaveMixer ----

// One wave that plays: its stream, what it is, and where it has got to (in file
// frames; the audio thread's alone). `over` marks it for letting go at the end of
// the mix that reached its end.
struct CWaveMixer::Voice {
    Voice(std::unique_ptr<CWaveSource> source, std::uint64_t first) : stream(std::move(source), first) {}

    CWaveStream stream;
    std::string name;
    int tag = 0;
    int track = 0;
    PV_DSParams element;
    PV_DSParams trackParams;
    double position = 0.0;
    bool over = false;
};

CWaveMixer::CWaveMixer(std::uint32_t rate, int channels, CWaveOpener open)
    : m_rate(rate ? rate : 44100), m_channels(channels == 1 ? 1 : 2), m_open(open ? std::move(open) : OpenWaveFile) {}

CWaveMixer::~CWaveMixer() = default;

double CWaveMixer::VolumeGain(int volume) {
    if (volume <= kSilentVolume)
        return 0.0;
    return std::pow(10.0, std::min(volume, 0) / 2000.0);
}

CWaveMixer::Shape CWaveMixer::ShapeOf(const PV_DSParams& element, const PV_DSParams& track) {
    Shape shape;
    const double gain = VolumeGain(Clamp(element.volume + track.volume, kSilentVolume, 0));
    const int pan = Clamp(element.pan + track.pan, -kFullScale, kFullScale);
    shape.left = gain * (pan > 0 ? VolumeGain(-pan) : 1.0);
    shape.right = gain * (pan < 0 ? VolumeGain(pan) : 1.0);
    const int frequency = Clamp(element.frequency + track.frequency, -kFullScale, kFullScale);
    shape.rate = std::pow(2.0, static_cast<double>(frequency) / kFullScale);
    return shape;
}

bool CWaveMixer::Play(const PV_WaveParams& params, DWORD skipMs) {
    if (!params.fileName)
        return false;
    // The file opens here, on the caller's thread, not on the audio thread.
    std::unique_ptr<CWaveSource> source = m_open(params.fileName);
    if (!source || source->GetFrames() == 0 || source->GetSampleRate() == 0) {
        Trace("Wave play: %s cannot be read\n", params.fileName);
        return false;
    }
    // Where the wave has got to by now, at the rate it plays.
    const Shape shape = ShapeOf(params.element, params.trackParams);
    const double position = static_cast<double>(skipMs) * source->GetSampleRate() / 1000.0 * shape.rate;
    if (position >= static_cast<double>(source->GetFrames()))
        return true;   // already over: nothing to hear
    auto voice = std::make_shared<Voice>(std::move(source), static_cast<std::uint64_t>(position));
    voice->name = params.fileName;
    voice->tag = params.tag;
    voice->track = params.track;
    voice->element = params.element;
    voice->trackParams = params.trackParams;
    voice->position = position;
    // The first block is read here too, so the wave sounds from the first mix on.
    voice->stream.Fill();
    // The reader holds the voice before the mixer does, and lets go of it after.
    m_reader.Add(std::shared_ptr<CWaveStream>(voice, &voice->stream));
    std::lock_guard lock(m_lock);
    m_voices.push_back(std::move(voice));
    return true;
}

void CWaveMixer::SetParams(const PV_WaveParams& params) {
    std::lock_guard lock(m_lock);
    for (const auto& voice : m_voices) {
        if (voice->tag != params.tag || voice->track != params.track)
            continue;
        if (params.fileName && voice->name != params.fileName)
            continue;
        voice->trackParams = params.trackParams;
        if (params.fileName)
            voice->element = params.element;
    }
}

template <typename Over>
void CWaveMixer::LetGo(Over over) {
    for (std::size_t i = 0; i < m_voices.size();) {
        if (!over(*m_voices[i])) {
            ++i;
            continue;
        }
        CWaveStream& stream = m_voices[i]->stream;
        // The reader still holds the voice, so nothing is freed here, on whichever
        // thread this is; once released, the reader frees it on its own.
        m_voices.erase(m_voices.begin() + static_cast<std::ptrdiff_t>(i));
        stream.Release();
    }
}

void CWaveMixer::Stop(int tag) {
    {
        std::lock_guard lock(m_lock);
        LetGo([tag](const Voice& voice) { return tag == 0 || voice.tag == tag; });
    }
    m_reader.Wake();
}

std::size_t CWaveMixer::GetVoiceCount() const {
    std::lock_guard lock(m_lock);
    return m_voices.size();
}

// Audio thread: copies what the reader has read, allocates nothing, waits for no file.
void CWaveMixer::Mix(float* out, std::size_t frames) {
    std::fill(out, out + frames * m_channels, 0.0f);
    std::lock_guard lock(m_lock);
    for (auto& voice : m_voices) {
        CWaveStream& stream = voice->stream;
        const Shape shape = ShapeOf(voice->element, voice->trackParams);
        const double step = shape.rate * stream.GetSampleRate() / m_rate;
        for (std::size_t i = 0; i < frames; ++i) {
            const auto frame = static_cast<std::uint64_t>(voice->position);
            float pair[4];
            const CWaveStream::Frames got = stream.Get(frame, pair);
            if (got == CWaveStream::Frames::OVER)
                break;
            if (got == CWaveStream::Frames::MISSING) {
                // Silence until the reader catches up; the wave goes on from here then.
                m_underrunFrames.fetch_add(frames - i, std::memory_order_relaxed);
                break;
            }
            const float fraction = static_cast<float>(voice->position - static_cast<double>(frame));
            const float left = (pair[0] + (pair[2] - pair[0]) * fraction) * static_cast<float>(shape.left);
            const float right = (pair[1] + (pair[3] - pair[1]) * fraction) * static_cast<float>(shape.right);
            if (m_channels == 2) {
                out[i * 2] += left;
                out[i * 2 + 1] += right;
            } else {
                out[i] += (left + right) * 0.5f;
            }
            voice->position += step;
        }
        const auto frame = static_cast<std::uint64_t>(voice->position);
        stream.Consume(frame);
        voice->over = stream.IsOver(frame);
    }
    LetGo([](const Voice& voice) { return voice.over; });
    for (std::size_t i = 0; i < frames * m_channels; ++i)
        out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

// ---- CAudioBackend ----

namespace {
const CPVBackendRegistration g_registration("audio", 30, [] { return std::make_unique<CAudioBackend>(); });

void TraceStreamError(RtAudioError::Type, const std::string& text) {
    Trace("Wave device: %s\n", text.c_str());
}

// The sound systems in the order they are preferred: a running JACK server is what
// its user plays through; a sound server shares the cards; the cards themselves last.
const RtAudio::Api kPreferredApis[] = {RtAudio::UNIX_JACK, RtAudio::LINUX_PULSE, RtAudio::LINUX_ALSA};

}  // namespace

// An open device's stream. The callback reads it on RtAudio's thread; everything else
// changes only while the stream is stopped.
struct CAudioBackend::Stream {
    CAudioBackend* owner = nullptr;
    int direction = PV_OUTPUT;
    int index = 0;
    WAVEFORMATEX format;
    std::unique_ptr<RtAudio> audio;        // one stream per RtAudio object
    std::unique_ptr<CWaveMixer> mixer;     // outputs
    std::atomic<bool> started{false};
    std::vector<std::uint8_t> converted;   // inputs: 8-bit samples made unsigned

    static int Callback(void* output, void* input, unsigned frames, double, RtAudioStreamStatus, void* user) {
        auto& stream = *static_cast<Stream*>(user);
        if (stream.direction == PV_OUTPUT) {
            if (output)
                stream.mixer->Mix(static_cast<float*>(output), frames);
            return 0;
        }
        if (!input || !stream.started)
            return 0;
        const std::size_t length = std::size_t(frames) * stream.format.blockAlign;
        const auto* bytes = static_cast<const std::uint8_t*>(input);
        if (stream.format.bitsPerSample == 8) {
            // Wave data keeps 8-bit samples unsigned; the system gives them signed.
            stream.converted.assign(bytes, bytes + length);
            for (auto& byte : stream.converted)
                byte ^= 0x80;
            bytes = stream.converted.data();
        }
        // The block began this long before it was handed over.
        const std::uint64_t now = stream.owner->m_clock->Now();
        const std::uint64_t span = std::uint64_t(frames) * 1000 / stream.format.samplesPerSec;
        stream.owner->m_sink->OnWaveInput(stream.index, now > span ? now - span : 0, bytes, length);
        return 0;
    }
};

CAudioBackend::CAudioBackend() = default;

CAudioBackend::~CAudioBackend() {
    for (auto& streams : m_streams)
        for (auto& stream : streams)
            if (stream)
                CloseStream(*stream);
}

bool CAudioBackend::Attach(const CPVDeviceClock& clock, CPVInputSink& sink) {
    RouteAlsaMessages();
    m_clock = &clock;
    m_sink = &sink;
    std::vector<RtAudio::Api> compiled;
    RtAudio::getCompiledApi(compiled);
    return !compiled.empty();
}

std::string CAudioBackend::GetSystemName() const {
    return m_api ? RtAudio::getApiName(static_cast<RtAudio::Api>(m_api)) : std::string();
}

std::vector<CPVDeviceInfo> CAudioBackend::Enumerate(int kind, int direction) {
    std::vector<CPVDeviceInfo> devices;
    if (kind != PV_WAVE || (direction != PV_INPUT && direction != PV_OUTPUT))
        return devices;
    m_devices[direction].clear();
    m_streams[direction].clear();
    std::vector<RtAudio::Api> compiled;
    RtAudio::getCompiledApi(compiled);
    m_api = 0;
    for (RtAudio::Api api : kPreferredApis) {
        if (std::find(compiled.begin(), compiled.end(), api) == compiled.end())
            continue;
        try {
            RtAudio audio(api);
            audio.showWarnings(false);
            const unsigned count = audio.getDeviceCount();
            if (count == 0)
                continue;
            m_api = api;
            for (unsigned id = 0; id < count; ++id) {
                const RtAudio::DeviceInfo info = audio.getDeviceInfo(id);
                const unsigned channels = direction == PV_OUTPUT ? info.outputChannels : info.inputChannels;
                if (!info.probed || channels == 0)
                    continue;
                CPVDeviceInfo device;
                device.name = info.name;
                device.description = info.name + " (" + RtAudio::getApiDisplayName(api) + ")";
                for (int number = 0; number < 14; ++number) {
                    WAVEFORMATEX format;
                    CPVDevice::FillFormat(&format, number);
                    const bool rate = info.sampleRates.empty() ||
                                      std::find(info.sampleRates.begin(), info.sampleRates.end(),
                                                format.samplesPerSec) != info.sampleRates.end();
                    if (rate && format.channels <= channels)
                        device.formats |= 1u << number;
                }
                // 44,100 Hz 16-bit stereo when it can, else the richest format it has.
                constexpr int cdQuality = 13;
                for (int number = cdQuality; number >= 0 && device.defaultFormat < 0; --number)
                    if (device.formats & (1u << number))
                        device.defaultFormat = number;
                m_devices[direction].push_back({id, channels});
                devices.push_back(std::move(device));
            }
            break;
        } catch (const RtAudioError& error) {
            Trace("Wave devices of %s: %s\n", RtAudio::getApiName(api).c_str(), error.what());
            m_devices[direction].clear();
            devices.clear();
        }
    }
    m_streams[direction].resize(m_devices[direction].size());
    return devices;
}

bool CAudioBackend::IsAddress(int kind, int direction, int index) const {
    return kind == PV_WAVE && (direction == PV_INPUT || direction == PV_OUTPUT) && index >= 0 &&
           index < static_cast<int>(m_devices[direction].size());
}

bool CAudioBackend::OpenStream(Stream& stream, const WAVEFORMATEX& format) {
    const Device& device = m_devices[stream.direction][stream.index];
    if (format.channels < 1 || format.channels > 2 || format.channels > device.channels ||
        (format.bitsPerSample != 8 && format.bitsPerSample != 16) || format.samplesPerSec == 0)
        return false;
    try {
        auto audio = std::make_unique<RtAudio>(static_cast<RtAudio::Api>(m_api));
        audio->showWarnings(false);
        RtAudio::StreamParameters parameters;
        parameters.deviceId = device.id;
        parameters.nChannels = format.channels;
        RtAudio::StreamOptions options;
        options.streamName = "Staffwright";
        unsigned frames = kStreamFrames;
        const bool output = stream.direction == PV_OUTPUT;
        // Outputs mix in floats; inputs record in the samples the file will hold.
        const RtAudioFormat samples = output ? RTAUDIO_FLOAT32 : format.bitsPerSample == 8 ? RTAUDIO_SINT8 : RTAUDIO_SINT16;
        stream.format = format;
        if (output)
            stream.mixer = std::make_unique<CWaveMixer>(format.samplesPerSec, format.channels);
        else
            stream.converted.reserve(std::size_t(kStreamFrames) * 4 * format.blockAlign);
        audio->openStream(output ? &parameters : nullptr, output ? nullptr : &parameters, samples,
                          format.samplesPerSec, &frames, &Stream::Callback, &stream, &options, &TraceStreamError);
        if (!audio->isStreamOpen())
            return false;
        stream.audio = std::move(audio);
        return true;
    } catch (const RtAudioError& error) {
        Trace("Wave device %u does not open: %s\n", device.id, error.what());
        return false;
    }
}

void CAudioBackend::CloseStream(Stream& stream) {
    stream.started = false;
    if (!stream.audio)
        return;
    try {
        // Stopping waits for the callback that runs: nothing is delivered afterwards.
        if (stream.audio->isStreamRunning())
            stream.audio->stopStream();
        stream.audio->closeStream();
    } catch (const RtAudioError& error) {
        Trace("Wave device: closing: %s\n", error.what());
    }
    stream.audio.reset();
}

bool CAudioBackend::Open(int kind, int direction, int index, const WAVEFORMATEX* format) {
    if (!IsAddress(kind, direction, index) || !format)
        return false;
    auto& slot = m_streams[direction][index];
    if (slot)
        return true;
    auto stream = std::make_unique<Stream>();
    stream->owner = this;
    stream->direction = direction;
    stream->index = index;
    if (!OpenStream(*stream, *format))
        return false;
    slot = std::move(stream);
    return true;
}

bool CAudioBackend::Start(int kind, int direction, int index) {
    if (!IsAddress(kind, direction, index) || !m_streams[direction][index])
        return false;
    Stream& stream = *m_streams[direction][index];
    stream.started = true;
    try {
        if (!stream.audio->isStreamRunning())
            stream.audio->startStream();
        return true;
    } catch (const RtAudioError& error) {
        Trace("Wave device does not start: %s\n", error.what());
        stream.started = false;
        return false;
    }
}

void CAudioBackend::Close(int kind, int direction, int index) {
    if (!IsAddress(kind, direction, index) || !m_streams[direction][index])
        return;
    CloseStream(*m_streams[direction][index]);
    m_streams[direction][index].reset();
}

PVFormatResult CAudioBackend::SetFormat(int kind, int direction, int index, const WAVEFORMATEX& format) {
    if (!IsAddress(kind, direction, index))
        return PVFormatResult::KEPT;
    auto& slot = m_streams[direction][index];
    if (!slot)
        return PVFormatResult::CHANGED;   // a closed device takes its format when it opens
    const bool wasStarted = slot->started;
    const WAVEFORMATEX old = slot->format;
    CloseStream(*slot);
    bool changed = OpenStream(*slot, format);
    if (!changed && !OpenStream(*slot, old)) {
        slot.reset();   // neither format opens any more: the device is lost
        return PVFormatResult::LOST;
    }
    if (wasStarted)
        Start(kind, direction, index);
    return changed ? PVFormatResult::CHANGED : PVFormatResult::KEPT;
}

void CAudioBackend::PlayWave(int index, std::uint64_t time, const PV_WaveParams& params) {
    if (!IsAddress(PV_WAVE, PV_OUTPUT, index) || !m_streams[PV_OUTPUT][index])
        return;
    const std::uint64_t now = m_clock->Now();
    const std::uint64_t late = now > time ? now - time : 0;
    m_streams[PV_OUTPUT][index]->mixer->Play(params, static_cast<DWORD>(std::min<std::uint64_t>(late, 0xFFFFFFFF)));
}

void CAudioBackend::SetWaveParams(const PV_WaveParams& params) {
    for (auto& stream : m_streams[PV_OUTPUT])
        if (stream && stream->mixer)
            stream->mixer->SetParams(params);
}

void CAudioBackend::StopWaves(int tag) {
    for (auto& stream : m_streams[PV_OUTPUT])
        if (stream && stream->mixer)
            stream->mixer->Stop(tag);
}
