#include "platform/win32/win32_trace.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "tests/win/platform/win_test_support.h"

namespace sorvane::platform::win32 {
namespace {

// Points TMP and TEMP at a folder of the test's own and SORVANE_TRACE at a value, and puts
// all three back afterwards; the folder goes with whatever the trace wrote into it.
class TraceEnvironment {
public:
    explicit TraceEnvironment(const wchar_t* traceValue) {
        for (const wchar_t* name : {L"TMP", L"TEMP", L"SORVANE_TRACE"}) saved_.push_back(read(name));
        wchar_t base[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, base);
        folder_ = std::wstring(base) + widen(wintest::uniqueName("sorvane-trace-"));
        CreateDirectoryW(folder_.c_str(), nullptr);
        SetEnvironmentVariableW(L"TMP", folder_.c_str());
        SetEnvironmentVariableW(L"TEMP", folder_.c_str());
        SetEnvironmentVariableW(L"SORVANE_TRACE", traceValue);
    }
    ~TraceEnvironment() {
        DeleteFileW((folder_ + L"\\SorvaneTrace.log").c_str());
        RemoveDirectoryW(folder_.c_str());
        const wchar_t* names[] = {L"TMP", L"TEMP", L"SORVANE_TRACE"};
        for (std::size_t i = 0; i < 3; ++i)
            SetEnvironmentVariableW(names[i], saved_[i].second ? saved_[i].first.c_str() : nullptr);
    }
    std::string log() const {
        std::ifstream in(narrow(folder_ + L"\\SorvaneTrace.log"), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::wstring& folder() const { return folder_; }

private:
    static std::pair<std::wstring, bool> read(const wchar_t* name) {
        wchar_t value[4096] = {};
        const DWORD length = GetEnvironmentVariableW(name, value, 4096);
        return {std::wstring(value, length < 4096 ? length : 0), length > 0};
    }
    std::wstring folder_;
    std::vector<std::pair<std::wstring, bool>> saved_;
};

TEST(Win32TraceTest, TheEnvironmentTurnsTheLogFileOnAndEachLineIsAppendedWhileItIsOn) {
    TraceEnvironment environment(L"1");
    {
        Win32Trace trace;
        ASSERT_TRUE(trace.loggingToFile());
        EXPECT_EQ(Win32Trace::LogFilePath(), environment.folder() + L"\\SorvaneTrace.log");
        Trace("removal", "first step failed");
        Trace("update", "second step failed");
        trace.logToFile(false);
        Trace("report", "not written");
    }
    Trace("after", "no sink left");
    const std::string log = environment.log();
    EXPECT_NE(log.find("] removal: first step failed\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("] update: second step failed\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("not written"), std::string::npos);
    EXPECT_EQ(log.find("no sink left"), std::string::npos);
    // Each line starts with the local date and time and the process id.
    EXPECT_EQ(log.compare(0, 2, "20"), 0) << log;
    EXPECT_NE(log.find("[" + std::to_string(GetCurrentProcessId()) + "]"), std::string::npos);
}

TEST(Win32TraceTest, WithoutTheEnvironmentOnlyASettingTurnsTheLogFileOn) {
    TraceEnvironment environment(L"0");
    Win32Trace trace;
    EXPECT_FALSE(trace.loggingToFile());
    Trace("scan", "only the debugger sees this");
    EXPECT_TRUE(environment.log().empty());
    trace.logToFile(true);
    Trace("scan", "now in the file");
    EXPECT_NE(environment.log().find("scan: now in the file"), std::string::npos);
}

}  // namespace
}  // namespace sorvane::platform::win32
