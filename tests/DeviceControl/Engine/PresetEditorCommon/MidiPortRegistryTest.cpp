#include "DeviceControl/Engine/PresetEditorCommon/MidiComm.h"

#include "Platform/Midi/FakeMidiSystem.h"
#include "Support/MidiTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <atomic>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace QZ {
namespace {

using Platform::FakeMidiSystem;
using Platform::MidiDirection;
using Handle = RCPtr<LRefCountedObject>;

std::vector<std::u16string> Names(const MidiPortNameList& list) {
  std::vector<std::u16string> names;
  for (std::uint32_t i = 0; i < list.GetCount(); ++i)
    names.emplace_back(list.GetAt(i).GetChars(), list.GetAt(i).GetLength());
  return names;
}

std::u16string Lower(std::u16string text) {
  for (char16_t& c : text)
    if (c >= u'A' && c <= u'Z')
      c = static_cast<char16_t>(c - u'A' + u'a');
  return text;
}

class MidiPortRegistryTest : public ::testing::Test {
protected:
  MidiPortRegistryTest() : mPrevious(Platform::SetMidiSystem(mFake)) {}
  ~MidiPortRegistryTest() override { Platform::SetMidiSystem(mPrevious); }

  // Made once the devices of a test are there.
  void MakeLayer() { mComm = DynamicCast<LMidiComm>(LMidiComm::Create()); }

  QZRESULT OpenCapture(const char16_t* name, Handle& port) {
    return mComm->OpenCapturePort(WideString(name), port);
  }
  QZRESULT OpenRender(const char16_t* name, Handle& port) { return mComm->OpenRenderPort(WideString(name), port); }
  std::vector<std::u16string> CaptureNames() {
    MidiPortNameList names;
    const std::int32_t count = mComm->GetCapturePortNames(names);
    EXPECT_EQ(count, static_cast<std::int32_t>(names.GetCount()));
    return Names(names);
  }
  std::vector<std::u16string> RenderNames() {
    MidiPortNameList names;
    const std::int32_t count = mComm->GetRenderPortNames(names);
    EXPECT_EQ(count, static_cast<std::int32_t>(names.GetCount()));
    return Names(names);
  }

