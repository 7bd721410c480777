#include "Panel/Main/Version.h"

namespace QZ {

namespace {

constexpr const char16_t* kCompanyName = u"Tolvane";
constexpr const char16_t* kProductName = u"PresetEditor";
constexpr const char16_t* kProductVersion = u"1.1.0.0";
constexpr const char16_t* kLegalCopyright = u"Copyright (C) Tolvane";

} // namespace

WideString Version::GetCompanyName() { return kCompanyName; }
WideString Version::GetProductName() { return kProductName; }
WideString Version::GetProductVersion() { return kProductVersion; }
WideString Version::GetLegalCopyright() { return kLegalCopyright; }

} // namespace QZ
