#include "tests/fuzz/company_name_target.h"

#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/limits.h"
#include "scan/company_name.h"
#include "tests/fakes/fake_file_system.h"

namespace sorvane::fuzz {
namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

void FuzzCompanyName(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    fakes::FakeFileSystem files;
    files.addFile("C:\\x.exe", bytes);

    const std::string whole = scan::CompanyNameOf(files, "C:\\x.exe");
    require(whole.find('\0') == std::string::npos);
    require(whole.size() <= limits::MaxVersionResource);
    (void)scan::IsMicrosoftCompany(whole);
    // A key or value across the border of two reads is found as in one read; the window
    // size comes from the input so that the borders fall everywhere.
    const std::size_t window = 1 + (size == 0 ? 0 : data[0] % 97);
    require(scan::CompanyNameOf(files, "C:\\x.exe", window) == whole);
}

}  // namespace sorvane::fuzz
