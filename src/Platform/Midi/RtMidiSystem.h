#pragma once
// The machine's MIDI devices through RtMidi: the ports of the ALSA sequencer, and the MIDI ports of a JACK server
// while one runs (never starting one).
//
// Device names are what a user knows the device by: for ALSA the sequencer client's name (a USB device's product
// name) without the port name and the numeric address RtMidi adds ("Pellan Vorn:Pellan Vorn MIDI 1 24:0" is
// "Pellan Vorn"); for JACK the client's name without the "-NN" JACK adds to a name already taken. Both stay the
// same when a device is plugged in again, and are cut to kMidiMaxNameUnits. Our own clients (options.clientName
// and the names JACK derives from it) are never listed.
//
// One sequencer client per API and direction serves every enumeration; each open port has a client of its own;
// for JACK one more client, the probe, lists the ports and hears the graph's changes (made again after every open
// port, so that it is always our newest client). A JACK output has two: one without a process callback that keeps
// our connection to the device while the handle is open, and the sender, which the server wakes every period and
// which therefore exists only while messages go out (closed after jackSenderRestMs without a send, made again by
// the next one).
// Without an ALSA sequencer (no /dev/snd) RtMidi's constructor throws: ALSA then has no devices for the life of
// the backend, tried once (and not at all without /dev/snd/seq). Whether a JACK server runs is asked before every
// JACK use (RtMidi's JACK code crashes without one); a server that goes away takes its devices with it.
//
// Input: RtMidi hands over whole messages; system-exclusive ones are cut into the queued buffers (MidiInputQueue).
// Output: RtMidi sends at once, so a long message is done (its buffer given back) inside SendLong. A send through
// a handle whose device is not present fails and sends nothing, as does one RtMidi warns about.
// A handle's device is present while its port is still listed under the same full name and, for JACK, our port is
// still connected to it (a JACK port that was re-created under the same name lost our connection). The answer is
// looked up again only when the device change count has moved since the last look: JACK's graph callbacks (clients
// and ports that come and go, connections made and undone) move it on the probe's thread, and ALSA's announcements
// (read from the system announce port by a sequencer client of ours) move it when they are read. So a watcher that
// polls the count, and a send that asks for presence, cost no server round trip while nothing changes. Without
// the announce port (ALSA present but the watch refused) the count is unknown and every look asks again.
//
// For tests, JackPortWatch notes the ports that come and go on a JACK server, from a client of its own.
//
// Thread safety: every operation may be called from any thread. Input callbacks run on RtMidi's threads.

#include "Platform/Midi/MidiSystem.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace QZ::Platform {

struct RtMidiSystemOptions {
  bool useAlsa = true;
  bool useJack = true;
  // The name of our own sequencer and JACK clients.
  std::string clientName = "QZ MIDI";
  // The JACK server to use; empty for the default one (JACK_DEFAULT_SERVER, else "default"). RtMidi reads the
  // server only from the environment, so a name given here is set there.
  std::string jackServer;
  // A JACK output's sender client is closed after this long without a send (0: never), and made again by the
  // next send: a client with a process callback is woken by the server every period, also while idle.
  std::uint32_t jackSenderRestMs = 1000;
};

[[nodiscard]] std::shared_ptr<MidiSystem> CreateRtMidiSystem(const RtMidiSystemOptions& options = {});

// Whether a JACK server answers under that name (empty: the default one). Starts none.
bool IsJackServerRunning(const std::string& serverName = {});

// For tests: a JACK client of its own on a server that notes the ports which come and go there, by full name, in
// order. A port listed before the watch began is noted with an empty name when it goes. Nothing is noted when no
// server answers under that name. Any thread (the notes are made on libjack's thread of the watch's client).
class JackPortWatch {
public:
  struct Change {
    std::string port;
    bool came = false; // false: went
  };

  explicit JackPortWatch(const std::string& serverName = {});
  ~JackPortWatch();
  JackPortWatch(const JackPortWatch&) = delete;
  JackPortWatch& operator=(const JackPortWatch&) = delete;

  bool IsWatching() const;
  std::vector<Change> GetChanges() const;

  struct State; // libjack's client and the notes, kept out of this header

private:
  std::unique_ptr<State> mState;
};

// The device names of RtMidi's full port names.
std::u16string MidiDeviceNameFromAlsaPort(std::string_view portName);
std::u16string MidiDeviceNameFromJackPort(std::string_view portName);

} // namespace QZ::Platform
