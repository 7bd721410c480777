#include "Platform/Midi/RtMidiSystem.h"

#include "Platform/Midi/MidiInputQueue.h"
#include "Platform/System/Limits.h"

#include <RtMidi.h>
#include <alsa/asoundlib.h>
#include <jack/jack.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace QZ::Platform {
namespace {

enum class Api { Alsa, Jack };

std::size_t Slot(MidiDirection direction) { return direction == MidiDirection::Input ? 0 : 1; }

// Invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::uint32_t code = 0xFFFD;
    std::size_t length = 1;
    if (lead < 0x80) {
      code = lead;
    } else if (lead >= 0xC2 && lead <= 0xF4) {
      length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      std::uint32_t value = lead & (0x3F >> (length - 1));
      bool valid = i + length <= text.size();
      for (std::size_t k = 1; valid && k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        valid = (next & 0xC0) == 0x80;
        value = (value << 6) | (next & 0x3F);
      }
      const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
      if (valid && value >= least[length] && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF))
        code = value;
      else
        length = 1;
    }
    if (code >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
    i += length;
  }
  return out;
}

std::string_view ClientPart(std::string_view portName) { return portName.substr(0, portName.find(':')); }

// JACK makes a taken client name unique with "-NN".
std::string_view WithoutJackSuffix(std::string_view client) {
  const std::size_t n = client.size();
  if (n > 3 && client[n - 3] == '-' && client[n - 2] >= '0' && client[n - 2] <= '9' && client[n - 1] >= '0' &&
      client[n - 1] <= '9')
    return client.substr(0, n - 3);
  return client;
}

// The sequencer device; without it ALSA's and RtMidi's constructors complain on the error stream and throw.
constexpr char kAlsaSequencerDevice[] = "/dev/snd/seq";

void OnJackMessage(const char* text) { ReportMidiDiagnostic(std::string("JACK: ") + (text ? text : "")); }

void OnAlsaError(const char* file, int line, const char* function, int error, const char* format, ...) {
  char text[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format ? format : "", arguments);
  va_end(arguments);
  std::string message = "ALSA: ";
  message += text;
  if (error)
    message += std::string(": ") + snd_strerror(error);
  message += std::string(" (") + (function ? function : "") + ", " + (file ? file : "") + ":" +
             std::to_string(line) + ")";
  ReportMidiDiagnostic(message);
}

// The libraries print their complaints themselves unless told where to put them.
void QuietenLibraries() {
  static std::once_flag once;
  std::call_once(once, [] {
    jack_set_error_function(&OnJackMessage);
    jack_set_info_function(&OnJackMessage);
    snd_lib_error_set_handler(&OnAlsaError);
  });
}

// libjack (jackd1) cannot open a client while another thread opens one: both hang in its start-up. Every JACK
// client is opened and closed under this lock, RtMidi's too (they open theirs on first use). Taken after the
// backend's own lock, never before it.
std::unique_lock<std::recursive_mutex> LockJackClients(bool jack = true) {
  static std::recursive_mutex lock;
  return jack ? std::unique_lock<std::recursive_mutex>(lock) : std::unique_lock<std::recursive_mutex>();
}

jack_client_t* OpenJackClient(const std::string& name, const std::string& server) {
  const auto clients = LockJackClients();
  QuietenLibraries();
  jack_status_t status{};
  if (server.empty())
    return jack_client_open(name.c_str(), JackNoStartServer, &status);
  return jack_client_open(name.c_str(), static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status,
                          server.c_str());
}

// What RtMidi reported since the flags were last cleared. A warning is how its ALSA output reports a send that
// did not go out, so a send counts it as a failure; elsewhere only errors count.
struct RtErrors {
  std::atomic<bool> failed{false};
  std::atomic<bool> warned{false};
  void Clear() {
    failed.store(false);
    warned.store(false);
  }
};

// Errors of RtMidi calls land here (instead of being thrown or printed); the caller asks afterwards.
void OnRtMidiError(RtMidiError::Type type, const std::string& text, void* user) {
  ReportMidiDiagnostic("RtMidi: " + text);
  auto* errors = static_cast<RtErrors*>(user);
  if (type == RtMidiError::WARNING)
    errors->warned.store(true);
  else if (type != RtMidiError::DEBUG_WARNING)
    errors->failed.store(true);
}

