#include "platform/devices/alsa.h"

#include "platform/core/thread.h"
#include "platform/core/trace.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// The sequencer's names for us, as other programs list them.
constexpr const char* kClientName = "Staffwright";
// Room for a performed system exclusive in the output buffer; a longer one goes
// out directly instead of being scheduled.
constexpr std::size_t kOutputBuffer = 1 << 16;
constexpr std::size_t kPoolEvents = 2000;

extern "C" void TraceAlsaMessage(const char* file, int line, const char* function, int error, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    (void)file;
    (void)line;
    Trace("ALSA %s: %s%s%s\n", function ? function : "", text, error ? ": " : "", error ? snd_strerror(error) : "");
}

// A scheduled message of output `index` carries this tag, so that closing the output
// takes back exactly its messages. Tags are 8 bits; 0 is left for untagged events.
unsigned char TagOfOutput(int index) {
    return static_cast<unsigned char>(index % 255 + 1);
}

bool IsRealTime(int type) {
    switch (type) {
    case SND_SEQ_EVENT_CLOCK:
    case SND_SEQ_EVENT_START:
    case SND_SEQ_EVENT_CONTINUE:
    case SND_SEQ_EVENT_STOP:
    case SND_SEQ_EVENT_SENSING:
    case SND_SEQ_EVENT_TICK:
        return true;
    default:
        return false;
    }
}

// Names longer than the sequencer keeps are cut, at a UTF-8 character boundary.
std::string PortName(const std::string& name) {
    constexpr std::size_t limit = 63;
    if (name.size() <= limit)
        return name;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
    return name.substr(0, end);
}

}  // namespace

void RouteAlsaMessages() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(TraceAlsaMessage); });
}

// ---- Between MIDI bytes and sequencer events ----

bool MidiToSeqEvent(const std::uint8_t* bytes, std::size_t length, snd_seq_event& event) {
    snd_seq_ev_clear(&event);
    if (!bytes || length == 0)
        return false;
    const std::uint8_t status = bytes[0];
    if (status == 0xF0) {
        // Only a whole exclusive: the receiver must see its end.
        if (length < 2 || bytes[length - 1] != 0xF7)
            return false;
        snd_seq_ev_set_sysex(&event, static_cast<unsigned>(length), const_cast<std::uint8_t*>(bytes));
        return true;
    }
    const std::size_t need = ShortMsgLength(status);
    if (need == 0 || length < need)
        return false;
    for (std::size_t i = 1; i < need; ++i)
        if (bytes[i] & 0x80)
            return false;
    const int channel = status & 0x0F;
    const int data1 = need > 1 ? bytes[1] : 0;
    const int data2 = need > 2 ? bytes[2] : 0;
    switch (status & 0xF0) {
    case 0x80:
        snd_seq_ev_set_noteoff(&event, channel, data1, data2);
        return true;
    case 0x90:
        snd_seq_ev_set_noteon(&event, channel, data1, data2);
        return true;
    case 0xA0:
        snd_seq_ev_set_keypress(&event, channel, data1, data2);
        return true;
    case 0xB0:
        snd_seq_ev_set_controller(&event, channel, data1, data2);
        return true;
    case 0xC0:
        snd_seq_ev_set_pgmchange(&event, channel, data1);
        return true;
    case 0xD0:
        snd_seq_ev_set_chanpress(&event, channel, data1);
        return true;
    case 0xE0:
        // The sequencer's bend is signed around the centre, 8192 on the wire.
        snd_seq_ev_set_pitchbend(&event, channel, (data1 | (data2 << 7)) - 8192);
        return true;
    }
    snd_seq_ev_set_fixed(&event);
    switch (status) {
    case 0xF1:
        event.type = SND_SEQ_EVENT_QFRAME;
        event.data.control.value = data1;
        return true;
    case 0xF2:
        event.type = SND_SEQ_EVENT_SONGPOS;
        event.data.control.value = data1 | (data2 << 7);
        return true;
    case 0xF3:
        event.type = SND_SEQ_EVENT_SONGSEL;
        event.data.control.value = data1;
        return true;
    case 0xF6:
        event.type = SND_SEQ_EVENT_TUNE_REQUEST;
        return true;
    case 0xF8:
        event.type = SND_SEQ_EVENT_CLOCK;
        return true;
    case 0xFA:
        event.type = SND_SEQ_EVENT_START;
        return true;
    case 0xFB:
        event.type = SND_SEQ_EVENT_CONTINUE;
        return true;
    case 0xFC:
        event.type = SND_SEQ_EVENT_STOP;
        return true;
    case 0xFE:
        event.type = SND_SEQ_EVENT_SENSING;
        return true;
    case 0xFF:
        event.type = SND_SEQ_EVENT_RESET;
        return true;
    default:   // the undefined system bytes carry nothing a port could take
        return false;
    }
}

