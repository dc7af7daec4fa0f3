#pragma once
// Owners for COM's scope, strings and variants on the calling thread.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

namespace sorvane::platform::win32 {

// COM for the length of one call, on whatever apartment the thread already has.
class ComScope {
public:
    ComScope() {
        const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        owned_ = SUCCEEDED(result);
        usable_ = owned_ || result == RPC_E_CHANGED_MODE;
    }
    ~ComScope() {
        if (owned_) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool usable() const { return usable_; }

private:
    bool owned_ = false;
    bool usable_ = false;
};

// A BSTR owned for its scope.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const wchar_t* text) : value_(SysAllocString(text)) {}
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return value_; }
    // For a call that hands out a string: the old one is freed first.
    BSTR* out() {
        SysFreeString(value_);
        value_ = nullptr;
        return &value_;
    }

private:
    BSTR value_ = nullptr;
};

// A VARIANT cleared at the end of its scope.
class Variant {
public:
    Variant() { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* get() { return &value_; }

private:
    VARIANT value_;
};

}  // namespace sorvane::platform::win32
