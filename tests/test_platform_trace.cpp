// A failure that the runtime catches and keeps from the user still leaves a
// trace: a form destroyed while loaded whose window can't be destroyed.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>

#include "platform/Form.h"
#include "platform/modAPI.h"
#include "tests/RecordingRuntime.h"

namespace {

#ifdef _WIN32
// OutputDebugStringA hands its text to a debugger as an exception, which a
// vectored handler sees first (while a TraceCapture lives); the function
// itself handles it after us.
std::string traced;
LONG CALLBACK SeeDebugString(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD& record = *info->ExceptionRecord;
  if (record.ExceptionCode == DBG_PRINTEXCEPTION_C && record.NumberParameters >= 2)
    traced += reinterpret_cast<const char*>(record.ExceptionInformation[1]);
  return EXCEPTION_CONTINUE_SEARCH;
}
struct TraceCapture {
  void* handler = AddVectoredExceptionHandler(1, SeeDebugString);
  TraceCapture() { traced.clear(); }
  ~TraceCapture() { RemoveVectoredExceptionHandler(handler); }
  std::string Take() { return traced; }
};
#else
struct TraceCapture {
  TraceCapture() { testing::internal::CaptureStderr(); }
  std::string Take() { return testing::internal::GetCapturedStderr(); }
};
#endif

TEST(Trace, AWindowThatFailsToGoAtAFormsDestructionIsTracedAndNothingEscapes) {
  const struct {
    std::function<void()> Fail;
    std::string Expected;
  } cases[] = {
      {[] { throw std::runtime_error("no such window"); }, "caught no such window"},
      {[] { throw 42; }, "caught unknown exception"},
  };
  for (const auto& failure : cases) {
    RecordingRuntime runtime;
    runtime.OnCall = [&](const std::string& call) {
      if (call.rfind("DestroyFormWindow", 0) == 0) failure.Fail();
    };
    std::string trace;
    {
      TraceCapture capture;
      EXPECT_NO_THROW({
        Form form("frmProbe");
        form.Load();
      });
      trace = capture.Take();
    }
    EXPECT_EQ(runtime.CallsStartingWith("DestroyFormWindow").size(), 1u);
    EXPECT_NE(trace.find("Form::~Form"), std::string::npos) << trace;
    EXPECT_NE(trace.find(failure.Expected), std::string::npos) << trace;
    EXPECT_EQ(std::count(trace.begin(), trace.end(), '\n'), 1) << "one line per trace: " << trace;
    EXPECT_FALSE(runtime.Ended) << "a destroyed form does not end the program";
  }
}

}  // namespace