void CSeqEventDecoder::Decode(const snd_seq_event& event, const Deliver& deliver) {
    if (event.type == SND_SEQ_EVENT_SYSEX) {
        DecodeSysEx(static_cast<const std::uint8_t*>(event.data.ext.ptr), event.data.ext.len, deliver);
        return;
    }
    // On the wire any status byte but a real-time one ends an exclusive; an unfinished
    // one is never delivered.
    if (m_inSysEx && !IsRealTime(event.type)) {
        m_inSysEx = false;
        m_dropping = false;
        m_sysex.clear();
    }
    const std::uint8_t channel = event.data.note.channel & 0x0F;
    auto send = [&](std::initializer_list<int> bytes) {
        std::uint8_t message[3];
        std::size_t length = 0;
        for (int byte : bytes)
            message[length++] = static_cast<std::uint8_t>(byte);
        deliver(message, length);
    };
    auto controller = [&](int number, int value) { send({0xB0 | channel, number & 0x7F, value & 0x7F}); };
    switch (event.type) {
    case SND_SEQ_EVENT_NOTEON:
        send({0x90 | channel, event.data.note.note & 0x7F, event.data.note.velocity & 0x7F});
        break;
    case SND_SEQ_EVENT_NOTEOFF:
        send({0x80 | channel, event.data.note.note & 0x7F, event.data.note.velocity & 0x7F});
        break;
    case SND_SEQ_EVENT_KEYPRESS:
        send({0xA0 | channel, event.data.note.note & 0x7F, event.data.note.velocity & 0x7F});
        break;
    case SND_SEQ_EVENT_CONTROLLER:
        controller(static_cast<int>(event.data.control.param), event.data.control.value);
        break;
    case SND_SEQ_EVENT_PGMCHANGE:
        send({0xC0 | channel, event.data.control.value & 0x7F});
        break;
    case SND_SEQ_EVENT_CHANPRESS:
        send({0xD0 | channel, event.data.control.value & 0x7F});
        break;
    case SND_SEQ_EVENT_PITCHBEND: {
        int value = event.data.control.value + 8192;
        value = value < 0 ? 0 : value > 0x3FFF ? 0x3FFF : value;
        send({0xE0 | channel, value & 0x7F, value >> 7});
        break;
    }
    case SND_SEQ_EVENT_CONTROL14: {
        const int number = static_cast<int>(event.data.control.param);
        const int value = event.data.control.value;
        if (number < 32) {   // a coarse controller and its fine partner
            controller(number, value >> 7);
            controller(number + 32, value);
        } else if (number < 128) {
            controller(number, value);
        }
        break;
    }
    case SND_SEQ_EVENT_NONREGPARAM:
    case SND_SEQ_EVENT_REGPARAM: {
        const bool registered = event.type == SND_SEQ_EVENT_REGPARAM;
        const int number = static_cast<int>(event.data.control.param);
        const int value = event.data.control.value;
        controller(registered ? 101 : 99, number >> 7);
        controller(registered ? 100 : 98, number);
        controller(6, value >> 7);
        controller(38, value);
        break;
    }
    case SND_SEQ_EVENT_QFRAME:
        send({0xF1, event.data.control.value & 0x7F});
        break;
    case SND_SEQ_EVENT_SONGPOS:
        send({0xF2, event.data.control.value & 0x7F, (event.data.control.value >> 7) & 0x7F});
        break;
    case SND_SEQ_EVENT_SONGSEL:
        send({0xF3, event.data.control.value & 0x7F});
        break;
    case SND_SEQ_EVENT_TUNE_REQUEST:
        send({0xF6});
        break;
    case SND_SEQ_EVENT_CLOCK:
        send({0xF8});
        break;
    case SND_SEQ_EVENT_START:
        send({0xFA});
        break;
    case SND_SEQ_EVENT_CONTINUE:
        send({0xFB});
        break;
    case SND_SEQ_EVENT_STOP:
        send({0xFC});
        break;
    case SND_SEQ_EVENT_SENSING:
        send({0xFE});
        break;
    case SND_SEQ_EVENT_RESET:
        send({0xFF});
        break;
    default:   // announcements, queue control and the like: no MIDI
        break;
    }
}

