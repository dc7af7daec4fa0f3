#include "definitions/definition_files.h"

#include <cstdint>

#include "definitions/encoding.h"
#include "platform/limits.h"

namespace sorvane::definitions {
namespace {

constexpr std::size_t ChunkSize = 64 * 1024;

// Splits a file into raw lines as it is read, piece by piece.
class LineSplitter {
public:
    LineSplitter(platform::FileSystem& fs, std::string_view path) : fs_(fs), path_(path) {}

    enum class Next { Line, Overlong, End, Failed };

    // The next raw line into `line`.
    Next next(std::string& line) {
        for (;;) {
            const auto end = buffer_.find_first_of("\r\n", scanFrom_);
            if (end != std::string::npos) {
                // A CR as the last byte read may be the first half of a CR LF.
                if (buffer_[end] == '\r' && end + 1 == buffer_.size() && !eof_) {
                    if (!fill()) return Next::Failed;
                    continue;
                }
                const bool overlong = skipping_ || end - start_ > limits::MaxDefinitionLine;
                if (!overlong) line.assign(buffer_, start_, end - start_);
                const bool crlf = buffer_[end] == '\r' && end + 1 < buffer_.size() && buffer_[end + 1] == '\n';
                start_ = scanFrom_ = end + (crlf ? 2 : 1);
                skipping_ = false;
                return overlong ? Next::Overlong : Next::Line;
            }
            if (eof_) {
                if (start_ == buffer_.size() && !skipping_) return Next::End;
                const bool overlong = skipping_ || buffer_.size() - start_ > limits::MaxDefinitionLine;
                if (!overlong) line.assign(buffer_, start_);
                start_ = scanFrom_ = buffer_.size();
                skipping_ = false;
                return overlong ? Next::Overlong : Next::Line;
            }
            // An over-long line is dropped as it streams past instead of being held whole.
            if (buffer_.size() - start_ > limits::MaxDefinitionLine) {
                start_ = buffer_.size();
                skipping_ = true;
            }
            scanFrom_ = buffer_.size();
            if (!fill()) return Next::Failed;
        }
    }

private:
    bool fill() {
        // Drop the lines already handed over before appending more.
        buffer_.erase(0, start_);
        scanFrom_ -= start_;
        start_ = 0;
        if (offset_ >= limits::MaxDefinitionFile) {
            eof_ = true;
            return true;
        }
        std::string chunk;
        if (!fs_.readRange(path_, offset_, ChunkSize, chunk).ok()) return false;
        if (chunk.size() > ChunkSize) chunk.resize(ChunkSize);
        offset_ += chunk.size();
        if (chunk.size() < ChunkSize) eof_ = true;
        buffer_ += chunk;
        return true;
    }

    platform::FileSystem& fs_;
    std::string path_;
    std::string buffer_;
    std::size_t start_ = 0;
    std::size_t scanFrom_ = 0;
    std::uint64_t offset_ = 0;
    bool eof_ = false;
    bool skipping_ = false;
};

ReadOutcome readLines(platform::FileSystem& fs, platform::Locale& locale, std::string_view path, bool encoded,
                      const StopPredicate& stop, const LineHandler& onLine, const OverlongHandler& onOverlong) {
    const auto entry = fs.lookup(path);
    if (!entry || entry->isFolder()) return ReadOutcome::Missing;
    LineSplitter splitter(fs, path);
    std::string raw;
    for (std::size_t number = 1;; ++number) {
        if (stop && stop()) return ReadOutcome::Stopped;
        switch (splitter.next(raw)) {
            case LineSplitter::Next::End: return ReadOutcome::Finished;
            case LineSplitter::Next::Failed: return ReadOutcome::Failed;
            case LineSplitter::Next::Overlong:
                if (onOverlong) onOverlong(number);
                break;
            case LineSplitter::Next::Line:
                if (onLine) onLine(number, locale.fromAnsi(encoded ? DecodeLine(raw) : raw));
                break;
        }
    }
}

}  // namespace

ReadOutcome forEachDefinitionLine(platform::FileSystem& fs, platform::Locale& locale, std::string_view path,
                                  const StopPredicate& stop, const LineHandler& onLine,
                                  const OverlongHandler& onOverlong) {
    return readLines(fs, locale, path, true, stop, onLine, onOverlong);
}

ReadOutcome forEachPlainLine(platform::FileSystem& fs, platform::Locale& locale, std::string_view path,
                             const StopPredicate& stop, const LineHandler& onLine, const OverlongHandler& onOverlong) {
    return readLines(fs, locale, path, false, stop, onLine, onOverlong);
}

std::size_t countDefinitionLines(platform::FileSystem& fs, std::string_view path) {
    if (const auto entry = fs.lookup(path); !entry || entry->isFolder()) return 0;
    // The lines the reader splits, counted without splitting them: every CR, every LF that
    // does not end a CR LF, and a last line without an end; an over-long line is one line
    // too. Read in larger pieces than the reader's, since no line is held here: the main
    // window counts every file at start.
    constexpr std::size_t CountChunkSize = 1024 * 1024;
    static_assert(limits::MaxDefinitionFile % CountChunkSize == 0, "the same bytes as the reader's pieces");
    std::size_t count = 0;
    bool afterCr = false;   // the last byte read was a CR
    bool lineOpen = false;  // bytes since the last line end
    std::string chunk;
    for (std::uint64_t offset = 0; offset < limits::MaxDefinitionFile;) {
        if (!fs.readRange(path, offset, CountChunkSize, chunk).ok()) return count;
        if (chunk.size() > CountChunkSize) chunk.resize(CountChunkSize);
        for (const char c : chunk) {
            if (c == '\r') {
                ++count;
            } else if (c == '\n') {
                if (!afterCr) ++count;
            }
            afterCr = c == '\r';
            lineOpen = c != '\r' && c != '\n';
        }
        offset += chunk.size();
        if (chunk.size() < CountChunkSize) break;
    }
    return count + (lineOpen ? 1 : 0);
}

std::string StoredDefinitionLine(platform::Locale& locale, std::string_view clear) {
    return EncodeLine(locale.toAnsi(clear));
}

platform::Status appendDefinitionLine(platform::FileSystem& fs, platform::Locale& locale, std::string_view path,
                                      std::string_view clear) {
    return fs.appendFile(path, StoredDefinitionLine(locale, clear) + "\r\n");
}

}  // namespace sorvane::definitions
