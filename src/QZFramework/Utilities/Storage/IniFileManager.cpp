#include "QZFramework/Utilities/Storage/IniFileManager.h"

#include "QZFramework/Utilities/Storage/PathText.h"
#include "QZFramework/Utilities/Storage/XNodeKeyPath.h"

#include <cmath>
#include <new>

namespace QZ {

namespace {
using IniFileInfo = CIniFileManagerProxy::MemberData::IniFileInfo;

constexpr std::int32_t kOk = kIniFileOk;
constexpr std::int32_t kAlreadyOpen = kIniFileAlreadyOpen;
constexpr std::int32_t kFailed = kIniFileFailed;
constexpr std::int32_t kInvalidHandle = kIniFileNoSuchHandle;

std::string Utf8(const WideString& text) { return text.ToNarrow().GetChars(); }

WideString Wide(const std::string& utf8) {
  WideString text;
  text.ConvertFromNarrow(utf8.c_str(), -1);
  return text;
}

std::int32_t TruncateReal(float value) {
  if (std::isnan(value))
    return 0;
  if (value >= 2147483648.0f)
    return INT32_MAX;
  if (value < -2147483648.0f)
    return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

bool HoldsText(const XNode& node) {
  return node.GetType() == XNode::kTypeString || node.GetType() == XNode::kTypeData;
}

std::unique_ptr<XNode> NewDocument(const std::string& applicationName) {
  // Built node by node rather than parsed from text, so that no name can make it
  // fail; the writer escapes the name.
  auto root = std::make_unique<XNode>(nullptr, XNode::kTypeDict);
  auto* name = new XNode(root.get(), XNode::kTypeString);
  name->SetKey("Application");
  name->SetString(applicationName.c_str());
  root->SetDirty(false);
  return root;
}

int WriteDocument(const IniFileInfo& info) {
  try {
    return info.root->WriteFile(info.path.c_str(), 0);
  } catch (...) {
    return kFailed;
  }
}

} // namespace

// ---------------------------------------------------------------------------
// Proxy

CIniFileManagerProxy::CIniFileManagerProxy() { mData.proxy = this; }

CIniFileManagerProxy::~CIniFileManagerProxy() {
  for (std::uint32_t i = 0; i < mData.files.GetCount(); ++i)
    delete mData.files.GetAt(i);
}

IniFileInfo* CIniFileManagerProxy::Find(IniFileHandle handle) const {
  if (handle == 0)
    return nullptr;
  for (std::uint32_t i = mData.files.GetCount(); i-- > 0;) {
    IniFileInfo* info = mData.files.GetAt(i);
    if (info->handle == handle)
      return info;
  }
  return nullptr;
}

void CIniFileManagerProxy::Remove(IniFileInfo* info) {
  for (std::uint32_t i = mData.files.GetCount(); i-- > 0;) {
    if (mData.files.GetAt(i) == info) {
      mData.files.RemoveItems(i, 1);
      break;
    }
  }
  delete info;
}

XNode* CIniFileManagerProxy::Resolve(IniFileInfo& info, const WideString& key, bool create, bool forItems) {
  const std::string fullKey = info.keyPrefix + Utf8(key);
  if (create) {
    // A node deeper than a file holds could never be saved again, and with it
    // nothing else in the file: refuse it before anything is made.
    const int depth = CKeyPathTokenizer::CountSteps(fullKey.c_str()) + (forItems ? 1 : 0);
    if (depth > XNode::kMaxDepth)
      return nullptr;
  }
  return info.root->FindPath(fullKey.c_str(), create ? XNode::kFindCreate : 0);
}

std::int32_t CIniFileManagerProxy::Reserved(std::intptr_t) { return kOk; }

std::int32_t CIniFileManagerProxy::CloseAll() {
  while (mData.files.GetCount() > 0) {
    const std::uint32_t last = mData.files.GetCount() - 1;
    IniFileInfo* info = mData.files.GetAt(last);
    mData.files.RemoveItems(last, 1);
    if (info->modified)
      (void)WriteDocument(*info);
    delete info;
  }
  return kOk;
}

std::int32_t CIniFileManagerProxy::OpenFile(WideString path, WideString keyPrefix, WideString applicationName,
                                            IniFileHandle& handle) {
  handle = 0;
  std::string filePath;
  if (!PathBytesFromText(path, filePath) || filePath.empty())
    return kFailed;
  for (std::uint32_t i = mData.files.GetCount(); i-- > 0;) {
    IniFileInfo* info = mData.files.GetAt(i);
    if (info->path == filePath) {
      handle = info->handle;
      return kAlreadyOpen;
    }
  }

  auto info = std::make_unique<IniFileInfo>();
  info->path = filePath;
  info->keyPrefix = Utf8(keyPrefix);
  for (char& c : info->keyPrefix) {
    if (c == '.')
      c = '_';
  }
  info->keyPrefix += '.';
  // A file that is missing, unreadable or damaged starts afresh; the next save
  // replaces it.
  info->root = XNode::LoadFile(filePath.c_str(), nullptr);
  if (!info->root)
    info->root = NewDocument(Utf8(applicationName));
  if (!info->root)
    return kFailed;

  info->handle = ++mData.lastHandle;
  mData.files.InsertItem(mData.files.GetCount(), info.get());
  handle = info.release()->handle;
  return kOk;
}

std::int32_t CIniFileManagerProxy::SaveFile(IniFileHandle handle) {
  IniFileInfo* info = Find(handle);
  if (!info)
    return kInvalidHandle;
  if (!info->modified)
    return kOk;
  if (WriteDocument(*info) != 0)
    return kFailed;
  info->modified = 0;
  return kOk;
}

bool CIniFileManagerProxy::KeyExists(IniFileHandle handle, WideString key) {
  IniFileInfo* info = Find(handle);
  return info && Resolve(*info, key, false) != nullptr;
}

std::int32_t CIniFileManagerProxy::CloseFile(IniFileHandle handle, bool save) {
  IniFileInfo* info = Find(handle);
  if (!info)
    return kInvalidHandle;
  const std::int32_t result = save ? SaveFile(handle) : kOk;
  Remove(info);
  return result;
}

std::int32_t CIniFileManagerProxy::GetInt(IniFileHandle handle, WideString key, std::int32_t defaultValue,
                                          std::int32_t& value) {
  value = defaultValue;
  IniFileInfo* info = Find(handle);
  if (!info)
    return kInvalidHandle;
  const XNode* node = Resolve(*info, key, false);
  if (!node)
    return kOk;
  switch (node->GetType()) {
  case XNode::kTypeBoolean:
    value = node->GetBoolean() ? 1 : 0;
    break;
  case XNode::kTypeInteger:
    value = node->GetInteger();
    break;
  case XNode::kTypeReal:
    value = TruncateReal(node->GetReal());
    break;
  default:
    value = 0;
    break;
  }
  return kOk;
}

std::int32_t CIniFileManagerProxy::SetInt(IniFileHandle handle, WideString key, std::int32_t value) {
  IniFileInfo* info = Find(handle);
  if (!info)
    return kInvalidHandle;
  XNode* node = Resolve(*info, key, true);
  if (!node)
    return kFailed;
  node->SetInteger(value);
  info->modified = 1;
  return kOk;
}

std::int32_t CIniFileManagerProxy::GetString(IniFileHandle handle, WideString key, WideString defaultValue,
                                             WideString& value) {
  value = defaultValue;
  IniFileInfo* info = Find(handle);
  if (!info)
    return kInvalidHandle;
  const XNode* node = Resolve(*info, key, false);
  if (node)
    value = HoldsText(*node) ? Wide(node->GetText()) : WideString();
  return kOk;
}

std::int32_t CIniFileManagerProxy::SetString(IniFileHandle handle, WideString key, WideString value) {
  IniFileInfo* info = Find(handle);
  if (!info)
    return kInvalidHandle;
  XNode* node = Resolve(*info, key, true);
  if (!node)
    return kFailed;
  node->SetString(Utf8(value).c_str());
  info->modified = 1;
  return kOk;
}

std::int32_t CIniFileManagerProxy::GetChildCount(IniFileHandle handle, WideString key, std::int32_t& count) {
  count = 0;
  IniFileInfo* info = Find(handle);
  if (!info)
    return kInvalidHandle;
  const XNode* node = Resolve(*info, key, false);
  if (!node)
    return kFailed;
  count = static_cast<std::int32_t>(node->GetChildCount());
  return kOk;
}

std::int32_t CIniFileManagerProxy::GetChildName(IniFileHandle handle, WideString key, std::int32_t index,
                                                WideString& name) {
  name.Clear();
  IniFileInfo* info = Find(handle);
  if (!info)
    return kInvalidHandle;
  const XNode* node = Resolve(*info, key, false);
  if (!node || index < 0)
    return kFailed;
  const XNode* child = node->GetChild(static_cast<std::size_t>(index));
  if (!child)
    return kFailed;
  if (child->GetKey())
    name = Wide(child->GetKey());
  return kOk;
}

std::int32_t CIniFileManagerProxy::GetArrayCount(IniFileHandle handle, WideString key, std::int32_t& count) {
  count = 0;
  IniFileInfo* info = Find(handle);
  if (!info)
    return kInvalidHandle;
  const XNode* node = Resolve(*info, key, false);
  if (!node || node->GetType() != XNode::kTypeArray)
    return kFailed;
  count = static_cast<std::int32_t>(node->GetChildCount());
  return kOk;
}

std::int32_t CIniFileManagerProxy::SetArraySize(IniFileHandle handle, WideString key, std::int32_t count) {
  IniFileInfo* info = Find(handle);
  if (!info)
    return kInvalidHandle;
  if (count < 0 || count > kMaxArrayCount)
    return kFailed;
  XNode* node = Resolve(*info, key, true, true);
  if (!node)
    return kFailed;
  node->SetType(XNode::kTypeArray);
  node->SetArraySize(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
    if (node->GetChild(i))
      continue;
    auto item = std::make_unique<XNode>(nullptr, XNode::kTypeString);
    node->SetArrayItem(i, item.get());
    item.release();
  }
  info->modified = 1;
  return kOk;
}

std::int32_t CIniFileManagerProxy::GetArrayString(IniFileHandle handle, WideString key, std::int32_t index,
                                                  WideString& value) {
  value.Clear();
  IniFileInfo* info = Find(handle);
  if (!info)
    return kInvalidHandle;
  const XNode* node = Resolve(*info, key, false);
  if (!node || node->GetType() != XNode::kTypeArray || index < 0)
    return kFailed;
  const XNode* item = node->GetChild(static_cast<std::size_t>(index));
  if (!item)
    return kFailed;
  if (HoldsText(*item))
    value = Wide(item->GetText());
  return kOk;
}

std::int32_t CIniFileManagerProxy::SetArrayString(IniFileHandle handle, WideString key, std::int32_t index,
                                                  WideString value) {
  IniFileInfo* info = Find(handle);
  if (!info)
    return kInvalidHandle;
  if (index < 0 || index >= kMaxArrayCount)
    return kFailed;
  XNode* node = Resolve(*info, key, true, true);
  if (!node)
    return kFailed;
  node->SetType(XNode::kTypeArray);
  if (static_cast<std::size_t>(index) >= node->GetChildCount()) {
    // Through the interface, as a caller would: it marks the file modified too.
    IIniFileManager& self = *this;
    if (self.SetArraySize(handle, key, index + 1) != kOk)
      return kFailed;
  }
  XNode* item = node->GetChild(static_cast<std::size_t>(index));
  if (!item)
    return kFailed;
  item->SetString(Utf8(value).c_str());
  info->modified = 1;
  return kOk;
}

std::int32_t CIniFileManagerProxy::RemoveArrayItem(IniFileHandle handle, WideString key, std::int32_t index) {
  IniFileInfo* info = Find(handle);
  if (!info)
    return kInvalidHandle;
  XNode* node = Resolve(*info, key, false);
  if (!node || node->GetType() != XNode::kTypeArray || index < 0)
    return kFailed;
  XNode* item = node->GetChild(static_cast<std::size_t>(index));
  if (!item)
    return kFailed;
  node->RemoveChild(item);
  info->modified = 1;
  return kOk;
}

// ---------------------------------------------------------------------------
// Manager

LIniFileManager::LIniFileManager(std::int32_t) : mProxy(new CIniFileManagerProxy) {}

LIniFileManager::~LIniFileManager() { delete mProxy; }

std::int32_t LIniFileManager::Reserved(std::intptr_t value) { return mProxy->Reserved(value); }
std::int32_t LIniFileManager::CloseAll() { return mProxy->CloseAll(); }
std::int32_t LIniFileManager::OpenFile(WideString path, WideString keyPrefix, WideString applicationName,
                                       IniFileHandle& handle) {
  return mProxy->OpenFile(path, keyPrefix, applicationName, handle);
}
std::int32_t LIniFileManager::SaveFile(IniFileHandle handle) { return mProxy->SaveFile(handle); }
bool LIniFileManager::KeyExists(IniFileHandle handle, WideString key) { return mProxy->KeyExists(handle, key); }
std::int32_t LIniFileManager::CloseFile(IniFileHandle handle, bool save) {
  return mProxy->CloseFile(handle, save);
}
std::int32_t LIniFileManager::GetInt(IniFileHandle handle, WideString key, std::int32_t defaultValue,
                                     std::int32_t& value) {
  return mProxy->GetInt(handle, key, defaultValue, value);
}
std::int32_t LIniFileManager::SetInt(IniFileHandle handle, WideString key, std::int32_t value) {
  return mProxy->SetInt(handle, key, value);
}
std::int32_t LIniFileManager::GetString(IniFileHandle handle, WideString key, WideString defaultValue,
                                        WideString& value) {
  return mProxy->GetString(handle, key, defaultValue, value);
}
std::int32_t LIniFileManager::SetString(IniFileHandle handle, WideString key, WideString value) {
  return mProxy->SetString(handle, key, value);
}
std::int32_t LIniFileManager::GetChildCount(IniFileHandle handle, WideString key, std::int32_t& count) {
  return mProxy->GetChildCount(handle, key, count);
}
std::int32_t LIniFileManager::GetChildName(IniFileHandle handle, WideString key, std::int32_t index,
                                           WideString& name) {
  return mProxy->GetChildName(handle, key, index, name);
}
std::int32_t LIniFileManager::GetArrayCount(IniFileHandle handle, WideString key, std::int32_t& count) {
  return mProxy->GetArrayCount(handle, key, count);
}
std::int32_t LIniFileManager::SetArraySize(IniFileHandle handle, WideString key, std::int32_t count) {
  return mProxy->SetArraySize(handle, key, count);
}
std::int32_t LIniFileManager::GetArrayString(IniFileHandle handle, WideString key, std::int32_t index,
                                             WideString& value) {
  return mProxy->GetArrayString(handle, key, index, value);
}
std::int32_t LIniFileManager::SetArrayString(IniFileHandle handle, WideString key, std::int32_t index,
                                             WideString value) {
  return mProxy->SetArrayString(handle, key, index, value);
}
std::int32_t LIniFileManager::RemoveArrayItem(IniFileHandle handle, WideString key, std::int32_t index) {
  return mProxy->RemoveArrayItem(handle, key, index);
}

} // namespace QZ