void CSeqEventDecoder::DecodeSysEx(const std::uint8_t* bytes, std::size_t length, const Deliver& deliver) {
    if (!bytes)
        return;
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t byte = bytes[i];
        if (byte == 0xF0) {   // a new exclusive; one left unfinished is dropped
            m_sysex.assign(1, byte);
            m_inSysEx = true;
            m_dropping = false;
            continue;
        }
        if (!m_inSysEx)
            continue;   // a piece whose start we never saw
        if (byte > 0xF7) {
            continue;   // real-time bytes may sit inside an exclusive on the wire; they are not part of it
        }
        if (byte & 0x80 && byte != 0xF7) {   // another status: the exclusive was cut off
            m_inSysEx = false;
            m_sysex.clear();
            continue;
        }
        if (!m_dropping) {
            if (m_sysex.size() >= MAX_SYSEX) {
                m_dropping = true;
                m_sysex.clear();
                m_sysex.shrink_to_fit();
                Trace("MIDI input: a system exclusive longer than %zu bytes is dropped\n", MAX_SYSEX);
            } else {
                m_sysex.push_back(byte);
            }
        }
        if (byte == 0xF7) {
            if (!m_dropping)
                deliver(m_sysex.data(), m_sysex.size());
            m_inSysEx = false;
            m_dropping = false;
            m_sysex.clear();
        }
    }
}

// ---- The backend ----

namespace {
CPVBackendRegistration g_registration("alsa", 20, [] { return std::make_unique<CAlsaBackend>(); });
}

CAlsaBackend::CAlsaBackend() = default;

CAlsaBackend::~CAlsaBackend() {
    if (m_inputThread) {
        m_stopping = true;
        const char wake = 1;
        [[maybe_unused]] const ssize_t written = write(m_wakePipe[1], &wake, 1);
        m_inputThread->Wait();
        m_inputThread.reset();
    }
    for (int& end : m_wakePipe) {
        if (end >= 0)
            close(end);
        end = -1;
    }
    if (m_seq) {
        CloseAll();
        // Nothing of ours may sound after we are gone.
        snd_seq_drop_output(m_seq);
        if (m_queue >= 0) {
            snd_seq_remove_events_t* remove;
            snd_seq_remove_events_alloca(&remove);
            snd_seq_remove_events_set_condition(remove, SND_SEQ_REMOVE_OUTPUT);
            snd_seq_remove_events_set_queue(remove, m_queue);
            snd_seq_remove_events(m_seq, remove);
            snd_seq_free_queue(m_seq, m_queue);
        }
        snd_seq_close(m_seq);
        m_seq = nullptr;
    }
}

bool CAlsaBackend::Attach(const CPVDeviceClock& clock, CPVInputSink& sink) {
    RouteAlsaMessages();
    m_clock = &clock;
    m_sink = &sink;
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, 0) < 0) {
        Trace("MIDI: no ALSA sequencer; no MIDI ports\n");
        return false;
    }
    m_seq = seq;
    snd_seq_set_client_name(m_seq, kClientName);
    m_client = snd_seq_client_id(m_seq);
    snd_seq_set_output_buffer_size(m_seq, kOutputBuffer);
    // Room in the sequencer for a dense stretch of scheduled messages; when it is full
    // a send waits until the queue has played some (never longer than the schedule-ahead).
    snd_seq_set_client_pool_output(m_seq, kPoolEvents);
    m_queue = snd_seq_alloc_named_queue(m_seq, kClientName);
    if (m_client < 0 || m_queue < 0 || pipe2(m_wakePipe, O_CLOEXEC | O_NONBLOCK) < 0) {
        Trace("MIDI: the ALSA sequencer gives no queue; no MIDI ports\n");
        return false;   // the destructor closes what was made
    }
    // The queue runs from now for the backend's life; device time m_queueZero is its 0.
    snd_seq_start_queue(m_seq, m_queue, nullptr);
    snd_seq_drain_output(m_seq);
    m_queueZero = clock.Now();
    m_inputThread = std::make_unique<CThread>();
    if (!m_inputThread->Start([this] { return ReadInput(); })) {
        m_inputThread.reset();
        Trace("MIDI: no input thread; MIDI input is not read\n");
    }
    return true;
}