  std::shared_ptr<FakeMidiSystem> mFake = std::make_shared<FakeMidiSystem>();
  std::shared_ptr<Platform::MidiSystem> mPrevious;
  RCPtr<LMidiComm> mComm;
};

TEST_F(MidiPortRegistryTest, OneNameOnePortWhileHeld) {
  const auto keys = mFake->AddDevice(MidiDirection::Input, u"Keys MIDI");
  const auto out = mFake->AddDevice(MidiDirection::Output, u"Keys MIDI");
  MakeLayer();

  Handle a, b, c, d;
  ASSERT_EQ(OpenCapture(u"Keys MIDI", a), S_OK);
  ASSERT_EQ(OpenCapture(u"keys midi", b), S_OK);
  EXPECT_EQ(a.Get(), b.Get()) << "the requested name matches ignoring case";
  EXPECT_EQ(mFake->GetOpenTotal(keys), 1u);
  EXPECT_TRUE(mFake->IsStarted(keys));
  EXPECT_EQ(CaptureNames(), std::vector<std::u16string>{u"Keys MIDI"});
  EXPECT_EQ(DynamicCast<LMidiCapturePort>(a)->GetInnerRefCount(), 1);

  ASSERT_EQ(OpenRender(u"keys midi", c), S_OK);
  ASSERT_EQ(OpenRender(u"MIDI", d), S_OK);
  EXPECT_EQ(c.Get(), d.Get()) << "render ports match by device name";
  EXPECT_EQ(RenderNames(), std::vector<std::u16string>{u"Keys MIDI"});
  EXPECT_EQ(mFake->GetOpenTotal(out), 1u);

  // The last release takes a port out of its list and closes its device; the next open makes a new one.
  a = nullptr;
  EXPECT_EQ(CaptureNames().size(), 1u);
  b = nullptr;
  EXPECT_TRUE(CaptureNames().empty());
  EXPECT_EQ(mFake->GetOpenCount(keys), 0u);
  c = nullptr;
  d = nullptr;
  EXPECT_TRUE(RenderNames().empty());
  EXPECT_EQ(mFake->GetOpenCount(out), 0u);
  ASSERT_EQ(OpenCapture(u"Keys MIDI", a), S_OK);
  EXPECT_EQ(mFake->GetOpenTotal(keys), 2u);

  // A presence test opens and closes an unheld port and leaves the lists as they were.
  ASSERT_EQ(OpenRender(u"Keys MIDI", c), S_OK);
  c = nullptr;
  EXPECT_EQ(mFake->GetOpenTotal(out), 2u);
  EXPECT_EQ(mFake->GetOpenCount(out), 0u);
  EXPECT_TRUE(RenderNames().empty());
  EXPECT_EQ(CaptureNames().size(), 1u);
}

TEST_F(MidiPortRegistryTest, NamesThatDesignateNoPortOrSeveral) {
  const auto keys = mFake->AddDevice(MidiDirection::Input, u"Keys MIDI");
  mFake->AddDevice(MidiDirection::Input, u"Keys Other");
  mFake->SetSingleClient(keys, true);
  mFake->AddDevice(MidiDirection::Output, u"Keys MIDI");
  mFake->AddDevice(MidiDirection::Output, u"Keys Other");
  MakeLayer();

  const struct {
    const char16_t* name;
    QZRESULT capture;
    QZRESULT render;
  } cases[] = {
      {u"Keys", E_INVALIDARG, E_INVALIDARG}, // in both names, equal to none
      {u"Piano", E_FAIL, E_FAIL},            // in no name
      {u"Keys MID", E_FAIL, E_FAIL},         // one name contains it, but it ends no device name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
    Handle port = Handle(MakeRCPtr<LRefCountedObject>());
    EXPECT_EQ(OpenCapture(c.name, port), c.capture);
    EXPECT_EQ(port, nullptr) << "the output is released first";
    port = Handle(MakeRCPtr<LRefCountedObject>());
    EXPECT_EQ(OpenRender(c.name, port), c.render);
    EXPECT_EQ(port, nullptr);
    EXPECT_TRUE(CaptureNames().empty());
    EXPECT_TRUE(RenderNames().empty());
  }

  // "MIDI" designates the same device as "Keys MIDI" but is another requested name: a second port for a device
  // that serves one client.
  Handle held, other;
  ASSERT_EQ(OpenCapture(u"Keys MIDI", held), S_OK);
  EXPECT_EQ(OpenCapture(u"MIDI", other), E_FAIL);
  EXPECT_EQ(CaptureNames(), std::vector<std::u16string>{u"Keys MIDI"});

  EXPECT_EQ(mComm->RemoveCapturePort(LMidiCapturePort::Create(WideString(u"x"), mComm)), E_FAIL);
  EXPECT_EQ(mComm->RemoveRenderPort(LMidiRenderPort::Create(WideString(u"x"), mComm)), E_FAIL);
}

TEST_F(MidiPortRegistryTest, NumberedRenderPortsAreListedByTheirDeviceName) {
  mFake->AddDevice(MidiDirection::Output, u"X");
  const auto second = mFake->AddDevice(MidiDirection::Output, u"X");
  mFake->SetSingleClient(second, true);
  MakeLayer();

  Handle a, b;
  ASSERT_EQ(OpenRender(u"X (2)", a), S_OK);
  EXPECT_EQ(mFake->GetOpenCount(second), 1u);
  EXPECT_EQ(RenderNames(), std::vector<std::u16string>{u"X"});
  EXPECT_EQ(OpenRender(u"X (2)", b), E_FAIL) << "not found in the list: a second client for the device";
  EXPECT_EQ(RenderNames().size(), 1u);
}

TEST_F(MidiPortRegistryTest, ADeadPortIsReopenedAndRestartedWhenItsDeviceReturns) {
  const auto keys = mFake->AddDevice(MidiDirection::Input, u"Keys");
  const auto out = mFake->AddDevice(MidiDirection::Output, u"Keys");
  MakeLayer();
  RCPtr<test::MidiCaptureRecorder> recorder = test::MidiCaptureRecorder::Create(RCPtr<LMidiCommInterface>(mComm));

  Handle capture, render, probe;
  ASSERT_EQ(OpenCapture(u"Keys", capture), S_OK);
  ASSERT_EQ(OpenRender(u"Keys", render), S_OK);
  mFake->Unplug(keys);
  mFake->Unplug(out);
  EXPECT_EQ(OpenCapture(u"Keys", probe), E_FAIL);
  EXPECT_EQ(OpenRender(u"Keys", probe), E_FAIL);
  EXPECT_FALSE(DynamicCast<LMidiCapturePort>(capture)->IsDevicePresent()) << "still listed for its holders";
  EXPECT_EQ(CaptureNames().size(), 1u);
  EXPECT_EQ(RenderNames().size(), 1u);

  mFake->Plug(keys);
  mFake->Plug(out);
  ASSERT_EQ(OpenCapture(u"Keys", probe), S_OK);
  EXPECT_EQ(probe.Get(), capture.Get());
  EXPECT_TRUE(mFake->IsStarted(keys));
  ASSERT_EQ(OpenRender(u"Keys", probe), S_OK);
  EXPECT_EQ(probe.Get(), render.Get());
  probe = nullptr;

  // The earlier holders use the same objects again.
  mFake->InjectShort(keys, 0xF8, 0);
  const auto got = recorder->WaitFor(1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].source, static_cast<const LRefCountedObject*>(capture.Get()));
  const std::uint8_t note[] = {0x90, 0x3C, 0x64};
  EXPECT_EQ(mComm->SendBytes(render, note, 3), 3);
  recorder->UnsubscribeAll();
}

