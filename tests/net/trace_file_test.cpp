// The trace file NORVIK_TRACE names: a regular file appended to, or nothing at all.
#include "trace_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "test_files.h"

#ifdef _WIN32
// clang-format off
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
// clang-format on
#else
#include <sys/stat.h>
#endif

#include <thread>

namespace norvik::test {
namespace {

namespace fs = std::filesystem;

// Opens the trace file the way the programs do, with NORVIK_TRACE naming `path`: a reason
// exactly when it is not opened.
std::FILE* OpenTrace(const fs::path& path, std::string* why_not = nullptr) {
#ifdef _WIN32
    _wputenv_s(L"NORVIK_TRACE", path.wstring().c_str());
#else
    ::setenv("NORVIK_TRACE", path.c_str(), 1);
#endif
    std::string why;
    std::FILE* file = OpenTraceFileNamedByEnvironment(why);
    EXPECT_EQ(file == nullptr, !why.empty()) << why;
    if (why_not != nullptr) {
        *why_not = why;
    }
    return file;
}

TEST(TraceFile, ARegularFileIsAppendedToAndAnAbsentOneMade) {
    const TemporaryDirectory dir;
    const fs::path trace = dir / "trace.log";
    for (const char* line : {"one\n", "two\n"}) {
        std::FILE* file = OpenTrace(trace);
        ASSERT_NE(file, nullptr);
        EXPECT_GE(std::fputs(line, file), 0);
        EXPECT_EQ(std::fclose(file), 0);
    }
    EXPECT_EQ(ReadText(trace), "one\ntwo\n");
    // It maps the site's devices and cards: other users may not read it.
#ifdef _WIN32
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(
        GetNamedSecurityInfoW(trace.wstring().c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, nullptr, nullptr, &descriptor),
        static_cast<DWORD>(ERROR_SUCCESS));
    wchar_t* text = nullptr;
    ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorW(
        descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr));
    const std::wstring dacl = text;
    LocalFree(text);
    LocalFree(descriptor);
    for (const wchar_t* others : {L";;;WD)", L";;;BU)", L";;;AU)"}) {
        EXPECT_EQ(dacl.find(others), std::wstring::npos) << others;
    }
#else
    struct stat status {};
    ASSERT_EQ(::stat(trace.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 077, 0u);
#endif
}

// Two programs tracing into one file: each line lands whole, none over another.
TEST(TraceFile, WritersAtOnceNeverWriteOverEachOther) {
    const TemporaryDirectory dir;
    const fs::path trace = dir / "trace.log";
    constexpr int kLines = 4000;
    std::FILE* files[] = {OpenTrace(trace), OpenTrace(trace)};
    ASSERT_NE(files[0], nullptr);
    ASSERT_NE(files[1], nullptr);
    std::vector<std::thread> writers;
    for (std::FILE* file : files) {
        writers.emplace_back([file] {
            for (int i = 0; i < kLines; ++i) {
                WriteTraceLine(file,
                               "12:00:00.000 port 4022 from 10.0.0.1:4022, 70 bytes: updated\n");
            }
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    for (std::FILE* file : files) {
        EXPECT_EQ(std::fclose(file), 0);
    }
    std::string expected;
    for (int i = 0; i < 2 * kLines; ++i) {
        expected += "12:00:00.000 port 4022 from 10.0.0.1:4022, 70 bytes: updated\n";
    }
    EXPECT_TRUE(ReadText(trace) == expected) << "lines were lost or cut";
}

TEST(TraceFile, ALinkIsNotFollowed) {
    const TemporaryDirectory dir;
    const fs::path target = dir / "target";
    WriteFile(target, RawBytes("precious\n"));
    // A hard link is another name of the same file: the trace would land in it.
    const fs::path hard_link = dir / "hard.log";
    fs::create_hard_link(target, hard_link);
    std::string why_not;
    EXPECT_EQ(OpenTrace(hard_link, &why_not), nullptr);
    EXPECT_TRUE(why_not.find("hard link") != std::string::npos) << why_not;
    const fs::path trace = dir / "trace.log";
    if (const std::string error = MakeSymbolicLink(target, trace); !error.empty()) {
        GTEST_SKIP() << "no symbolic link can be made here: " << error;
    }
    EXPECT_EQ(OpenTrace(trace, &why_not), nullptr);
    EXPECT_TRUE(why_not.find("link") != std::string::npos) << why_not;
    EXPECT_TRUE(fs::is_symlink(trace));
    EXPECT_EQ(ReadText(target), "precious\n");
}

TEST(TraceFile, NothingButARegularFileIsOpened) {
    const TemporaryDirectory dir;
    std::vector<fs::path> refused = {dir.path()};
#ifdef _WIN32
    refused.push_back("NUL");
#else
    // A FIFO nobody reads would block an open for writing; one somebody reads is no log.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    refused.push_back(dir / "fifo");
    refused.push_back("/dev/null");
#endif
    for (const fs::path& path : refused) {
        EXPECT_EQ(OpenTrace(path), nullptr) << path;
    }
}

}  // namespace
}  // namespace norvik::test
