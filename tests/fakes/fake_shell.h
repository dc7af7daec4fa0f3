#pragma once
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/shell.h"

namespace sorvane::fakes {

// Special folders of a 64-bit Windows 7 user "User" or a Windows XP user "Ann" (settable), and a
// record of what was opened or started.
class FakeShell : public platform::Shell {
public:
    enum class Layout { Windows7, WindowsXp };
    explicit FakeShell(Layout layout = Layout::Windows7);

    std::string specialFolder(int csidl) override;
    platform::Status open(std::string_view target) override;
    platform::Status start(std::string_view commandLine, platform::ShowWindow show) override;

    // An empty path makes the folder one without a file-system path.
    void setSpecialFolder(int csidl, std::string path) { folders_[csidl] = std::move(path); }
    void failOpen(std::uint32_t code) { openFailure_ = code; }
    void failStart(std::uint32_t code) { startFailure_ = code; }

    std::vector<std::string> opened;
    std::vector<std::pair<std::string, platform::ShowWindow>> started;
    int specialFolderCalls = 0;

private:
    std::map<int, std::string> folders_;
    std::uint32_t openFailure_ = 0;
    std::uint32_t startFailure_ = 0;
};

}  // namespace sorvane::fakes
