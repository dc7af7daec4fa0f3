#pragma once
#include <filesystem>
#include <string>

#include "server/server.h"

// Publishing for any web server: every answer of the protocol for the newest release, as
// static files that a web server maps the protocol's paths onto (server/nginx/ holds the
// configuration for nginx).
//
//   health, definitions/custom.html, definitions/data/NAME.dat   at their own paths
//   definitions/data/NAME.sig        each whole file's signed statement (with a signing key)
//   dates/classic, dates/iso         the newest date, for requests without and with "iso"
//   updates/YYYY-MM-DDThh-mm-ss.txt  the update from that release's date (the client's "iso")
//   updates/YYYY-MM-DDThh-mm-ss.sig  its signed statement (with a signing key)
//   Languages/N/Localization.xml     each translation, and Localization.sig beside it
//
// The bytes are those the reference server answers with the same options, made by it.
namespace sorvane::server {

struct PublishResult {
    std::string error;     // empty when every required answer was written
    std::size_t files = 0;  // files written
};

// Writes the tree into `out` (created when missing), each file written beside, flushed and
// moved over its old copy. An update the safety check refuses is left out and logged, so a
// web server answers 404 for it rather than apply it.
PublishResult PublishStatic(const ServerOptions& options, const std::filesystem::path& out, std::ostream& log);

}  // namespace sorvane::server