// Our port names: unique across processes, so that a connection of ours is recognised by its port name alone.
std::string MakeOwnPortName(const char* direction) {
  static std::atomic<std::uint32_t> next{1};
  return std::string(direction) + " " + std::to_string(::getpid()) + "." + std::to_string(next.fetch_add(1));
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

struct Endpoint {
  Api api = Api::Alsa;
  std::string fullName;
  std::u16string name;
};

// A port's presence as last looked up, and the device change count it was looked up at (kNeverChecked: not
// yet). Guarded by the backend's lock.
constexpr std::uint64_t kNeverChecked = ~std::uint64_t{0};
struct Presence {
  std::uint64_t checkedAt = kNeverChecked;
  bool present = false;
};

struct InputPort {
  InputPort(MidiInputCallback callback, void* instance) : queue(callback, instance) {}
  Api api = Api::Alsa;
  Presence presence;
  std::string source;
  std::string ownPort;
  MidiInputQueue queue;
  RtErrors errors;
  std::unique_ptr<RtMidiIn> midi; // last: goes first, and with it RtMidi's thread
};

// A JACK output has two clients: the holder, without a process callback (so the server never wakes it), keeps
// our port ownPort connected to the target for as long as the handle is open, and so tells a device that came
// back (our connection went with its old port) from one that stayed; the sender (RtMidi's client, woken by the
// server every period) exists only while messages go out and is closed after a rest without any.
struct OutputPort {
  ~OutputPort() {
    const auto clients = LockJackClients(api == Api::Jack);
    try {
      midi.reset();
    } catch (const RtMidiError&) {
    }
    if (holder)
      jack_client_close(holder);
  }
  Api api = Api::Alsa;
  Presence presence;
  std::string target;
  std::string ownPort;
  std::string senderPort; // JACK: the sender's port, beside the holder's ownPort
  MidiOutputCallback callback = nullptr;
  void* instance = nullptr;
  std::mutex sendLock;
  RtErrors errors;
  jack_client_t* holder = nullptr;
  std::chrono::steady_clock::time_point lastSend; // guarded by sendLock
  std::unique_ptr<RtMidiOut> midi;                // JACK: null while the sender rests
};

void OnRtMidiInput(double, std::vector<unsigned char>* message, void* user) {
  if (message)
    static_cast<InputPort*>(user)->queue.Deliver(*message);
}

RtMidi::Api ToRtApi(Api api) { return api == Api::Alsa ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK; }

template <class Midi>
std::unique_ptr<Midi> MakeMidi(Api api, const std::string& clientName, RtErrors& errors) {
  QuietenLibraries();
  try {
    auto midi = std::make_unique<Midi>(ToRtApi(api), clientName);
    midi->setErrorCallback(&OnRtMidiError, &errors);
    return midi;
  } catch (const RtMidiError&) {
    return nullptr;
  }
}

// The index RtMidi gives a full port name now, or none.
template <class Midi>
std::optional<unsigned> FindRtPort(Midi& midi, const std::string& fullName) {
  const unsigned count = midi.getPortCount();
  for (unsigned i = 0; i < count; ++i)
    if (midi.getPortName(i) == fullName)
      return i;
  return std::nullopt;
}

// Makes a port's RtMidi object and connects it to the endpoint's port under the port's own name; prepare runs
// on the object before it connects (an input's callback must be in place before messages can come).
template <class Port, class Prepare>
MidiResult ConnectPort(Port& port, const Endpoint& endpoint, const std::string& clientName,
                       const std::string& ownName, Prepare prepare) {
  using Midi = typename decltype(port.midi)::element_type;
  const auto clients = LockJackClients(endpoint.api == Api::Jack);
  port.api = endpoint.api;
  port.midi = MakeMidi<Midi>(endpoint.api, clientName, port.errors);
  if (!port.midi)
    return kMidiError;
  try {
    prepare(*port.midi);
    const std::optional<unsigned> rtIndex = FindRtPort(*port.midi, endpoint.fullName);
    if (!rtIndex)
      return kMidiBadDeviceId;
    port.midi->openPort(*rtIndex, ownName);
  } catch (const RtMidiError&) {
    return kMidiError;
  }
  if (port.errors.failed.load() || !port.midi->isPortOpen())
    return kMidiError;
  return kMidiOk;
}

class RtMidiSystem final : public MidiSystem {
public:
  explicit RtMidiSystem(const RtMidiSystemOptions& options) : mOptions(options) {
    if (!mOptions.jackServer.empty())
      ::setenv("JACK_DEFAULT_SERVER", mOptions.jackServer.c_str(), 1);
  }

  ~RtMidiSystem() override {
    {
      std::lock_guard<std::mutex> guard(mRestLock);
      mRestStop = true;
    }
    mRestWake.notify_all();
    if (mRester.joinable())
      mRester.join();
    std::lock_guard<std::mutex> guard(mLock);
    const auto clients = LockJackClients();
    if (mProbe)
      jack_client_close(mProbe);
    if (mAlsaWatch)
      snd_seq_close(mAlsaWatch);
  }

  std::uint32_t GetDeviceCount(MidiDirection direction) override {
    std::lock_guard<std::mutex> guard(mLock);
    mSnapshot[Slot(direction)] = Enumerate(direction);
    return static_cast<std::uint32_t>(mSnapshot[Slot(direction)].size());
  }

  MidiResult GetDeviceName(MidiDirection direction, std::uint32_t index, std::u16string& name) override {
    std::lock_guard<std::mutex> guard(mLock);
    name.clear();
    const auto& snapshot = mSnapshot[Slot(direction)];
    if (index >= snapshot.size())
      return kMidiBadDeviceId;
    name = snapshot[index].name;
    return kMidiOk;
  }

  MidiResult OpenInput(std::uint32_t index, MidiInputCallback callback, void* instance,
                       MidiInHandle& handle) override {
    if (!callback)
      return kMidiInvalidParam;
    std::optional<Endpoint> endpoint = SnapshotAt(MidiDirection::Input, index);
    if (!endpoint)
      return kMidiBadDeviceId;
    auto port = std::make_shared<InputPort>(callback, instance);
    port->source = endpoint->fullName;
    port->ownPort = MakeOwnPortName("in");
    const MidiResult connected =
        ConnectPort(*port, *endpoint, mOptions.clientName, port->ownPort, [&port](RtMidiIn& midi) {
          midi.ignoreTypes(false, false, false); // everything, system-exclusive messages too
          midi.setCallback(&OnRtMidiInput, port.get());
        });
    if (connected != kMidiOk) {
      const auto clients = LockJackClients(port->api == Api::Jack);
      port->midi.reset();
      return connected;
    }
    if (endpoint->api == Api::Jack)
      RenewProbe();
    std::lock_guard<std::mutex> guard(mTableLock);
    handle = mNextHandle++;
    mInputs.emplace(handle, std::move(port));
    return kMidiOk;
  }

  MidiResult AddInputBuffer(MidiInHandle handle, MidiBuffer* buffer) override {
    const std::shared_ptr<InputPort> port = FindInput(handle);
    return port ? port->queue.Add(buffer) : kMidiInvalidHandle;
  }

  MidiResult StartInput(MidiInHandle handle) override { return WithInput(handle, &MidiInputQueue::Start); }
  MidiResult StopInput(MidiInHandle handle) override { return WithInput(handle, &MidiInputQueue::Stop); }
  MidiResult ResetInput(MidiInHandle handle) override { return WithInput(handle, &MidiInputQueue::Reset); }

  MidiResult CloseInput(MidiInHandle handle) override {
    std::shared_ptr<InputPort> port;
    {
      std::lock_guard<std::mutex> guard(mTableLock);
      auto it = mInputs.find(handle);
      if (it == mInputs.end())
        return kMidiInvalidHandle;
      port = std::move(it->second);
      mInputs.erase(it);
    }
    port->queue.Close();
    const auto clients = LockJackClients(port->api == Api::Jack);
    try {
      port->midi.reset(); // RtMidi's thread ends here; it may have been waiting in Deliver
    } catch (const RtMidiError&) {
    }
    return kMidiOk;
  }

  bool IsInputPresent(MidiInHandle handle) override {
    const std::shared_ptr<InputPort> port = FindInput(handle);
    return port && IsPresent(MidiDirection::Input, port->api, port->source, port->ownPort, port->presence);
  }

  MidiResult OpenOutput(std::uint32_t index, MidiOutputCallback callback, void* instance,
                        MidiOutHandle& handle) override {
    std::optional<Endpoint> endpoint = SnapshotAt(MidiDirection::Output, index);
    if (!endpoint)
      return kMidiBadDeviceId;
    auto port = std::make_shared<OutputPort>();
    port->target = endpoint->fullName;
    port->ownPort = MakeOwnPortName("out");
    port->senderPort = port->ownPort + " send";
    port->callback = callback;
    port->instance = instance;
    const bool jack = endpoint->api == Api::Jack;
    const MidiResult connected = ConnectPort(*port, *endpoint, mOptions.clientName,
                                             jack ? port->senderPort : port->ownPort, [](RtMidiOut&) {});
    if (connected != kMidiOk)
      return connected; // the port's end closes what was made
    if (jack) {
      const MidiResult held = HoldConnection(*port);
      if (held != kMidiOk)
        return held;
      port->lastSend = std::chrono::steady_clock::now();
      RenewProbe();
      StartResting();
    }
    std::lock_guard<std::mutex> guard(mTableLock);
    handle = mNextHandle++;
    mOutputs.emplace(handle, std::move(port));
    return kMidiOk;
  }

  MidiResult SendShort(MidiOutHandle handle, std::uint32_t packed) override {
    const std::shared_ptr<OutputPort> port = FindOutput(handle);
    if (!port)
      return kMidiInvalidHandle;
    unsigned char bytes[4];
    for (std::size_t i = 0; i < 4; ++i)
      bytes[i] = static_cast<unsigned char>(packed >> (8 * i));
    return Send(*port, bytes, PackedMessageLength(bytes[0]));
  }

  MidiResult SendLong(MidiOutHandle handle, MidiBuffer* buffer) override {
    const std::shared_ptr<OutputPort> port = FindOutput(handle);
    if (!port)
      return kMidiInvalidHandle;
    if (!buffer || !buffer->data || buffer->length == 0 || (buffer->flags & kMidiBufferQueued))
      return kMidiInvalidParam;
    const MidiResult result = Send(*port, buffer->data, buffer->length);
    if (result != kMidiOk)
      return result; // never taken
    buffer->flags = (buffer->flags & ~kMidiBufferQueued) | kMidiBufferDone;
    if (port->callback)
      port->callback(port->instance, MidiOutputEvent::Done, buffer);
    return kMidiOk;
  }

  MidiResult ResetOutput(MidiOutHandle handle) override {
    return FindOutput(handle) ? kMidiOk : kMidiInvalidHandle; // nothing is ever left under way
  }

  MidiResult CloseOutput(MidiOutHandle handle) override {
    std::shared_ptr<OutputPort> port;
    {
      std::lock_guard<std::mutex> guard(mTableLock);
      auto it = mOutputs.find(handle);
      if (it == mOutputs.end())
        return kMidiInvalidHandle;
      port = std::move(it->second);
      mOutputs.erase(it);
    }
    std::lock_guard<std::mutex> sending(port->sendLock);
    const auto clients = LockJackClients(port->api == Api::Jack);
    try {
      port->midi.reset();
    } catch (const RtMidiError&) {
    }
    if (port->holder)
      jack_client_close(port->holder);
    port->holder = nullptr;
    return kMidiOk;
  }

  std::optional<std::uint64_t> GetDeviceChangeCount() override {
    std::lock_guard<std::mutex> guard(mLock);
    return ChangeCount();
  }

  bool IsOutputPresent(MidiOutHandle handle) override {
    const std::shared_ptr<OutputPort> port = FindOutput(handle);
    return port && IsPresent(MidiDirection::Output, port->api, port->target, port->ownPort, port->presence);
  }

private:
  // RtMidi sends into a port whose device has gone (or, on JACK, whose connection went with a device that came
  // back) without a word, so presence is asked first: a send that cannot arrive fails and sends nothing. The
  // answer is the one looked up last while the devices have not changed since, so a send asks no server.
  MidiResult Send(OutputPort& port, const unsigned char* bytes, std::size_t count) {
    std::lock_guard<std::mutex> sending(port.sendLock);
    if ((!port.midi && port.api != Api::Jack) ||
        !IsPresent(MidiDirection::Output, port.api, port.target, port.ownPort, port.presence))
      return kMidiError;
    if (!port.midi && !WakeSender(port))
      return kMidiError;
    port.lastSend = std::chrono::steady_clock::now();
    port.errors.Clear();
    try {
      port.midi->sendMessage(bytes, count);
    } catch (const RtMidiError&) {
      return kMidiError;
    }
    return port.errors.failed.load() || port.errors.warned.load() ? kMidiError : kMidiOk;
  }

  // The holder client: our port ownPort, connected to the target.
  MidiResult HoldConnection(OutputPort& port) {
    const auto clients = LockJackClients();
    port.holder = OpenJackClient(mOptions.clientName, mOptions.jackServer);
    if (!port.holder)
      return kMidiError;
    jack_port_t* own =
        jack_port_register(port.holder, port.ownPort.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    if (!own || jack_activate(port.holder) != 0 ||
        jack_connect(port.holder, jack_port_name(own), port.target.c_str()) != 0)
      return kMidiError;
    return kMidiOk;
  }

  // Under the port's send lock, with the device present: makes the sender again after a rest. It feeds the
  // device, so the server runs it before the device and our input in every period, as at the open.
  bool WakeSender(OutputPort& port) {
    const MidiResult connected = ConnectPort(port, Endpoint{Api::Jack, port.target, {}}, mOptions.clientName,
                                             port.senderPort, [](RtMidiOut&) {});
    if (connected != kMidiOk) {
      const auto clients = LockJackClients();
      port.midi.reset();
      return false;
    }
    RenewProbe();
    return true;
  }

  // The thread that closes the senders of JACK outputs that sent nothing for a rest; made with the first JACK
  // output, it wakes twice a rest (a sender rests within one and a half rests of its last send).
  void StartResting() {
    std::lock_guard<std::mutex> guard(mRestLock);
    if (mRester.joinable() || mOptions.jackSenderRestMs == 0)
      return;
    mRester = std::thread([this] {
      const auto rest = std::chrono::milliseconds(mOptions.jackSenderRestMs);
      std::unique_lock<std::mutex> lock(mRestLock);
      while (!mRestStop) {
        mRestWake.wait_for(lock, rest / 2 + std::chrono::milliseconds(1), [this] { return mRestStop; });
        if (mRestStop)
          break;
        lock.unlock();
        RestIdleSenders(rest);
        lock.lock();
      }
    });
  }

  void RestIdleSenders(std::chrono::milliseconds rest) {
    std::vector<std::shared_ptr<OutputPort>> outputs;
    {
      std::lock_guard<std::mutex> guard(mTableLock);
      for (const auto& entry : mOutputs)
        outputs.push_back(entry.second);
    }
    const auto now = std::chrono::steady_clock::now();
    for (const auto& port : outputs) {
      std::unique_lock<std::mutex> sending(port->sendLock, std::try_to_lock);
      if (!sending || port->api != Api::Jack || !port->midi || now - port->lastSend < rest)
        continue; // a send under way is anything but idle
      const auto clients = LockJackClients();
      try {
        port->midi.reset();
      } catch (const RtMidiError&) {
      }
    }
  }

  std::optional<Endpoint> SnapshotAt(MidiDirection direction, std::uint32_t index) {
    std::lock_guard<std::mutex> guard(mLock);
    const auto& snapshot = mSnapshot[Slot(direction)];
    if (index >= snapshot.size())
      return std::nullopt;
    return snapshot[index];
  }

  std::shared_ptr<InputPort> FindInput(MidiInHandle handle) {
    std::lock_guard<std::mutex> guard(mTableLock);
    auto it = mInputs.find(handle);
    return it == mInputs.end() ? nullptr : it->second;
  }

  std::shared_ptr<OutputPort> FindOutput(MidiOutHandle handle) {
    std::lock_guard<std::mutex> guard(mTableLock);
    auto it = mOutputs.find(handle);
    return it == mOutputs.end() ? nullptr : it->second;
  }

  MidiResult WithInput(MidiInHandle handle, void (MidiInputQueue::*operation)()) {
    const std::shared_ptr<InputPort> port = FindInput(handle);
    if (!port)
      return kMidiInvalidHandle;
    (port->queue.*operation)();
    return kMidiOk;
  }

  // Under mLock. Tried once: a machine without a sequencer gets none later.
  bool EnsureAlsa() {
    if (!mOptions.useAlsa)
      return false;
    if (!mAlsaTried) {
      mAlsaTried = true;
      if (::access(kAlsaSequencerDevice, F_OK) != 0) {
        ReportMidiDiagnostic(std::string("ALSA: no sequencer (") + kAlsaSequencerDevice + " is missing)");
        return false;
      }
      mAlsaIn = MakeMidi<RtMidiIn>(Api::Alsa, mOptions.clientName, mEnumerationErrors);
      if (mAlsaIn) // without a sequencer the first says so already
        mAlsaOut = MakeMidi<RtMidiOut>(Api::Alsa, mOptions.clientName, mEnumerationErrors);
      if (!mAlsaIn || !mAlsaOut) {
        mAlsaIn.reset();
        mAlsaOut.reset();
      }
    }
    return mAlsaIn != nullptr;
  }

  // Under mLock: whether a JACK server runs now, with our probe client (it lists the ports) made once it does.
  bool EnsureJack() {
    if (!mOptions.useJack)
      return false;
    const auto clients = LockJackClients();
    if (mProbe && mProbeGone.load()) {
      jack_client_close(mProbe);
      mProbe = nullptr;
      mProbeGone.store(false);
    }
    if (!mProbe) {
      mProbe = OpenJackClient(mOptions.clientName, mOptions.jackServer);
      if (!mProbe)
        return false;
      jack_on_shutdown(mProbe, &RtMidiSystem::OnJackShutdown, this);
      // Every change of the graph that can touch a device or our connection to it moves the change count; the
      // callbacks run on the probe's own thread.
      jack_set_client_registration_callback(mProbe, &RtMidiSystem::OnJackClient, this);
      jack_set_port_registration_callback(mProbe, &RtMidiSystem::OnJackPort, this);
      jack_set_port_connect_callback(mProbe, &RtMidiSystem::OnJackConnect, this);
      jack_set_port_rename_callback(mProbe, &RtMidiSystem::OnJackRename, this);
      if (jack_activate(mProbe) != 0) {
        jack_client_close(mProbe);
        mProbe = nullptr;
        return false;
      }
      // What changed while no probe listened is not known: everything is looked up again.
      mChanges.fetch_add(1);
    }
    return true;
  }

  static void OnJackClient(const char*, int, void* user) {
    static_cast<RtMidiSystem*>(user)->mChanges.fetch_add(1);
  }
  static void OnJackPort(jack_port_id_t, int, void* user) {
    static_cast<RtMidiSystem*>(user)->mChanges.fetch_add(1);
  }
  static void OnJackConnect(jack_port_id_t, jack_port_id_t, int, void* user) {
    static_cast<RtMidiSystem*>(user)->mChanges.fetch_add(1);
  }
  static void OnJackRename(jack_port_id_t, const char*, const char*, void* user) {
    static_cast<RtMidiSystem*>(user)->mChanges.fetch_add(1);
  }

  // Under mLock, with a probe: the MIDI ports of the server in the order RtMidi lists them (an input device has
  // output ports). Listed through the probe, not through RtMidi objects of our own: every further active client
  // of ours reorders the server's graph, and two of them cost every request a whole period more.
  void CollectJack(bool input, std::vector<Endpoint>& out) {
    const char** ports =
        jack_get_ports(mProbe, nullptr, JACK_DEFAULT_MIDI_TYPE, input ? JackPortIsOutput : JackPortIsInput);
    for (const char** port = ports; port && *port; ++port) {
      std::string fullName = *port;
      if (fullName.empty() || IsOwn(fullName))
        continue;
      std::u16string name = MidiDeviceNameFromJackPort(fullName);
      out.push_back({Api::Jack, std::move(fullName), std::move(name)});
    }
    if (ports)
      jack_free(ports);
  }

  // jackd1 orders the clients of a cycle by their connections, and among unconnected ones by age: a client of
  // ours older than a port's client put the port's reply a whole period later (two periods a request instead of
  // one). The probe is therefore made again after every port: it is always the newest of our clients. It is made
  // at once, not at its next use, so that no change of the graph goes unheard in between.
  void RenewProbe() {
    std::lock_guard<std::mutex> guard(mLock);
    const auto clients = LockJackClients();
    if (mProbe)
      jack_client_close(mProbe);
    mProbe = nullptr;
    mProbeGone.store(false);
    (void)EnsureJack();
  }

  static void OnJackShutdown(void* user) {
    auto* self = static_cast<RtMidiSystem*>(user);
    self->mProbeGone.store(true);
    self->mChanges.fetch_add(1);
  }

  bool IsOwn(std::string_view fullName) const {
    return ClientPart(fullName).substr(0, mOptions.clientName.size()) == mOptions.clientName;
  }

  template <class Midi>
  void Collect(Midi& midi, Api api, std::vector<Endpoint>& out) {
    try {
      const unsigned count = midi.getPortCount();
      for (unsigned i = 0; i < count; ++i) {
        std::string fullName = midi.getPortName(i);
        if (fullName.empty() || IsOwn(fullName))
          continue;
        std::u16string name =
            api == Api::Alsa ? MidiDeviceNameFromAlsaPort(fullName) : MidiDeviceNameFromJackPort(fullName);
        out.push_back({api, std::move(fullName), std::move(name)});
      }
    } catch (const RtMidiError&) {
    }
  }

  // Under mLock: ALSA's devices, then JACK's.
  std::vector<Endpoint> Enumerate(MidiDirection direction) {
    std::vector<Endpoint> endpoints;
    const bool input = direction == MidiDirection::Input;
    if (EnsureAlsa()) {
      if (input)
        Collect(*mAlsaIn, Api::Alsa, endpoints);
      else
        Collect(*mAlsaOut, Api::Alsa, endpoints);
    }
    if (EnsureJack())
      CollectJack(input, endpoints);
    return endpoints;
  }

  // Under mLock: the device change count now, or nullopt when a change could go unnoticed (an ALSA sequencer
  // without our announcement watch). A JACK server is asked for here when none runs, so that one that starts
  // moves the count (its probe is made).
  std::optional<std::uint64_t> ChangeCount() {
    if (mOptions.useJack)
      (void)EnsureJack();
    if (EnsureAlsa() && !DrainAlsaAnnouncements())
      return std::nullopt;
    return mChanges.load();
  }

  // Under mLock, with ALSA: reads what the sequencer announced (a client or port that came, went or changed, a
  // connection made or undone) and moves the count when there was anything. False without the watch.
  bool DrainAlsaAnnouncements() {
    if (!mAlsaWatch && !mAlsaWatchTried) {
      mAlsaWatchTried = true;
      OpenAlsaWatch();
    }
    if (!mAlsaWatch)
      return false;
    bool any = false;
    for (;;) {
      snd_seq_event_t* event = nullptr;
      const int result = snd_seq_event_input(mAlsaWatch, &event);
      if (result == -ENOSPC) { // the queue overran: events were lost
        any = true;
        continue;
      }
      if (result < 0 || !event) // -EAGAIN: nothing more
        break;
      any = true;
    }
    if (any)
      mChanges.fetch_add(1);
    return true;
  }

  // A sequencer client of ours (never listed: it carries our client name) subscribed to the system's announce
  // port, read without blocking.
  void OpenAlsaWatch() {
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0)
      return;
    (void)snd_seq_set_client_name(seq, (mOptions.clientName + " watch").c_str());
    const int port = snd_seq_create_simple_port(
        seq, "announce", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT, SND_SEQ_PORT_TYPE_APPLICATION);
    if (port < 0 || snd_seq_connect_from(seq, port, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE) < 0) {
      snd_seq_close(seq);
      return;
    }
    mAlsaWatch = seq;
    mChanges.fetch_add(1); // what came before the watch is not known
  }

  // Takes mLock. The answer is looked up again only when the devices may have changed since the last look.
  bool IsPresent(MidiDirection direction, Api api, const std::string& fullName, const std::string& ownPort,
                 Presence& presence) {
    std::lock_guard<std::mutex> guard(mLock);
    const std::optional<std::uint64_t> now = ChangeCount();
    // The graph's callbacks come a little after the server took a port away; its port table, which the probe
    // reads in shared memory, is current at once. A port that went is therefore never sent to.
    if (api == Api::Jack && !IsJackPortListed(fullName)) {
      presence.checkedAt = kNeverChecked; // one that comes back under the name is looked up in full
      return false;
    }
    if (now && presence.checkedAt == *now)
      return presence.present;
    presence.present = LookUpPresence(direction, api, fullName, ownPort);
    presence.checkedAt = now ? *now : kNeverChecked;
    return presence.present;
  }

  // Under mLock: whether the server's port table holds the port now (read by our probe, no request to the
  // server).
  bool IsJackPortListed(const std::string& fullName) {
    if (!EnsureJack())
      return false;
    const char** ports = jack_get_ports(mProbe, nullptr, nullptr, 0);
    bool listed = false;
    for (const char** port = ports; port && *port && !listed; ++port)
      listed = fullName == *port;
    if (ports)
      jack_free(ports);
    return listed;
  }

  // Under mLock: asks the libraries (for JACK the server, for our port's connections).
  bool LookUpPresence(MidiDirection direction, Api api, const std::string& fullName, const std::string& ownPort) {
    const std::vector<Endpoint> endpoints = Enumerate(direction);
    const bool listed = std::any_of(endpoints.begin(), endpoints.end(), [&](const Endpoint& endpoint) {
      return endpoint.api == api && endpoint.fullName == fullName;
    });
    if (!listed || api != Api::Jack)
      return listed;
    jack_port_t* port = jack_port_by_name(mProbe, fullName.c_str());
    if (!port)
      return false;
    const char** connections = jack_port_get_all_connections(mProbe, port);
    bool connected = false;
    for (const char** c = connections; c && *c; ++c)
      connected = connected || EndsWith(*c, ":" + ownPort);
    if (connections)
      jack_free(connections);
    return connected;
  }

  const RtMidiSystemOptions mOptions;
  // The enumeration clients, the JACK probe and the snapshots. Input callbacks (RtMidi's threads) never wait for
  // it: they only look handles up, under the table lock, which guards nothing else.
  std::mutex mLock;
  std::mutex mTableLock;
  RtErrors mEnumerationErrors;
  bool mAlsaTried = false;
  std::unique_ptr<RtMidiIn> mAlsaIn;
  std::unique_ptr<RtMidiOut> mAlsaOut;
  jack_client_t* mProbe = nullptr;
  std::atomic<bool> mProbeGone{false};
  snd_seq_t* mAlsaWatch = nullptr;
  bool mAlsaWatchTried = false;
  // Moved by the probe's callbacks, by a probe made anew and by the sequencer's announcements.
  std::atomic<std::uint64_t> mChanges{0};
  std::vector<Endpoint> mSnapshot[2];
  std::map<std::uintptr_t, std::shared_ptr<InputPort>> mInputs;
  std::map<std::uintptr_t, std::shared_ptr<OutputPort>> mOutputs;
  std::uintptr_t mNextHandle = 1;
  // The senders' rest (StartResting).
  std::mutex mRestLock;
  std::condition_variable mRestWake;
  bool mRestStop = false;
  std::thread mRester;
};

} // namespace