TEST_F(MidiPortRegistryTest, ACapturePortThatDoesNotStartIsClosedAndUnlisted) {
  const auto keys = mFake->AddDevice(MidiDirection::Input, u"Keys");
  MakeLayer();
  Handle port;
  mFake->FailNext(FakeMidiSystem::Call::StartInput, Platform::kMidiError);
  EXPECT_EQ(OpenCapture(u"Keys", port), E_FAIL);
  EXPECT_EQ(port, nullptr);
  EXPECT_TRUE(CaptureNames().empty());
  EXPECT_EQ(mFake->GetOpenCount(keys), 0u);

  // A listed port whose restart fails stays listed, closed.
  ASSERT_EQ(OpenCapture(u"Keys", port), S_OK);
  mFake->Unplug(keys);
  Handle again;
  EXPECT_EQ(OpenCapture(u"Keys", again), E_FAIL);
  mFake->Plug(keys);
  mFake->FailNext(FakeMidiSystem::Call::StartInput, Platform::kMidiError);
  EXPECT_EQ(OpenCapture(u"Keys", again), E_FAIL);
  EXPECT_FALSE(DynamicCast<LMidiCapturePort>(port)->IsOpen());
  EXPECT_EQ(CaptureNames().size(), 1u);
  ASSERT_EQ(OpenCapture(u"Keys", again), S_OK);
  EXPECT_EQ(again.Get(), port.Get());
}

// The connection check's presence tests on one thread, a client's opens and releases on another, input arriving
// meanwhile: every open succeeds, and at the end nothing is listed or open.
TEST_F(MidiPortRegistryTest, PresenceTestsWhileClientsComeAndGo) {
  const auto keys = mFake->AddDevice(MidiDirection::Input, u"Keys");
  const auto out = mFake->AddDevice(MidiDirection::Output, u"Keys");
  MakeLayer();
  std::atomic<int> failures{0};
  auto loop = [&](bool feed) {
    for (int i = 0; i < 200; ++i) {
      Handle capture, render;
      failures += OpenCapture(u"Keys", capture) != S_OK;
      failures += OpenRender(u"keys", render) != S_OK;
      if (feed)
        mFake->InjectShort(keys, 0xF8, 0);
    }
  };
  std::thread checker(loop, false);
  loop(true);
  checker.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_TRUE(CaptureNames().empty());
  EXPECT_TRUE(RenderNames().empty());
  EXPECT_EQ(mFake->GetOpenCount(keys), 0u);
  EXPECT_EQ(mFake->GetOpenCount(out), 0u);
}

