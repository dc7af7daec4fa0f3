#include "platform/win32/win32_services.h"

#include <windows.h>
#include <sddl.h>
#include <shellapi.h>
#include <srrestoreptapi.h>

#include <cstring>

#include "platform/limits.h"
#include "platform/win32/command_line.h"
#include "platform/win32/handles.h"
#include "platform/win32/library_search.h"
#include "platform/win32/wide.h"

namespace sorvane::platform::win32 {
namespace {

Status lastError() { return Status::failure(GetLastError()); }

std::wstring modulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 6; ++attempt) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.assign(path.size() * 2, L'\0');
    }
    return {};
}

}  // namespace

// ---- instance lock

Win32InstanceLock::Win32InstanceLock() = default;

Win32InstanceLock::~Win32InstanceLock() {
    for (void* h : held_) CloseHandle(h);
    for (auto& [name, h] : acquired_) {
        ReleaseMutex(h);
        CloseHandle(h);
    }
}

bool Win32InstanceLock::anotherInstanceRunning(std::string_view name) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, widen(name).c_str());
    const DWORD code = GetLastError();
    if (mutex == nullptr) return code == ERROR_ACCESS_DENIED;  // held by another user's copy
    if (code == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return true;
    }
    held_.push_back(mutex);
    return false;
}

Status Win32InstanceLock::acquire(std::string_view name, std::uint32_t timeoutMs) {
    // Processes of other users (an administrator's console, a scheduled task) share the lock:
    // its creator lets every signed-in user wait on it and release it, or a process of another
    // account could neither take nor see it.
    SECURITY_ATTRIBUTES attributes{};
    attributes.nLength = sizeof(attributes);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100001;;;AU)",
                                                             SDDL_REVISION_1, &descriptor, nullptr)) {
        attributes.lpSecurityDescriptor = descriptor;
    }
    HANDLE mutex = CreateMutexExW(descriptor ? &attributes : nullptr, widen(name).c_str(), 0,
                                  SYNCHRONIZE | MUTEX_MODIFY_STATE);
    const DWORD created = GetLastError();
    if (descriptor) LocalFree(descriptor);
    if (mutex == nullptr) return Status::failure(created);
    switch (WaitForSingleObject(mutex, timeoutMs)) {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:  // its holder ended mid-way: what it left is for the new holder to finish
            acquired_.emplace_back(std::string(name), mutex);
            return Status::success();
        case WAIT_TIMEOUT:
            CloseHandle(mutex);
            return Status::failure(error::Timeout);
        default: {
            const Status failed = lastError();
            CloseHandle(mutex);
            return failed;
        }
    }
}

void Win32InstanceLock::release(std::string_view name) {
    for (auto it = acquired_.rbegin(); it != acquired_.rend(); ++it) {
        if (it->first != name) continue;
        ReleaseMutex(it->second);
        CloseHandle(it->second);
        acquired_.erase(std::next(it).base());
        return;
    }
}

// ---- HTTP

