#include "platform/win32/win32_logon_tasks.h"

#include <windows.h>

#include <taskschd.h>
#include <wrl/client.h>

#include <vector>

#include "platform/win32/com.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace sorvane::platform::win32 {

namespace {

using Microsoft::WRL::ComPtr;

// A Win32 error carried in an HRESULT becomes that error; a system without the Task
// Scheduler 2.0 has no such class; any other HRESULT is kept whole (the scheduler's own).
Status failed(HRESULT result) {
    if (result == REGDB_E_CLASSNOTREG) return Status::failure(error::NotSupported);
    if (HRESULT_FACILITY(result) == FACILITY_WIN32) return Status::failure(static_cast<std::uint32_t>(HRESULT_CODE(result)));
    return Status::failure(static_cast<std::uint32_t>(result));
}

// The scheduler's root folder, connected as this process's user.
class RootFolder {
public:
    RootFolder() {
        if (!com_.usable()) {
            status_ = Status::failure(error::NotSupported);
            return;
        }
        ComPtr<ITaskService> service;
        HRESULT result = CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                          reinterpret_cast<void**>(service.GetAddressOf()));
        if (SUCCEEDED(result)) {
            Variant none;
            result = service->Connect(*none.get(), *none.get(), *none.get(), *none.get());
        }
        if (SUCCEEDED(result)) {
            const Bstr root(L"\\");
            result = service->GetFolder(root.get(), folder_.GetAddressOf());
        }
        if (FAILED(result)) status_ = failed(result);
    }
    const Status& status() const { return status_; }
    ITaskFolder* operator->() const { return folder_.Get(); }

private:
    ComScope com_;
    ComPtr<ITaskFolder> folder_;
    Status status_;
};

}  // namespace

std::string Win32LogonTasks::currentUser() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
    const UniqueHandle token(raw);
    DWORD size = 0;
    (void)GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    if (size == 0) return {};
    std::vector<unsigned char> buffer(size);
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
    PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    wchar_t name[512];
    wchar_t domain[512];
    DWORD nameSize = 512;
    DWORD domainSize = 512;
    SID_NAME_USE use;
    if (!LookupAccountSidW(nullptr, sid, name, &nameSize, domain, &domainSize, &use)) return {};
    return domainSize == 0 ? narrow(name) : narrow(domain) + "\\" + narrow(name);
}

Status Win32LogonTasks::registerTask(const LogonTask& task) {
    const RootFolder folder;
    if (!folder.status().ok()) return folder.status();
    const Bstr name(widen(task.name).c_str());
    const Bstr xml(widen(LogonTaskXml(task)).c_str());
    // The user and the logon type come from the definition's principal: none passed here.
    Variant none;
    ComPtr<IRegisteredTask> registered;
    const HRESULT result = folder->RegisterTask(name.get(), xml.get(), TASK_CREATE_OR_UPDATE, *none.get(), *none.get(),
                                                TASK_LOGON_INTERACTIVE_TOKEN, *none.get(), registered.GetAddressOf());
    return FAILED(result) ? failed(result) : Status::success();
}

Status Win32LogonTasks::deleteTask(std::string_view name) {
    const RootFolder folder;
    if (!folder.status().ok()) return folder.status();
    const Bstr taskName(widen(name).c_str());
    const HRESULT result = folder->DeleteTask(taskName.get(), 0);
    return FAILED(result) ? failed(result) : Status::success();
}

Status Win32LogonTasks::storedDefinition(std::string_view name, std::string& xml) {
    xml.clear();
    const RootFolder folder;
    if (!folder.status().ok()) return folder.status();
    const Bstr taskName(widen(name).c_str());
    ComPtr<IRegisteredTask> task;
    HRESULT result = folder->GetTask(taskName.get(), task.GetAddressOf());
    Bstr text;
    if (SUCCEEDED(result)) result = task->get_Xml(text.out());
    if (FAILED(result)) return failed(result);
    if (text.get() != nullptr) xml = narrow(text.get());
    return Status::success();
}

Status Win32LogonTasks::taskNames(std::vector<std::string>& names) {
    names.clear();
    const RootFolder folder;
    if (!folder.status().ok()) return folder.status();
    ComPtr<IRegisteredTaskCollection> tasks;
    HRESULT result = folder->GetTasks(TASK_ENUM_HIDDEN, tasks.GetAddressOf());
    LONG count = 0;
    if (SUCCEEDED(result)) result = tasks->get_Count(&count);
    if (FAILED(result)) return failed(result);
    for (LONG index = 1; index <= count; ++index) {  // the collection counts from 1
        Variant position;
        position.get()->vt = VT_I4;
        position.get()->lVal = index;
        ComPtr<IRegisteredTask> task;
        Bstr name;
        result = tasks->get_Item(*position.get(), task.GetAddressOf());
        if (SUCCEEDED(result)) result = task->get_Name(name.out());
        if (FAILED(result)) return failed(result);
        if (name.get() != nullptr) names.push_back(narrow(name.get()));
    }
    return Status::success();
}

}  // namespace sorvane::platform::win32
