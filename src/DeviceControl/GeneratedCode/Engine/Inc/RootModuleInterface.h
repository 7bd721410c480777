#pragma once
// The module tree of the device model: a root module, one device under it, and
// under the device the keybed and the arpeggiator. Each module owns the block
// of parameter identifiers FirstParamID .. FirstParamID + param count - 1 and
// passes every request it does not answer itself to its parent, so a request
// made on any node ends at the root. The interfaces are implemented twice: by
// the model and by the editor's panels, which mirror the tree with the same
// identifiers; the defaults here serve both.
//
// Invariants: a parent owns its children through smart pointers; a child's link
// to its parent is a plain pointer, set only by SetFirstParamID, so placing the
// root places the whole tree. The routing boundaries (3 keybed parameters, 12
// device parameters) are fixed here. Module-level requests use the identifiers
// kFirstModuleRequestID .. kLastModuleRequestID; no module answers one.
//
// Threads: the tree has no lock of its own; the root's implementation
// serialises the calls that reach it.

#include "DeviceControl/GeneratedCode/Engine/Inc/ParamValues.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/Variant.h"

#include <cstdint>

inline constexpr std::int32_t kFirstModuleRequestID = -256;
inline constexpr std::int32_t kLastModuleRequestID = -129;
inline constexpr std::uint32_t kKeybedParamCount = 3;
inline constexpr std::uint32_t kDeviceParamCount = 12;

inline constexpr bool IsModuleRequestID(std::int32_t id) {
  return id >= kFirstModuleRequestID && id <= kLastModuleRequestID;
}

class LParameterizedModule : public virtual QZ::LRefCountedObject {
public:
  explicit LParameterizedModule(std::int32_t paramCount = 0) : mParamCount(paramCount) {}
  LParameterizedModule(const LParameterizedModule&) = delete;
  LParameterizedModule& operator=(const LParameterizedModule&) = delete;
  ~LParameterizedModule() override = default;

  // Places the module: its parent (not owned) and its first identifier. The
  // reserved value is stored and read by nothing.
  virtual void SetFirstParamID(LParameterizedModule* parent, std::int32_t first, std::int32_t reserved);
  // GetParamModule's module as a read-only pointer.
  virtual QZ::ConstRCPtr<LParameterizedModule> FindParamModule(std::int32_t id);
  // The module that owns the identifier; a leaf answers itself for any identifier.
  virtual QZ::RCPtr<LParameterizedModule> GetParamModule(std::int32_t id);
  // A request this module does not own: passed to the parent (-1 / empty
  // without one). A module without parameters accepts only module-level
  // requests and throws a logic error for any other identifier.
  virtual std::int32_t SetParamValueLocal(const QZ::ParamDescriptor& descriptor, const QZ::Variant& value,
                                          bool fromDevice);
  virtual QZ::Variant GetParamValueLocal(const QZ::ParamDescriptor& descriptor) const;
  // The parent's; -1 or an empty value at the top.
  virtual std::int32_t SetParamValue(const QZ::ParamDescriptor& descriptor, const QZ::Variant& value,
                                     bool fromDevice);
  virtual QZ::Variant GetParamValue(const QZ::ParamDescriptor& descriptor) const;
  virtual QZ::Variant GetParamValueDefault(std::int32_t id) const;
  virtual void OnDeviceReady();
  virtual void OnDeviceEvent();
  // 1 for every argument.
  virtual std::int32_t QueryParam(std::int32_t arg);
  // Both pass to the parent's unsigned overload; nothing at the top.
  virtual void RelayToRoot(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d);
  virtual void RelayToRoot(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d);
  // The parent's; E_FAIL or an empty value at the top.
  virtual std::int32_t UpdateCachedValue(const QZ::ParamDescriptor& descriptor, const QZ::Variant& value);
  virtual QZ::Variant GetCachedValue(const QZ::ParamDescriptor& descriptor) const;