Status Win32Http::get(std::string_view url, const ChunkHandler& onChunk) {
    if (const Status loaded = LoadDelayLoadedLibrary(L"wininet.dll"); !loaded.ok()) return loaded;
    // The system's proxy settings, as the user's browser uses them.
    const std::wstring agent = userAgent_.empty() ? widen(SORVANE_USER_AGENT) : userAgent_;
    InternetHandle session(InternetOpenW(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return lastError();
    DWORD connectTimeout = connectTimeoutMs_;
    DWORD receiveTimeout = receiveTimeoutMs_;
    // Failing to set a time-out leaves WinINet's own; the fetch still works.
    InternetSetOptionW(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connectTimeout, sizeof(connectTimeout));

    // The request is opened in steps rather than with InternetOpenUrl, so that its receive
    // time-out is in force before it is sent: WinINet does not pass a session's receive
    // time-out on, and a server that never answers would hold the program for good.
    std::wstring wideUrl = widen(url);
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
    parts.dwSchemeLength = 1;
    if (!InternetCrackUrlW(wideUrl.c_str(), static_cast<DWORD>(wideUrl.size()), 0, &parts)) return lastError();
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring object(parts.lpszUrlPath, parts.dwUrlPathLength);
    object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (object.empty()) object = L"/";
    const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    InternetHandle connection(
        InternetConnectW(session.get(), host.c_str(), parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return lastError();
    // Anonymous: no cookie is sent or kept, no stored credential is offered, and no dialog
    // asks the user for one.
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                  INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTH | INTERNET_FLAG_NO_UI;
    if (secure) flags |= INTERNET_FLAG_SECURE;
    InternetHandle request(HttpOpenRequestW(connection.get(), L"GET", object.c_str(), nullptr, nullptr, nullptr, flags, 0));
    if (!request) return lastError();
    InternetSetOptionW(request.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connectTimeout, sizeof(connectTimeout));
    InternetSetOptionW(request.get(), INTERNET_OPTION_SEND_TIMEOUT, &receiveTimeout, sizeof(receiveTimeout));
    InternetSetOptionW(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &receiveTimeout, sizeof(receiveTimeout));
    if (!HttpSendRequestW(request.get(), nullptr, 0, nullptr, 0)) return lastError();

    DWORD status = 0;
    DWORD size = sizeof(status);
    if (HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) &&
        status >= 400) {
        // An error page is not the document asked for.
        return Status::failure(error::HttpStatusBase + status);
    }
    std::uint64_t contentLength = 0;
    wchar_t lengthText[32] = {};
    size = sizeof(lengthText);
    if (HttpQueryInfoW(request.get(), HTTP_QUERY_CONTENT_LENGTH, lengthText, &size, nullptr)) {
        contentLength = std::wcstoull(lengthText, nullptr, 10);
    }

    std::string buffer(chunkSize_, '\0');
    std::size_t received = 0;
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got)) return lastError();
        if (got == 0) {
            // WinINet ends a body at a closed connection without an error. The caller compares
            // what it received with the length each chunk carries; a body cut off before its
            // first byte brings no chunk to carry it, so that one is failed here.
            if (received == 0 && contentLength > 0) return Status::failure(error::ConnectionAborted);
            return Status::success();
        }
        received += got;
        if (received > limits::MaxHttpBody) return Status::failure(error::NotEnoughMemory);
        if (!onChunk(std::string_view(buffer.data(), got), contentLength)) return Status::failure(error::OperationAborted);
    }
}

// ---- restore points

struct Win32RestorePoints::Library {
    UniqueModule module;
    decltype(&SRSetRestorePointA) setRestorePoint = nullptr;
    bool loaded = false;
};

Win32RestorePoints::Win32RestorePoints() : library_(std::make_unique<Library>()) {}
Win32RestorePoints::~Win32RestorePoints() = default;

