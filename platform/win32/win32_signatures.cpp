#include "platform/win32/win32_signatures.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/win32/library_search.h"

namespace sorvane::platform::win32 {
namespace {

constexpr std::size_t CoordinateSize = 32;  // P-256
constexpr std::size_t DigestSize = 32;      // SHA-256

bool succeeded(NTSTATUS status) { return status >= 0; }

// A CNG status as the program's failure code; 0 would read as success.
Status failure(NTSTATUS status) { return Status::failure(static_cast<std::uint32_t>(status)); }

class Algorithm {
public:
    explicit Algorithm(const wchar_t* name) {
        if (!LoadDelayLoadedLibrary(L"bcrypt.dll").ok()) {
            status_ = static_cast<NTSTATUS>(0xC0000135L);  // STATUS_DLL_NOT_FOUND
            return;
        }
        status_ = BCryptOpenAlgorithmProvider(&handle_, name, nullptr, 0);
        if (!succeeded(status_)) handle_ = nullptr;
    }
    ~Algorithm() {
        if (handle_ != nullptr) BCryptCloseAlgorithmProvider(handle_, 0);
    }
    Algorithm(const Algorithm&) = delete;
    Algorithm& operator=(const Algorithm&) = delete;
    BCRYPT_ALG_HANDLE get() const { return handle_; }
    NTSTATUS status() const { return status_; }

private:
    BCRYPT_ALG_HANDLE handle_ = nullptr;
    NTSTATUS status_ = 0;
};

class Key {
public:
    ~Key() {
        if (handle != nullptr) BCryptDestroyKey(handle);
    }
    BCRYPT_KEY_HANDLE handle = nullptr;
};

// A hash object of its own per digest: CNG hash handles are not to be shared between threads.
class Win32Digest : public Signatures::Digest {
public:
    Win32Digest() : algorithm_(BCRYPT_SHA256_ALGORITHM) {
        ok_ = algorithm_.get() != nullptr && succeeded(BCryptCreateHash(algorithm_.get(), &hash_, nullptr, 0, nullptr, 0, 0));
    }
    ~Win32Digest() override {
        if (hash_ != nullptr) BCryptDestroyHash(hash_);
    }
    Win32Digest(const Win32Digest&) = delete;
    Win32Digest& operator=(const Win32Digest&) = delete;

    void add(std::string_view bytes) override {
        // BCryptHashData takes a ULONG length: a large input goes in slices.
        for (std::size_t done = 0; ok_ && done < bytes.size();) {
            const std::size_t slice = std::min<std::size_t>(bytes.size() - done, 1u << 30);
            ok_ = succeeded(BCryptHashData(hash_, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + done)),
                                           static_cast<ULONG>(slice), 0));
            done += slice;
        }
    }

    std::optional<std::string> finish() override {
        std::string digest(DigestSize, '\0');
        ok_ = ok_ && succeeded(BCryptFinishHash(hash_, reinterpret_cast<PUCHAR>(digest.data()),
                                                static_cast<ULONG>(DigestSize), 0));
        if (!ok_) return std::nullopt;
        ok_ = false;  // a finished hash object takes nothing more
        return digest;
    }

private:
    Algorithm algorithm_;
    BCRYPT_HASH_HANDLE hash_ = nullptr;
    bool ok_ = false;
};

}  // namespace

std::unique_ptr<Signatures::Digest> Win32Signatures::startSha256() { return std::make_unique<Win32Digest>(); }

Status Win32Signatures::verify(std::string_view publicKey, std::string_view message, std::string_view signature) {
    if (publicKey.size() != 2 * CoordinateSize || signature.size() != 2 * CoordinateSize) {
        return Status::failure(error::InvalidParameter);
    }
    const auto digest = sha256(message);
    if (!digest) return Status::failure(error::NotSupported);
    Algorithm algorithm(BCRYPT_ECDSA_P256_ALGORITHM);
    if (algorithm.get() == nullptr) return failure(algorithm.status());

    // BCRYPT_ECCPUBLIC_BLOB: the header, then X and Y.
    std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB) + publicKey.size());
    BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, static_cast<ULONG>(CoordinateSize)};
    std::memcpy(blob.data(), &header, sizeof(header));
    std::memcpy(blob.data() + sizeof(header), publicKey.data(), publicKey.size());
    Key key;
    if (const NTSTATUS s = BCryptImportKeyPair(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &key.handle,
                                               blob.data(), static_cast<ULONG>(blob.size()), 0);
        !succeeded(s)) {
        key.handle = nullptr;
        return failure(s);
    }
    std::string signatureCopy(signature);
    std::string digestCopy(*digest);
    const NTSTATUS s = BCryptVerifySignature(key.handle, nullptr, reinterpret_cast<PUCHAR>(digestCopy.data()),
                                             static_cast<ULONG>(digestCopy.size()),
                                             reinterpret_cast<PUCHAR>(signatureCopy.data()),
                                             static_cast<ULONG>(signatureCopy.size()), 0);
    if (succeeded(s)) return Status::success();
    return failure(s);
}

DateTime Win32Signatures::utcNow() {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

}  // namespace sorvane::platform::win32
