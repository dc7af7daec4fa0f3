#include "tests/fakes/fake_signatures.h"

#include <cstdint>
#include <string>

#include "platform/text.h"

namespace sorvane::fakes {
namespace {

// Four FNV-1a passes with different seeds: stable, and different for every byte changed.
std::string digest(std::string_view bytes) {
    std::string out;
    for (std::uint64_t seed : {0xcbf29ce484222325ull, 0x84222325cbf29ce4ull, 0x1234567887654321ull, 0x0f0f0f0ff0f0f0f0ull}) {
        std::uint64_t h = seed;
        for (char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
        for (int i = 0; i < 8; ++i) out += static_cast<char>(h >> (8 * i));
    }
    return out;
}

std::string base64(std::string_view bytes) {
    static constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
        out += Alphabet[(v >> 18) & 63];
        out += Alphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? Alphabet[(v >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? Alphabet[v & 63] : '=';
    }
    return out;
}

}  // namespace

std::string FakeSignatures::statement(std::string_view publicKeyHex, const Statement& fields, std::string_view body) {
    const std::string signedBody = "for=" + fields.covers + "\nfrom=" + fields.from + "\nto=" + fields.to +
                                   "\nexpires=" + fields.expires + "\nsha256=" + text::toHex(digest(body)) + "\n";
    return signedBody + "signature=" + base64(sign(text::fromHex(publicKeyHex).value_or(""), signedBody)) + "\n";
}

std::unique_ptr<platform::Signatures::Digest> FakeSignatures::startSha256() {
    class Whole : public Digest {
    public:
        explicit Whole(bool unavailable) : unavailable_(unavailable) {}
        void add(std::string_view bytes) override { bytes_ += bytes; }
        std::optional<std::string> finish() override {
            if (unavailable_) return std::nullopt;
            return digest(bytes_);
        }

    private:
        bool unavailable_;
        std::string bytes_;
    };
    return std::make_unique<Whole>(unavailable);
}

std::string FakeSignatures::sign(std::string_view publicKey, std::string_view message) {
    const std::string keyed = std::string(publicKey) + '\0' + std::string(message);
    return digest(keyed) + digest(keyed + '\1');
}

platform::Status FakeSignatures::verify(std::string_view publicKey, std::string_view message,
                                        std::string_view signature) {
    ++verified;
    if (unavailable) return platform::Status::failure(platform::error::NotSupported);
    if (publicKey.size() != 64 || signature.size() != 64) return platform::Status::failure(platform::error::InvalidParameter);
    if (signature != sign(publicKey, message)) return platform::Status::failure(platform::error::InvalidSignature);
    return platform::Status::success();
}

}  // namespace sorvane::fakes
