// The platform layer's text work: joining path parts, rendering an error as
// one log line, and (on Windows) crossing between code pages and UTF-16.
#include <string>

#include <gtest/gtest.h>

#include "platform/platform.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

using tapeloom::platform::AppendPathComponent;
using tapeloom::platform::Error;
using tapeloom::platform::NativeString;

NativeString Joined(NativeString left, const NativeString& right) {
    AppendPathComponent(left, right);
    return left;
}

#if defined(_WIN32)
#define NATIVE(text) L##text
#else
#define NATIVE(text) text
#endif

class PathJoining : public testing::Test {};

TEST_F(PathJoining, EmptyOrSeparatorEndedLeftPartsJoinDirectly) {
    EXPECT_EQ(Joined(NATIVE(""), NATIVE("Documents")), NATIVE("Documents"));
    EXPECT_EQ(Joined(NATIVE("/home/"), NATIVE("Documents")), NATIVE("/home/Documents"));
}

#if defined(_WIN32)
TEST_F(PathJoining, BareDriveAndEitherSlashJoinDirectly) {
    EXPECT_EQ(Joined(L"C:", L"Documents"), L"C:Documents");
    EXPECT_EQ(Joined(L"C:\\", L"Documents"), L"C:\\Documents");
    EXPECT_EQ(Joined(L"\\\\server\\share\\", L"Documents"), L"\\\\server\\share\\Documents");
    EXPECT_EQ(Joined(L"1:", L"Documents"), L"1:\\Documents") << "only a letter names a drive";
}
#endif

class ErrorText : public testing::Test {
protected:
    static bool EndsInWhiteSpace(const std::string& text) {
        return !text.empty() && std::string(" \t\r\n").find(text.back()) != std::string::npos;
    }
};

TEST_F(ErrorText, PathComesLastInQuotes) {
    const std::string text = Error{"exists", 2, NativeString(NATIVE("Demos"))}.Text();
    ASSERT_EQ(text.rfind("exists: ", 0), 0u) << text;
    const std::size_t pathPart = text.rfind(": \"Demos\"");
    ASSERT_EQ(pathPart, text.size() - 9) << text;
    const std::string message = text.substr(8, pathPart - 8);
    EXPECT_FALSE(message.empty());
    EXPECT_FALSE(EndsInWhiteSpace(message)) << text;
}

TEST_F(ErrorText, WithoutPathTheMessageEndsTheLine) {
    const std::string text = Error{"directory_iterator::operator++", 5, std::nullopt}.Text();
    EXPECT_EQ(text.rfind("directory_iterator::operator++: ", 0), 0u) << text;
    EXPECT_GT(text.size(), 32u);
    EXPECT_NE(text.back(), '"');
    EXPECT_FALSE(EndsInWhiteSpace(text)) << text;
}

#if defined(_WIN32)
// The expectations hold for the usual Western code pages, which Wine and a US Windows use.
class CodePageText : public testing::Test {
protected:
    void SetUp() override {
        if (GetACP() != 1252 || GetOEMCP() != 437) GTEST_SKIP() << "needs ANSI 1252 and OEM 437";
    }
    void TearDown() override { SetFileApisToANSI(); }
};

TEST_F(CodePageText, ProfileTextFollowsTheFileApisCodePage) {
    NativeString path;
    EXPECT_FALSE(tapeloom::platform::ProfileTextToPath("C:\\\x80", path));
    EXPECT_EQ(path, L"C:\\\u20ac");
    SetFileApisToOEM();
    EXPECT_FALSE(tapeloom::platform::ProfileTextToPath("C:\\\x80", path));
    EXPECT_EQ(path, L"C:\\\u00c7");
}

TEST_F(CodePageText, LogTextReplacesWhatTheCodePageLacks) {
    EXPECT_EQ(tapeloom::platform::NarrowForLog(L"a\u00e9\u0416\u0101"), "a\xe9??") << "no look-alike for U+0101";
    EXPECT_EQ(tapeloom::platform::NarrowForLog(std::wstring(1, wchar_t(0xd800))), "?");
}
#endif

} // namespace
