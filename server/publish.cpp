#include "server/publish.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>
#include <system_error>

#include "platform/date_forms.h"
#include "server/releases.h"
#include "server/update_text.h"

namespace sorvane::server {
namespace {

namespace fs = std::filesystem;
using Query = std::multimap<std::string, std::string>;

// "2006-03-16T00-00-00": an ISO date as a file name (no colons, the form release folders use).
std::string fileDate(const ReleaseDate& date) {
    std::string name = calendar::IsoDateText(date);
    for (std::size_t i = name.find('T'); i < name.size(); ++i) {
        if (name[i] == ':') name[i] = '-';
    }
    return name;
}

class TreeWriter {
public:
    TreeWriter(fs::path out, std::ostream& log) : out_(std::move(out)), log_(log) {}

    // Writes `answer` to `relative` when it is a 200 answer; otherwise records the failure
    // when `required`, or logs it.
    void write(const std::string& relative, const Answer& answer, bool required) {
        if (!result.error.empty()) return;
        if (answer.status != 200) {
            const std::string why = relative + ": the server answers " + std::to_string(answer.status) + " " + answer.body;
            if (required) result.error = why;
            else log_ << "not published: " << why << (why.back() == '\n' ? "" : "\n");
            return;
        }
        std::string error;
        if (!writeFile(out_ / relative, answer.body, error)) result.error = error;
        else ++result.files;
    }

    PublishResult result;

private:
    // Beside the old copy, flushed to the disk, then moved over it: a web server reading it
    // meanwhile, or a crash, sees the old file or the new one.
    static bool writeFile(const fs::path& path, const std::string& bytes, std::string& error) {
        std::error_code code;
        fs::create_directories(path.parent_path(), code);
        const fs::path temporary = path.string() + ".tmp";
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        bool ok = fd >= 0;
        for (std::size_t done = 0; ok && done < bytes.size();) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            ok = n > 0;
            if (ok) done += static_cast<std::size_t>(n);
        }
        ok = ok && ::fsync(fd) == 0;
        const int cause = errno;
        if (fd >= 0) ::close(fd);
        if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
        error = "cannot write " + path.string() + ": " + std::strerror(ok ? errno : cause);
        ::unlink(temporary.c_str());
        return false;
    }

    fs::path out_;
    std::ostream& log_;
};

}  // namespace

PublishResult PublishStatic(const ServerOptions& options, const fs::path& out, std::ostream& log) {
    DefinitionService service(options, log);
    TreeWriter tree(out, log);
    const auto releases = service.releasesFor({});
    if (releases->empty()) return {"no complete release in " + options.releases.string(), 0};
    const bool signing = !options.signingKey.empty();

    tree.write("health", service.get("/health", {}), true);
    tree.write("dates/classic", service.get("/asp/date.asp", {}), true);
    tree.write("dates/iso", service.get("/asp/date.asp", {{"iso", ""}}), true);
    tree.write("definitions/custom.html", service.get("/definitions/custom.html", {}), true);
    for (std::string_view name : update::UpdateFiles) {
        const std::string path = "definitions/data/" + std::string(name);
        const Answer file = service.get("/" + path, {});
        tree.write(path, file, true);
        if (signing && file.status == 200) {
            const std::string statement = path.substr(0, path.size() - 4) + ".sig";
            tree.write(statement, service.get("/" + statement, {}), true);
        }
    }
    // A client holds a release's own date: the one the server gave it.
    for (const Release& release : *releases) {
        const Query query{{"iso", calendar::IsoDateText(release.date)}};
        const std::string name = "updates/" + fileDate(release.date);
        const Answer update = service.get("/asp/getDefsNEW.asp", query);
        tree.write(name + ".txt", update, false);
        if (signing && update.status == 200) tree.write(name + ".sig", service.get("/asp/getDefsNEW.sig", query), true);
    }
    std::error_code code;
    if (!options.languages.empty()) {
        for (const fs::directory_entry& entry : fs::directory_iterator(options.languages, code)) {
            const std::string product = entry.path().filename().string();
            if (product.find_first_not_of("0123456789") != std::string::npos) continue;
            const std::string path = "Languages/" + product + "/Localization";
            const Answer file = service.get("/" + path + ".xml", {});
            if (file.status == 404) continue;  // a folder without a translation
            tree.write(path + ".xml", file, true);
            if (signing) tree.write(path + ".sig", service.get("/" + path + ".sig", {}), true);
        }
    }
    if (code && tree.result.error.empty()) tree.result.error = "cannot list " + options.languages.string() + ": " + code.message();
    return tree.result;
}

}  // namespace sorvane::server