// Random opens, releases, unplugs and plugs against a model: the listed names are those of the held ports, the
// devices are open exactly as often as held ports use them, and every open of a present device succeeds.
TEST_F(MidiPortRegistryTest, RandomUseAgainstAModel) {
  const char16_t* const names[] = {u"Keys", u"keys", u"Pad", u"PAD"};
  std::map<std::u16string, FakeMidiSystem::DeviceId> inputs, outputs;
  for (const char16_t* device : {u"Keys", u"Pad"}) {
    inputs[device] = mFake->AddDevice(MidiDirection::Input, device);
    outputs[device] = mFake->AddDevice(MidiDirection::Output, device);
  }
  MakeLayer();
  auto deviceOf = [](std::u16string name) { return name == u"Keys" || name == u"keys" ? u"Keys" : u"Pad"; };

  std::mt19937 random(20261210);
  std::vector<std::pair<std::u16string, Handle>> captures, renders;
  std::map<std::u16string, bool> plugged{{u"Keys", true}, {u"Pad", true}};
  // The listed port of a device in one direction: open, and whether its device went while it was open.
  struct PortModel {
    bool open = false;
    bool dead = false;
  };
  std::map<std::u16string, PortModel> captureModel, renderModel;
  auto isHeld = [&](const std::vector<std::pair<std::u16string, Handle>>& held, const std::u16string& device) {
    return std::any_of(held.begin(), held.end(),
                       [&](const auto& entry) { return deviceOf(entry.first) == device; });
  };
  // What an open returns: absent while unplugged (a stale port is closed then), absent once for a port whose
  // device went and came back unseen (closed, re-opened by the next), else present.
  auto expectOpen = [&](PortModel& model, bool held, bool present) {
    if (!held)
      model = {};
    if (!present || (model.open && model.dead)) {
      model = {};
      return E_FAIL;
    }
    model.open = true;
    return S_OK;
  };
  for (int step = 0; step < 400; ++step) {
    SCOPED_TRACE(step);
    const char16_t* name = names[random() % 4];
    const std::u16string device = deviceOf(name);
    switch (random() % 6) {
    case 0:
    case 1: {
      Handle port;
      const QZRESULT expected = expectOpen(captureModel[device], isHeld(captures, device), plugged[device]);
      const QZRESULT result = OpenCapture(name, port);
      EXPECT_EQ(result, expected);
      if (port)
        captures.emplace_back(name, port);
      break;
    }
    case 2: {
      Handle port;
      const QZRESULT expected = expectOpen(renderModel[device], isHeld(renders, device), plugged[device]);
      EXPECT_EQ(OpenRender(name, port), expected);
      if (port)
        renders.emplace_back(name, port);
      break;
    }
    case 3:
      if (!captures.empty())
        captures.erase(captures.begin() + static_cast<long>(random() % captures.size()));
      break;
    case 4:
      if (!renders.empty())
        renders.erase(renders.begin() + static_cast<long>(random() % renders.size()));
      break;
    case 5:
      if (plugged[device]) {
        mFake->Unplug(inputs[device]);
        mFake->Unplug(outputs[device]);
        for (auto* model : {&captureModel, &renderModel})
          (*model)[device].dead = (*model)[device].open;
      } else {
        mFake->Plug(inputs[device]);
        mFake->Plug(outputs[device]);
      }
      plugged[device] = !plugged[device];
      break;
    }

    // Capture ports: one per requested name held; render ports: one per device held.
    // Requested names match ignoring case.
    std::map<std::u16string, const LRefCountedObject*> byName;
    for (const auto& [held, port] : captures) {
      auto [it, fresh] = byName.emplace(Lower(held), port.Get());
      EXPECT_TRUE(fresh || it->second == port.Get()) << "one object per requested name";
    }
    std::map<std::u16string, const LRefCountedObject*> byDevice;
    for (const auto& [held, port] : renders) {
      auto [it, fresh] = byDevice.emplace(deviceOf(held), port.Get());
      EXPECT_TRUE(fresh || it->second == port.Get()) << "one object per device";
    }
    std::vector<std::u16string> expectedCaptures = CaptureNames();
    EXPECT_EQ(expectedCaptures.size(), byName.size());
    for (const std::u16string& listed : expectedCaptures)
      EXPECT_TRUE(byName.count(Lower(listed))) << "listed while held";
    EXPECT_EQ(RenderNames().size(), byDevice.size());
  }
}

} // namespace
} // namespace QZ