std::vector<CAlsaBackend::Remote> CAlsaBackend::ListPorts(int direction) const {
    std::vector<Remote> ports;
    if (!m_seq)
        return ports;
    const unsigned need = direction == PV_OUTPUT ? SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE
                                                 : SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
    snd_seq_client_info_t* clientInfo;
    snd_seq_port_info_t* portInfo;
    snd_seq_client_info_alloca(&clientInfo);
    snd_seq_port_info_alloca(&portInfo);
    snd_seq_client_info_set_client(clientInfo, -1);
    while (snd_seq_query_next_client(m_seq, clientInfo) >= 0) {
        const int client = snd_seq_client_info_get_client(clientInfo);
        if (client == SND_SEQ_CLIENT_SYSTEM || client == m_client)
            continue;
        const std::string clientName = snd_seq_client_info_get_name(clientInfo);
        snd_seq_port_info_set_client(portInfo, client);
        snd_seq_port_info_set_port(portInfo, -1);
        while (snd_seq_query_next_port(m_seq, portInfo) >= 0) {
            const unsigned caps = snd_seq_port_info_get_capability(portInfo);
            if ((caps & need) != need || (caps & SND_SEQ_PORT_CAP_NO_EXPORT))
                continue;
            const unsigned type = snd_seq_port_info_get_type(portInfo);
            Remote remote;
            remote.client = client;
            remote.port = snd_seq_port_info_get_port(portInfo);
            const std::string portName = snd_seq_port_info_get_name(portInfo);
            // "Client: port", unless the port's name already says whose it is.
            remote.name = portName.rfind(clientName, 0) == 0 ? portName : clientName + ": " + portName;
            const unsigned synthTypes = SND_SEQ_PORT_TYPE_SYNTH | SND_SEQ_PORT_TYPE_SYNTHESIZER |
                                        SND_SEQ_PORT_TYPE_DIRECT_SAMPLE | SND_SEQ_PORT_TYPE_SAMPLE;
            remote.technology = type & synthTypes ? PV_TECH_SYNTH : PV_TECH_PORT;
            ports.push_back(std::move(remote));
        }
    }
    return ports;
}

std::vector<CPVDeviceInfo> CAlsaBackend::Enumerate(int kind, int direction) {
    std::vector<CPVDeviceInfo> devices;
    if (kind != PV_MIDI || (direction != PV_INPUT && direction != PV_OUTPUT) || !m_seq)
        return devices;
    m_remotes[direction] = ListPorts(direction);
    {
        std::lock_guard lock(m_inputLock);
        m_locals[direction] = std::vector<Local>(m_remotes[direction].size());
        if (direction == PV_INPUT)
            m_inputByPort.clear();
    }
    for (const auto& remote : m_remotes[direction]) {
        CPVDeviceInfo info;
        info.name = remote.name;
        info.driverVersion = static_cast<std::uint16_t>((SND_LIB_MAJOR << 8) | SND_LIB_MINOR);
        if (direction == PV_OUTPUT)
            info.technology = remote.technology;
        devices.push_back(std::move(info));
    }
    return devices;
}

bool CAlsaBackend::Open(int kind, int direction, int index, const WAVEFORMATEX*) {
    if (kind != PV_MIDI || !m_seq || (direction != PV_INPUT && direction != PV_OUTPUT) || index < 0 ||
        index >= static_cast<int>(m_locals[direction].size()))
        return false;
    if (m_locals[direction][index].port >= 0)
        return true;
    return direction == PV_OUTPUT ? OpenOutput(index) : OpenInput(index);
}

