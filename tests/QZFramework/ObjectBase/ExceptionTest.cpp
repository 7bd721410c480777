#include "QZFramework/ObjectBase/Exception.h"

#include <gtest/gtest.h>

#include <string>

namespace QZ {
namespace {

TEST(ResultToString, FormatsThePatternInUpperCaseHex) {
  const struct {
    QZRESULT code;
    const char* text;
  } cases[] = {
      {S_OK, "QZRESULT = 0"},
      {1, "QZRESULT = 1"},
      {E_FAIL, "QZRESULT = 80004005"},
      {E_INVALIDARG, "QZRESULT = 80070057"},
      {E_OUTOFMEMORY, "QZRESULT = 8007000E"},
      {E_NOTIMPL, "QZRESULT = 80004001"},
      {-1, "QZRESULT = FFFFFFFF"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ResultToString(c.code), c.text);
}

TEST(Exception, FailedResultTextAndCatchRules) {
  const std::string expected = "Failed Result : QZRESULT = 80004005 : LRootModuleEngine::Initialize : "
                               "..\\DeviceControl\\GeneratedCode\\Engine\\Src\\RootModuleEngine : Line 312";
  try {
    try {
      ThrowIfFailed(E_FAIL, "LRootModuleEngine::Initialize",
                    "..\\DeviceControl\\GeneratedCode\\Engine\\Src\\RootModuleEngine", 312);
    } catch (const std::runtime_error&) {
      FAIL() << "a failed result is not a runtime error";
    }
  } catch (const ExceptionBase& e) {
    EXPECT_EQ(e.what(), expected);
    EXPECT_EQ(dynamic_cast<const std::exception&>(e).what(), expected);
  }
  EXPECT_NO_THROW(ThrowIfFailed(S_OK, "f", "p", 1));
  EXPECT_NO_THROW(ThrowIfFailed(1, "f", "p", 1));
}

TEST(Exception, KindsAndStandardBases) {
  try {
    ThrowException<std::out_of_range>("", "QZ::RCPtrArray::Remove", "utilities\\Storage/RCPtrArray", 10);
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(), "Out of Range : QZ::RCPtrArray::Remove : utilities\\Storage/RCPtrArray : Line 10");
  }
  try {
    ThrowException<std::runtime_error>("Null Pointer : cannot find child sendProgram1", "LDeviceView::Initialize",
                                       "UI\\DeviceView", 112);
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(),
                 "Runtime Error : Null Pointer : cannot find child sendProgram1 : LDeviceView::Initialize : "
                 "UI\\DeviceView : Line 112");
  }
  EXPECT_STREQ(Exception<std::bad_alloc>().what(), "bad allocation");
}

TEST(Exception, KeepsItsTextAfterTheSourceStringIsGone) {
  auto make = [] {
    std::string temp = "Domain Error : " + std::string(100, 'x');
    return Exception<std::domain_error>(temp);
  };
  Exception<std::domain_error> e = make();
  EXPECT_EQ(std::string(e.what()), "Domain Error : " + std::string(100, 'x'));
  const ExceptionBase& base = e;
  EXPECT_STREQ(base.what(), e.what());
}

} // namespace
} // namespace QZ
