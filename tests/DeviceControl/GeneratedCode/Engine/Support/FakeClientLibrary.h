#pragma once
// Drives the stand-in client libraries (tests/fixtures/DeviceControlClient):
// installs hooks that record each call and answer as the test scripts, and
// keeps both libraries loaded for the life of the test program so the hooks
// stay in place while the code under test loads and unloads them.

#include "DeviceControl/GeneratedCode/Engine/Inc/DeviceControlClientInterface.h"
#include "DeviceControl/GeneratedCode/Engine/Inc/ParamValues.h"
#include "QZFramework/Utilities/Storage/Variant.h"
#include "fixtures/DeviceControlClient/FakeDeviceControlClient.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace QZ::test {

struct FakeLibraryScript {
  std::int32_t findResult = 0;
  Variant found; // FindDevices' and FindRemoteDevices' list
  std::int32_t connectResult = 0;
  std::int32_t connected = 0; // what ZDX_IsDeviceConnected answers
  std::int32_t requestResult = 3;
  std::int32_t getValueResult = 5;
  Variant value; // what ZDX_GetParamValue writes
};

struct FakeLibraryLog {
  std::vector<std::string> calls;
  std::vector<std::array<std::int32_t, 6>> remoteOptions;
  Variant lastDevice;
  std::int32_t lastId = 0;
  std::int32_t lastArgs[2] = {};
  std::uint32_t lastFilterCount = 0;
  std::uint32_t lastDescriptorCount = 0;
  DeviceControlCallback callback = nullptr;
  void* context = nullptr;
  std::int32_t releaseAllCalls = 0;
};

class FakeClientLibrary {
public:
  static FakeClientLibrary& Instance();

  // Clears the log and sets a new script.
  void Reset(const FakeLibraryScript& script = {});
  FakeLibraryLog Log();
  std::int32_t Count(const std::string& call);
  void ChangeScript(void (*change)(FakeLibraryScript&));

  static std::string DefaultPath();
  static std::string PartialPath();

private:
  FakeClientLibrary();
  friend struct Hooks;

  std::mutex mLock;
  FakeLibraryScript mScript;
  FakeLibraryLog mLog;
};

} // namespace QZ::test
