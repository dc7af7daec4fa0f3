#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/shell.h"
#include "removal/quarantine_log.h"

namespace sorvane::removal {

// The quarantine folder beside the program. Nothing is ever deleted before its bytes are
// safely kept here: a file is copied, the copy compared with the original byte for byte,
// and only then is the original deleted. A name already taken by a different file or
// folder makes the newcomer take the next free name ("name (2).ext", "name (3).ext", ...);
// a file identical to one already kept counts as kept.
class Quarantine {
public:
    Quarantine(platform::FileSystem& files, QuarantineLog& log, std::string folder, std::function<void()> yield);

    const std::string& folder() const { return folder_; }
    // Creates the folder when it is missing.
    void createFolder();

    // Keeps a verified copy of one file; the name it is kept under, or nothing when no
    // safe copy exists (the file is then not to be deleted).
    std::optional<std::string> storeFile(std::string_view path);
    // Keeps a verified copy of a folder with everything in it, under a name of its own.
    std::optional<std::string> storeFolder(std::string_view path);

    // Quarantines and deletes one file, retrying the deletion 8 times; false when the
    // file was not there, true once a deletion was attempted.
    bool quarantineFile(std::string_view path);
    // Quarantines and deletes a file or a whole folder; false when the path names neither.
    bool quarantinePath(std::string_view path);
    // Quarantines and deletes one cookie file (a single deletion attempt).
    void quarantineCookieFile(std::string_view path);

    // Deletes a folder with its contents, read-only files included; links inside are
    // removed without touching what they point to.
    bool deleteTree(std::string_view path);

private:
    bool sameContent(std::string_view a, std::string_view b);
    bool copyVerified(std::string_view from, std::string_view to, bool& nameTaken);
    bool copyTree(std::string_view from, std::string_view to, std::size_t depth);
    bool deleteTree(std::string_view path, std::size_t depth);
    void discard(std::string_view path);

    platform::FileSystem& files_;
    QuarantineLog& log_;
    std::string folder_;
    std::function<void()> yield_;
};

// The text after the last backslash of a path.
std::string fileNamePart(std::string_view path);
// The name of the n-th candidate for a kept file: n = 1 is the name itself, then
// "stem (n).ext" (or "name (n)" without an extension).
std::string candidateFileName(std::string_view name, int n);

// True when the path names an existing file (not a folder).
bool fileIsPresent(platform::FileSystem& files, std::string_view path);

// "View Quarantine": creates the folder when missing and opens it in the file manager.
void openQuarantineFolder(Quarantine& quarantine, platform::Shell& shell);

}  // namespace sorvane::removal
