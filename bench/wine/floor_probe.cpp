// The floor a scan is measured against: nothing but one existence test per line, with the
// plain system calls, over the paths a generated definition set names. Each input line is
//   K <TAB> hive code <TAB> key             a key, opened with the scan's rights
//   V <TAB> hive code <TAB> key <TAB> value  a value of a key opened with those rights
//   F <TAB> path                             a file, one directory lookup
//   D <TAB> path                             a folder, one directory lookup
// Prints "lines N found M seconds S" (the loop alone, without start-up and reading).
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

HKEY hiveOf(int code) {
    switch (code) {
    case 0: return HKEY_CLASSES_ROOT;
    case 1: return HKEY_CURRENT_USER;
    case 2: return HKEY_LOCAL_MACHINE;
    case 3: return HKEY_USERS;
    case 4: return HKEY_CURRENT_CONFIG;
    default: return HKEY_DYN_DATA;
    }
}

struct Test {
    char kind = 0;
    HKEY hive = nullptr;
    std::string path;
    std::string value;
};

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const auto tab = line.find('\t', start);
        out.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return out;
        start = tab + 1;
    }
}

bool exists(const Test& test) {
    switch (test.kind) {
    case 'K': {
        HKEY key = nullptr;
        if (RegOpenKeyExA(test.hive, test.path.c_str(), 0, 0x3F, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }
    case 'V': {
        HKEY key = nullptr;
        if (RegOpenKeyExA(test.hive, test.path.c_str(), 0, 0x3F, &key) != ERROR_SUCCESS) return false;
        DWORD type = 0;
        DWORD size = 0;
        const bool found = RegQueryValueExA(key, test.value.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
        RegCloseKey(key);
        return found;
    }
    default: {
        WIN32_FIND_DATAA data{};
        HANDLE find = FindFirstFileA(test.path.c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return false;
        FindClose(find);
        return true;
    }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: floor_probe TESTS.txt\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "floor_probe: cannot read %s\n", argv[1]);
        return 2;
    }
    std::vector<Test> tests;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto f = fields(line);
        if (f.size() < 2 || f[0].size() != 1) continue;
        Test test;
        test.kind = f[0][0];
        if (test.kind == 'K' || test.kind == 'V') {
            if (f.size() < 3) continue;
            test.hive = hiveOf(std::atoi(f[1].c_str()));
            test.path = f[2];
            if (test.kind == 'V') test.value = f.size() > 3 ? f[3] : std::string();
        } else {
            test.path = f[1];
        }
        tests.push_back(std::move(test));
    }
    LARGE_INTEGER frequency{}, start{}, end{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    std::size_t found = 0;
    for (const auto& test : tests) found += exists(test) ? 1 : 0;
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    std::printf("lines %zu found %zu seconds %.6f\n", tests.size(), found, seconds);
    return 0;
}
