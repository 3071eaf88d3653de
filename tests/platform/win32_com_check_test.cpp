#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <source_location>
#include <string>
#include <vector>

#include "platform/win32/com_check.h"
#include "platform/win32/handles.h"

namespace pagemind::platform::win32 {
namespace {

// What OutputDebugString hands a debugger: the system raises it as an exception, which a
// vectored handler sees first.
std::vector<std::string>* debugOutput = nullptr;

LONG CALLBACK CatchDebugOutput(EXCEPTION_POINTERS* exception) {
  const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
  if (debugOutput == nullptr || record.NumberParameters < 2) return EXCEPTION_CONTINUE_SEARCH;
  if (record.ExceptionCode == DBG_PRINTEXCEPTION_C) {
    debugOutput->emplace_back(reinterpret_cast<const char*>(record.ExceptionInformation[1]));
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

class DebugOutput {
 public:
  DebugOutput() : handler_(::AddVectoredExceptionHandler(1, CatchDebugOutput)) {
    debugOutput = &lines;
  }
  ~DebugOutput() {
    debugOutput = nullptr;
    ::RemoveVectoredExceptionHandler(handler_);
  }
  DebugOutput(const DebugOutput&) = delete;
  DebugOutput& operator=(const DebugOutput&) = delete;
  std::vector<std::string> lines;

 private:
  void* handler_;
};

TEST(Win32ComCheck, AFailureIsWrittenForADebuggerWithItsPlaceAndCode) {
  DebugOutput output;
  EXPECT_FALSE(ComFailed(S_OK));
  EXPECT_FALSE(ComFailed(S_FALSE)) << "S_FALSE is a success";
  EXPECT_TRUE(output.lines.empty());

  const auto line = std::source_location::current().line() + 1;
  EXPECT_TRUE(ComFailed(E_NOTIMPL));
  ASSERT_EQ(output.lines.size(), 1U);
  EXPECT_EQ(output.lines[0],
            "Pagemind: COM call failed with HRESULT 0x80004001 at "
            "win32_com_check_test.cpp:" +
                std::to_string(line) + " (" + "pagemind::platform::win32::{" +
                "anonymous}::Win32ComCheck_AFailureIsWrittenForADebuggerWithIts" +
                "PlaceAndCode_Test::TestBody)\n");
}

TEST(Win32ComHandles, BstrAndVariantOwnersFreeWhatTheyHold) {
  UniqueBstr text = MakeBstr(std::wstring_view(L"a\0b", 3));
  ASSERT_TRUE(text);
  EXPECT_EQ(::SysStringLen(text.get()), 3U) << "the whole text, NUL included";
  BSTR* out = text.put();
  EXPECT_FALSE(text) << "put() lets go of what was held before a call fills it";
  *out = ::SysAllocString(L"filled");
  EXPECT_EQ(std::wstring(text.get()), L"filled");

  UniqueVariant variant;
  EXPECT_EQ(V_VT(variant.get()), VT_EMPTY);
  V_VT(variant.get()) = VT_BSTR;
  V_BSTR(variant.get()) = text.release();
  EXPECT_FALSE(text);
}

}  // namespace
}  // namespace pagemind::platform::win32

#endif  // _WIN32