std::shared_ptr<MidiSystem> CreateRtMidiSystem(const RtMidiSystemOptions& options) {
  IgnoreBrokenPipes(); // libjack's threads write to the server's socket: a server that stops must not end us
  return std::make_shared<RtMidiSystem>(options);
}

bool IsJackServerRunning(const std::string& serverName) {
  const auto clients = LockJackClients();
  jack_client_t* client = OpenJackClient("QZ MIDI probe", serverName);
  if (!client)
    return false;
  jack_client_close(client);
  return true;
}

struct JackPortWatch::State {
  jack_client_t* client = nullptr;
  mutable std::mutex lock;
  std::map<jack_port_id_t, std::string> names; // of the ports that came while watched
  std::vector<Change> changes;

  // libjack's thread of the client. A port that comes is named from the server's port table at once; one that
  // went again before that is noted without a name.
  static void OnPort(jack_port_id_t id, int came, void* user) {
    auto* state = static_cast<State*>(user);
    std::string name;
    if (came) {
      if (const jack_port_t* port = jack_port_by_id(state->client, id))
        name = jack_port_name(port);
    }
    std::lock_guard<std::mutex> guard(state->lock);
    if (came) {
      state->names[id] = name;
    } else if (const auto it = state->names.find(id); it != state->names.end()) {
      name = std::move(it->second);
      state->names.erase(it);
    }
    state->changes.push_back({std::move(name), came != 0});
  }
};