Win32RestorePoints::Library& Win32RestorePoints::library() {
    if (!library_->loaded) {
        library_->loaded = true;
        // From System32 only: never a planted copy beside the executable or in the current folder.
        library_->module.reset(LoadLibraryExW(L"srclient.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
        if (library_->module) {
            library_->setRestorePoint = reinterpret_cast<decltype(&SRSetRestorePointA)>(
                reinterpret_cast<void*>(GetProcAddress(library_->module.get(), "SRSetRestorePointA")));
        }
    }
    return *library_;
}

namespace {

// The Group Policy "Turn off System Restore": every restore point request fails while it is set,
// so none is promised.
bool turnedOffByPolicy() {
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LSTATUS read = RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\Policies\\Microsoft\\Windows NT\\SystemRestore",
                                      L"DisableSR", RRF_RT_REG_DWORD, nullptr, &value, &size);
    return read == ERROR_SUCCESS && value != 0;
}

}  // namespace

bool Win32RestorePoints::supported() { return library().setRestorePoint != nullptr && !turnedOffByPolicy(); }

namespace {

Status callService(decltype(&SRSetRestorePointA) call, DWORD event, DWORD type, std::int64_t sequence,
                   std::string_view description, std::int64_t& resultSequence) {
    RESTOREPOINTINFOA info{};
    info.dwEventType = event;
    info.dwRestorePtType = type;
    info.llSequenceNumber = sequence;
    const std::size_t length = std::min(description.size(), sizeof(info.szDescription) - 1);
    std::memcpy(info.szDescription, description.data(), length);
    STATEMGRSTATUS status{};
    status.nStatus = ERROR_INTERNAL_ERROR;
    // A point exists only when the call says so and its status agrees.
    const BOOL called = call(&info, &status);
    if (!called || status.nStatus != ERROR_SUCCESS)
        return Status::failure(status.nStatus == ERROR_SUCCESS ? error::GenericFailure : status.nStatus);
    resultSequence = status.llSequenceNumber;
    return Status::success();
}

}  // namespace

Status Win32RestorePoints::begin(std::string_view description, std::int64_t& sequence) {
    sequence = 0;
    auto call = library().setRestorePoint;
    if (call == nullptr) return Status::failure(error::NotSupported);
    // The description is ANSI text for the A entry point.
    return callService(call, BEGIN_SYSTEM_CHANGE, RESTORE, 0, ansiFromUtf8(description), sequence);
}

Status Win32RestorePoints::end(std::int64_t sequence, bool cancel) {
    auto call = library().setRestorePoint;
    if (call == nullptr) return Status::failure(error::NotSupported);
    std::int64_t ignored = 0;
    return callService(call, END_SYSTEM_CHANGE, cancel ? CANCELLED_OPERATION : APPLICATION_INSTALL, sequence, {},
                       ignored);
}

// ---- clipboard

namespace {

class OpenClipboardScope {
public:
    OpenClipboardScope() : open_(OpenClipboard(nullptr) != FALSE) {}
    ~OpenClipboardScope() {
        if (open_) CloseClipboard();
    }
    OpenClipboardScope(const OpenClipboardScope&) = delete;
    OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
    bool open() const { return open_; }

private:
    bool open_;
};

}  // namespace

Status Win32Clipboard::setText(std::string_view text) {
    const std::wstring wide = widen(text);
    OpenClipboardScope clipboard;
    if (!clipboard.open()) return lastError();
    if (!EmptyClipboard()) return lastError();
    const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) return lastError();
    void* target = GlobalLock(memory);
    if (target == nullptr) {
        GlobalFree(memory);
        return lastError();
    }
    std::memcpy(target, wide.c_str(), bytes);
    GlobalUnlock(memory);
    if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
        const Status failed = lastError();
        GlobalFree(memory);  // still ours when the clipboard refused it
        return failed;
    }
    return Status::success();
}

std::string Win32Clipboard::text() {
    OpenClipboardScope clipboard;
    if (!clipboard.open()) return {};
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (data == nullptr) return {};
    const auto* chars = static_cast<const wchar_t*>(GlobalLock(data));
    if (chars == nullptr) return {};
    const std::size_t capacity = GlobalSize(data) / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < capacity && chars[length] != L'\0') ++length;
    std::string result = narrow(std::wstring_view(chars, length));
    GlobalUnlock(data);
    return result;
}

// ---- environment

std::string Win32Environment::applicationFolder() {
    const std::wstring path = modulePath();
    const auto cut = path.find_last_of(L'\\');
    return cut == std::wstring::npos ? std::string() : narrow(std::wstring_view(path).substr(0, cut));
}

std::string Win32Environment::executableBaseName() {
    std::wstring path = modulePath();
    const auto cut = path.find_last_of(L'\\');
    if (cut != std::wstring::npos) path.erase(0, cut + 1);
    const auto dot = path.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0) path.erase(dot);
    return narrow(path);
}

std::string Win32Environment::variable(std::string_view name) {
    const std::wstring wideName = widen(name);
    std::wstring value(256, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
        if (length == 0) return {};
        if (length < value.size()) {
            value.resize(length);
            return narrow(value);
        }
        value.assign(length, L'\0');
    }
    return {};
}

std::vector<std::string> Win32Environment::arguments() {
    std::vector<std::string> result;
    for (const auto& argument : CommandLineArguments()) result.push_back(narrow(argument));
    return result;
}

}  // namespace sorvane::platform::win32
