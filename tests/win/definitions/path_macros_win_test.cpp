#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include "definitions/definition_files.h"
#include "definitions/encoding.h"
#include "definitions/path_macros.h"
#include "definitions/records.h"
#include "platform/text.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_locale.h"
#include "platform/win32/win32_shell.h"

namespace sorvane::definitions {
namespace {

// The shell's own answer, asked directly, to compare the macros against.
std::string shellFolder(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE)) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, buffer, -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, buffer, -1, out.data(), size, nullptr, nullptr);
    return out;
}

TEST(PathMacrosOnWindows, MacrosNameTheRealSpecialFolders) {
    platform::win32::Win32Shell shell;
    const PathMacros cached(shell);
    for (std::size_t row = 0; row < PathMacroTable().size(); ++row) {
        const auto& macro = PathMacroTable()[row];
        auto expected = shellFolder(macro.csidl);
        if (!expected.empty()) expected += "\\";
        // The profile macros: the user's profile and the all-users one that %ALLUSERSPROFILE% names.
        if (macro.profileFolder && macro.macro == "[user]") expected = shellFolder(CSIDL_PROFILE) + "\\";
        if (macro.profileFolder && macro.macro == "[alluser]") {
            wchar_t all[MAX_PATH] = {};
            ASSERT_GT(GetEnvironmentVariableW(L"ALLUSERSPROFILE", all, MAX_PATH), 0u);
            expected = shellFolder(CSIDL_COMMON_APPDATA) + "\\";
            EXPECT_EQ(text::toLower(expected), text::toLower(platform::win32::narrow(all) + "\\"));
        }
        EXPECT_EQ(ExpandPathMacros(shell, macro.macro), expected) << macro.macro;
        EXPECT_EQ(cached.folder(row), expected) << macro.macro;
    }
    // The user's own desktop and the all-users desktop are different folders.
    const auto userDesktop = ExpandPathMacros(shell, "[comdesk]");
    const auto allDesktop = ExpandPathMacros(shell, "[desktop]");
    EXPECT_EQ(userDesktop, shellFolder(CSIDL_DESKTOPDIRECTORY) + "\\");
    EXPECT_EQ(allDesktop, shellFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\");
    EXPECT_NE(text::toLower(userDesktop), text::toLower(allDesktop));
    // The Recycle Bin has no file-system path: the macro disappears.
    EXPECT_EQ(ExpandPathMacros(shell, "[recycle]\\x.exe"), "\\x.exe");
    EXPECT_EQ(ExpandPathMacros(shell, "[progfil]a"), shellFolder(CSIDL_PROGRAM_FILES) + "\\a");
    // A 64-bit system's 32-bit programs' twins of three folders.
    ASSERT_NE(cached.x86(), nullptr);
    // A Wine without its 32-bit part has no SysWOW64: the twin of [system] is then the native folder.
    const std::string x86System = shellFolder(CSIDL_SYSTEMX86).empty() ? shellFolder(CSIDL_SYSTEM) : shellFolder(CSIDL_SYSTEMX86);
    EXPECT_EQ(cached.x86()->expand("[progfil]a|[comprogfil]b|[system]c"),
              shellFolder(CSIDL_PROGRAM_FILESX86) + "\\a|" + shellFolder(CSIDL_PROGRAM_FILES_COMMONX86) + "\\b|" +
                  x86System + "\\c");
    EXPECT_EQ(text::toLower(cached.expand("[user]Application Data\\x")), text::toLower(shellFolder(CSIDL_APPDATA) + "\\x"));
    const auto root = DriveRoot(shell);
    ASSERT_EQ(root.size(), 3u);
    EXPECT_EQ(root.substr(1), ":\\");
}

TEST(PathMacrosOnWindows, DefinitionFilesReadThroughTheRealServices) {
    platform::win32::Win32Shell shell;
    platform::win32::Win32FileSystem files;
    platform::win32::Win32Locale locale;
    const PathMacros macros(shell);

    char temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string path = std::string(temp) + "sorvane-defs-test-" + std::to_string(GetCurrentProcessId()) + ".dat";
    // "é" is 0xE9 in code page 1252; the file holds it encoded.
    ASSERT_TRUE(appendDefinitionLine(files, locale, path, "caf\xC3\xA9.exe=T|[system]").ok());
    std::vector<std::string> lines;
    const auto outcome = forEachDefinitionLine(files, locale, path, {}, [&](std::size_t, const std::string& line) {
        lines.push_back(line);
    });
    std::string stored;
    (void)files.readFile(path, stored);
    (void)files.deleteFile(path);
    ASSERT_EQ(outcome, ReadOutcome::Finished);
    EXPECT_EQ(stored, EncodeLine("caf\xE9.exe=T|[system]") + "\r\n");
    ASSERT_EQ(lines.size(), 1u);
    const auto file = ParseFileLine(lines[0], macros);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->path, shellFolder(CSIDL_SYSTEM) + "\\caf\xC3\xA9.exe");
}

}  // namespace
}  // namespace sorvane::definitions