  LParameterizedModule* GetParent() const { return mParent; }
  // The topmost ancestor; the module itself without a parent.
  LParameterizedModule* GetTopmost() {
    LParameterizedModule* top = this;
    while (top->mParent)
      top = top->mParent;
    return top;
  }
  std::int32_t GetParamCount() const { return mParamCount; }
  std::int32_t GetFirstParamID() const { return mFirstParamID; }

protected:
  // id - FirstParamID as an unsigned 32-bit number, so identifiers below the
  // block are far above it.
  std::uint32_t DistanceOf(std::int32_t id) const {
    return static_cast<std::uint32_t>(id) - static_cast<std::uint32_t>(mFirstParamID);
  }

  LParameterizedModule* mParent = nullptr;
  std::int32_t mParamCount;
  std::int32_t mFirstParamID = 0;
  std::int32_t mReserved = 0;
};

class IKeybed : public LParameterizedModule {
public:
  using LParameterizedModule::LParameterizedModule;
  ~IKeybed() override = default;
};

class IArpeggiator : public LParameterizedModule {
public:
  using LParameterizedModule::LParameterizedModule;
  ~IArpeggiator() override = default;
};

class IDevice : public LParameterizedModule {
public:
  using LParameterizedModule::LParameterizedModule;
  ~IDevice() override = default;

  // Also places the keybed at first and the arpeggiator at first + 3.
  void SetFirstParamID(LParameterizedModule* parent, std::int32_t first, std::int32_t reserved) override;
  // Distance below 3: the keybed's module; below 12: the arpeggiator's; else none.
  QZ::RCPtr<LParameterizedModule> GetParamModule(std::int32_t id) override;
  void OnDeviceReady() override;
  void OnDeviceEvent() override;

  virtual QZ::RCPtr<LParameterizedModule> GetKeybedAsModule();
  virtual QZ::RCPtr<IKeybed> GetKeybed() = 0;
  virtual QZ::RCPtr<LParameterizedModule> GetArpeggiatorAsModule();
  virtual QZ::RCPtr<IArpeggiator> GetArpeggiator() = 0;
};

class IRootModule : public LParameterizedModule {
public:
  using LParameterizedModule::LParameterizedModule;
  ~IRootModule() override = default;

  // Also places the device at first.
  void SetFirstParamID(LParameterizedModule* parent, std::int32_t first, std::int32_t reserved) override;
  // Distance below 12: the device's module; else none.
  QZ::RCPtr<LParameterizedModule> GetParamModule(std::int32_t id) override;
  void OnDeviceReady() override;
  void OnDeviceEvent() override;

  virtual std::int32_t OnParamValueChanged(const QZ::ParamDescriptor& descriptor, const QZ::Variant& value,
                                           std::int32_t reason) = 0;
  virtual QZ::ConstRCPtr<LParameterizedModule> FindRequestModule(const QZ::ParamDescriptor& descriptor);
  // No module answers module-level requests: null.
  virtual QZ::RCPtr<LParameterizedModule> GetRequestModule(const QZ::ParamDescriptor& descriptor);
  // Offline: the cache directly. Online: the owning module's SetParamValueLocal
  // (not from the device); E_FAIL when no module owns the identifier.
  virtual std::int32_t SetParamValueExternal(const QZ::ParamDescriptor& descriptor, const QZ::Variant& value);
  // Offline: the cached value, 0. Online: the owning module's
  // GetParamValueLocal, 0; E_FAIL with value cleared when no module owns it.
  virtual std::int32_t GetParamValueExternal(const QZ::ParamDescriptor& descriptor, QZ::Variant& value);
  virtual QZ::RCPtr<LParameterizedModule> GetDeviceAsModule();
  virtual QZ::RCPtr<IDevice> GetDevice() = 0;

  bool IsOffline() const { return mOffline; }

protected:
  // Guarded by the implementation's own lock.
  void SetOffline(bool offline) { mOffline = offline; }

private:
  bool mOffline = false;
};