JackPortWatch::JackPortWatch(const std::string& serverName) : mState(std::make_unique<State>()) {
  const auto clients = LockJackClients();
  jack_client_t* client = OpenJackClient("QZ port watch", serverName);
  if (!client)
    return;
  mState->client = client;
  if (jack_set_port_registration_callback(client, &State::OnPort, mState.get()) != 0 ||
      jack_activate(client) != 0) {
    jack_client_close(client);
    mState->client = nullptr;
  }
}

JackPortWatch::~JackPortWatch() {
  if (!mState->client)
    return;
  const auto clients = LockJackClients();
  jack_client_close(mState->client);
}

bool JackPortWatch::IsWatching() const { return mState->client != nullptr; }

std::vector<JackPortWatch::Change> JackPortWatch::GetChanges() const {
  std::lock_guard<std::mutex> guard(mState->lock);
  return mState->changes;
}

std::u16string MidiDeviceNameFromAlsaPort(std::string_view portName) {
  std::u16string name = Utf8ToUtf16(ClientPart(portName));
  TruncateMidiDeviceName(name);
  return name;
}

std::u16string MidiDeviceNameFromJackPort(std::string_view portName) {
  std::u16string name = Utf8ToUtf16(WithoutJackSuffix(ClientPart(portName)));
  TruncateMidiDeviceName(name);
  return name;
}

} // namespace QZ::Platform
