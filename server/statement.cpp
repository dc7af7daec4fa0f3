#include "server/statement.h"

#include <openssl/bn.h>
#include <openssl/ecdsa.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <vector>

#include "platform/text.h"

namespace sorvane::server {
namespace {

std::string openSslError() {
    const unsigned long code = ERR_get_error();
    if (code == 0) return "unknown library error";
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    ERR_clear_error();
    return text;
}

constexpr std::size_t CoordinateSize = 32;  // P-256

}  // namespace

struct StatementSigner::Key {
    EVP_PKEY* pkey = nullptr;
    ~Key() { EVP_PKEY_free(pkey); }
};

std::string StatementBody(const Statement& statement) {
    return "for=" + statement.covers + "\nfrom=" + statement.from + "\nto=" + statement.to +
           "\nexpires=" + statement.expires + "\nsha256=" + statement.sha256 + "\n";
}

std::string Sha256Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("SHA-256 failed: " + openSslError());
    }
    return text::toHex({reinterpret_cast<const char*>(digest), length});
}

std::string FormatUtc(std::time_t when) {
    std::tm utc{};
    gmtime_r(&when, &utc);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return buffer;
}

StatementSigner::StatementSigner(const std::filesystem::path& pemFile) : key_(std::make_unique<Key>()) {
    const std::string name = pemFile.string();
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) throw std::runtime_error("cannot open the signing key " + name);
    key_->pkey = PEM_read_PrivateKey(file, nullptr, nullptr, nullptr);
    std::fclose(file);
    if (key_->pkey == nullptr) {
        throw std::runtime_error("the signing key " + name + " is no PEM private key: " + openSslError());
    }
    // Clients verify with a P-256 public key: any other key would sign what no client accepts.
    char curve[64] = {};
    std::size_t curveLength = 0;
    if (EVP_PKEY_get_base_id(key_->pkey) != EVP_PKEY_EC ||
        EVP_PKEY_get_utf8_string_param(key_->pkey, "group", curve, sizeof curve, &curveLength) != 1 ||
        std::string(curve) != "prime256v1") {
        throw std::runtime_error("the signing key " + name + " is not an ECDSA key of curve P-256 (prime256v1)");
    }
}

StatementSigner::~StatementSigner() = default;

std::string StatementSigner::sign(const Statement& statement) const {
    const std::string body = StatementBody(statement);
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    std::vector<unsigned char> der;
    std::size_t derLength = 0;
    bool ok = context != nullptr && EVP_DigestSignInit(context, nullptr, EVP_sha256(), nullptr, key_->pkey) == 1 &&
              EVP_DigestSign(context, nullptr, &derLength, reinterpret_cast<const unsigned char*>(body.data()),
                             body.size()) == 1;
    if (ok) {
        der.resize(derLength);
        ok = EVP_DigestSign(context, der.data(), &derLength, reinterpret_cast<const unsigned char*>(body.data()),
                            body.size()) == 1;
    }
    EVP_MD_CTX_free(context);
    if (!ok) throw std::runtime_error("signing failed: " + openSslError());

    // The library gives DER; Windows verifies the fixed-size r||s form.
    const unsigned char* cursor = der.data();
    ECDSA_SIG* signature = d2i_ECDSA_SIG(nullptr, &cursor, static_cast<long>(derLength));
    if (signature == nullptr) throw std::runtime_error("signing gave no ECDSA signature: " + openSslError());
    unsigned char raw[2 * CoordinateSize];
    const bool converted = BN_bn2binpad(ECDSA_SIG_get0_r(signature), raw, CoordinateSize) == CoordinateSize &&
                           BN_bn2binpad(ECDSA_SIG_get0_s(signature), raw + CoordinateSize, CoordinateSize) ==
                               CoordinateSize;
    ECDSA_SIG_free(signature);
    if (!converted) throw std::runtime_error("the signature does not fit 64 bytes");
    unsigned char encoded[4 * (sizeof raw + 2) / 3 + 1];
    const int length = EVP_EncodeBlock(encoded, raw, sizeof raw);
    return body + "signature=" + std::string(reinterpret_cast<char*>(encoded), static_cast<std::size_t>(length)) +
           "\n";
}

}  // namespace sorvane::server