bool CAlsaBackend::OpenOutput(int index) {
    const Remote& remote = m_remotes[PV_OUTPUT][index];
    const std::string name = PortName("Out " + std::to_string(index + 1) + ": " + remote.name);
    // Readable and open to subscription, so that other programs may listen too.
    const int port = snd_seq_create_simple_port(m_seq, name.c_str(), SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                                SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (port < 0)
        return false;
    if (snd_seq_connect_to(m_seq, port, remote.client, remote.port) < 0) {
        Trace("MIDI: %s does not take our connection\n", remote.name.c_str());
        snd_seq_delete_simple_port(m_seq, port);
        return false;
    }
    m_locals[PV_OUTPUT][index].port = port;
    return true;
}

bool CAlsaBackend::OpenInput(int index) {
    const Remote& remote = m_remotes[PV_INPUT][index];
    const std::string name = PortName("In " + std::to_string(index + 1) + ": " + remote.name);
    const int port = snd_seq_create_simple_port(m_seq, name.c_str(), SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                                SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (port < 0)
        return false;
    // The queue stamps each message with its arrival, before our thread wakes.
    snd_seq_port_subscribe_t* subscription;
    snd_seq_port_subscribe_alloca(&subscription);
    snd_seq_addr_t sender{static_cast<unsigned char>(remote.client), static_cast<unsigned char>(remote.port)};
    snd_seq_addr_t dest{static_cast<unsigned char>(m_client), static_cast<unsigned char>(port)};
    snd_seq_port_subscribe_set_sender(subscription, &sender);
    snd_seq_port_subscribe_set_dest(subscription, &dest);
    snd_seq_port_subscribe_set_queue(subscription, m_queue);
    snd_seq_port_subscribe_set_time_update(subscription, 1);
    snd_seq_port_subscribe_set_time_real(subscription, 1);
    if (snd_seq_subscribe_port(m_seq, subscription) < 0) {
        Trace("MIDI: %s does not let us listen\n", remote.name.c_str());
        snd_seq_delete_simple_port(m_seq, port);
        return false;
    }
    std::lock_guard lock(m_inputLock);
    Local& local = m_locals[PV_INPUT][index];
    local.port = port;
    local.started = false;
    local.decoder = CSeqEventDecoder();
    m_inputByPort[port] = index;
    return true;
}

bool CAlsaBackend::Start(int kind, int direction, int index) {
    if (kind != PV_MIDI || (direction != PV_INPUT && direction != PV_OUTPUT) || index < 0 ||
        index >= static_cast<int>(m_locals[direction].size()))
        return false;
    std::lock_guard lock(m_inputLock);
    Local& local = m_locals[direction][index];
    if (local.port < 0)
        return false;
    local.started = true;
    return true;
}

void CAlsaBackend::Close(int kind, int direction, int index) {
    if (kind != PV_MIDI || !m_seq || (direction != PV_INPUT && direction != PV_OUTPUT) || index < 0 ||
        index >= static_cast<int>(m_locals[direction].size()))
        return;
    int port;
    {
        // Once this lock is let go the input thread delivers nothing more of this device.
        std::lock_guard lock(m_inputLock);
        Local& local = m_locals[direction][index];
        port = local.port;
        if (port < 0)
            return;
        local.port = -1;
        local.started = false;
        if (direction == PV_INPUT)
            m_inputByPort.erase(port);
    }
    if (direction == PV_OUTPUT) {
        // What this output scheduled and has not sounded is taken back.
        snd_seq_remove_events_t* remove;
        snd_seq_remove_events_alloca(&remove);
        snd_seq_remove_events_set_condition(remove, SND_SEQ_REMOVE_OUTPUT | SND_SEQ_REMOVE_TAG_MATCH);
        snd_seq_remove_events_set_queue(remove, m_queue);
        snd_seq_remove_events_set_tag(remove, TagOfOutput(index));
        snd_seq_remove_events(m_seq, remove);
        const Remote& remote = m_remotes[PV_OUTPUT][index];
        snd_seq_disconnect_to(m_seq, port, remote.client, remote.port);
    } else {
        const Remote& remote = m_remotes[PV_INPUT][index];
        snd_seq_disconnect_from(m_seq, port, remote.client, remote.port);
    }
    snd_seq_delete_simple_port(m_seq, port);
}

void CAlsaBackend::CloseAll() {
    for (int direction : {PV_INPUT, PV_OUTPUT})
        for (int index = 0; index < static_cast<int>(m_locals[direction].size()); ++index)
            Close(PV_MIDI, direction, index);
}

DWORD CAlsaBackend::GetScheduleAhead() const {
    return SCHEDULE_AHEAD_MS;
}

void CAlsaBackend::ToQueueTime(std::uint64_t deviceMs, snd_seq_event& event) const {
    // A time before the queue began (or already past) is sent as soon as possible.
    const std::uint64_t ms = deviceMs > m_queueZero ? deviceMs - m_queueZero : 0;
    snd_seq_real_time_t time;
    time.tv_sec = static_cast<unsigned>(ms / 1000);
    time.tv_nsec = static_cast<unsigned>(ms % 1000 * 1000000);
    snd_seq_ev_schedule_real(&event, m_queue, 0, &time);
}

void CAlsaBackend::SendMidi(int index, const CPVMidiOut& message) {
    if (!m_seq || index < 0 || index >= static_cast<int>(m_locals[PV_OUTPUT].size()))
        return;
    const int port = m_locals[PV_OUTPUT][index].port;
    if (port < 0)
        return;
    snd_seq_event_t event;
    if (!MidiToSeqEvent(message.bytes, message.length, event)) {
        Trace("MIDI: a message of %zu bytes that is no whole message is not sent\n", message.length);
        return;
    }
    snd_seq_ev_set_source(&event, port);
    snd_seq_ev_set_subs(&event);
    const bool fits = message.length + sizeof event < kOutputBuffer;
    if (message.origin == PV_ORIGIN_PERFORMED && fits) {
        ToQueueTime(message.time, event);
        event.tag = TagOfOutput(index);
        if (snd_seq_event_output(m_seq, &event) >= 0) {
            snd_seq_drain_output(m_seq);
            return;
        }
        Trace("MIDI: the sequencer queue refuses a message; it is sent at once\n");
        snd_seq_ev_set_direct(&event);
    } else {
        snd_seq_ev_set_direct(&event);
    }
    snd_seq_event_output_direct(m_seq, &event);
}

void CAlsaBackend::StopWaves(int) {
    // No waves here. Performed MIDI needs no taking back at a stop: the library asks for
    // windows in order, so a performance's closing sound-off messages are scheduled at or
    // after everything it scheduled before.
}

DWORD CAlsaBackend::ReadInput() {
    const int count = snd_seq_poll_descriptors_count(m_seq, POLLIN);
    std::vector<pollfd> fds(static_cast<std::size_t>(count > 0 ? count : 0) + 1);
    fds[0] = {m_wakePipe[0], POLLIN, 0};
    if (count > 0)
        snd_seq_poll_descriptors(m_seq, fds.data() + 1, static_cast<unsigned>(count), POLLIN);
    while (!m_stopping) {
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            Trace("MIDI input: waiting failed; input ends\n");
            return 1;
        }
        if (m_stopping)
            break;
        bool ready = false;
        for (std::size_t i = 1; i < fds.size(); ++i)
            ready = ready || (fds[i].revents & POLLIN);
        if (!ready)
            continue;
        // One read fetches what the sequencer holds (poll said there is some, so it does
        // not block); then what that read buffered, without reading again.
        do {
            snd_seq_event_t* event = nullptr;
            if (snd_seq_event_input(m_seq, &event) < 0 || !event)
                break;   // an overrun loses input; reading goes on
            DeliverInput(*event);
        } while (snd_seq_event_input_pending(m_seq, 0) > 0);
    }
    return 0;
}

void CAlsaBackend::DeliverInput(const snd_seq_event& event) {
    std::uint64_t deviceMs = m_clock->Now();
    if ((event.flags & SND_SEQ_TIME_STAMP_MASK) == SND_SEQ_TIME_STAMP_REAL && event.queue == m_queue)
        deviceMs = m_queueZero + std::uint64_t(event.time.time.tv_sec) * 1000 + event.time.time.tv_nsec / 1000000;
    std::lock_guard lock(m_inputLock);
    const auto found = m_inputByPort.find(event.dest.port);
    if (found == m_inputByPort.end())
        return;
    const int index = found->second;
    Local& local = m_locals[PV_INPUT][index];
    // The sink only queues: it may be called under our lock.
    local.decoder.Decode(event, [&](const std::uint8_t* bytes, std::size_t length) {
        if (local.started)
            m_sink->OnMidiInput(index, deviceMs, bytes, length);
    });
}
