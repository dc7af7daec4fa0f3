// The floor of a complete scan's sweep: a bare recursive listing of a folder tree with the
// cheapest listing call there is (basic information, large fetches), with nothing done per
// entry but counting it. Folders that are links are not entered, as the sweep enters none.
//   sweep_probe ROOT      (ROOT such as C:\)
// Prints "folders F files N seconds S" (the walk alone, without start-up).
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Counts {
    unsigned long long folders = 0, files = 0;
};

void walk(const std::wstring& folder, Counts& counts) {
    ++counts.folders;
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        // Nothing is copied for a file: the name is looked at where the call put it.
        const wchar_t* name = data.cFileName;
        if (std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0) continue;
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            ++counts.files;
        } else if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            walk(folder + name + L"\\", counts);
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: sweep_probe ROOT\n");
        return 2;
    }
    std::wstring root = argv[1];
    if (root.empty() || root.back() != L'\\') root += L'\\';
    LARGE_INTEGER frequency{}, start{}, end{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    Counts counts;
    walk(root, counts);
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    std::printf("folders %llu files %llu seconds %.6f\n", counts.folders, counts.files, seconds);
    return 0;
}
