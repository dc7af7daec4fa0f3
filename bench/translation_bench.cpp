// Time to apply a language from translation files of 1, 4 and 16 MiB (the largest the program
// reads), against the in-memory fakes: the file is read, decoded, its groups found, the chosen
// group's lines split and indexed, and the whole message table refreshed from them. The chosen
// language is the last group, so every byte before it is searched through.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "localization/branding.h"
#include "localization/language_switch.h"
#include "localization/messages.h"
#include "localization/translation_file.h"
#include "platform/limits.h"
#include "tests/fakes/fake_file_system.h"

namespace {

using namespace sorvane;
const std::string AppFolder = "C:\\Program Files\\Sorvane";

// One language group with every message of the table and filler captions, about 16 KiB.
std::string group(const std::string& name, const localization::Languages& defaults) {
    std::string text = "<LANGUAGE_GROUP xml:lang=\"xx\">\r\n\t<LANGUAGE_NAME>" + name +
                       "</LANGUAGE_NAME>\r\n\t<TRANSLATION_ITEMS>\r\n";
    for (const auto& entry : defaults.entries()) {
        if (!entry.used) break;
        text += "\t\t<" + entry.name + ">" + name + " \xC3\xA9 " + entry.text + "</" + entry.name + ">\r\n";
    }
    for (int n = 0; text.size() < 16 * 1024; ++n)
        text += "\t\t<FRMMAIN_LBLITEM" + std::to_string(n) + ">Caption " + std::to_string(n) + "</FRMMAIN_LBLITEM" +
                std::to_string(n) + ">\r\n";
    return text + "\t</TRANSLATION_ITEMS>\r\n</LANGUAGE_GROUP>\r\n";
}

void applyFromFileOf(benchmark::State& state) {
    const std::size_t target = static_cast<std::size_t>(state.range(0)) * 1024 * 1024;
    localization::Languages defaults;
    localization::LoadDefaultMessages(defaults);
    std::string file = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<XML_DIZ_INFO>\r\n";
    const std::string last = group("Chosen", defaults);
    for (int n = 0;; ++n) {
        std::string next = group("Language" + std::to_string(n), defaults);
        if (file.size() + next.size() + last.size() + 32 > std::min(target, limits::MaxTranslationFile)) break;
        file += next;
    }
    file += last + "</XML_DIZ_INFO>\r\n";

    fakes::FakeFileSystem files;
    files.addFile(AppFolder + "\\Localization.xml", file);
    localization::Branding branding;
    branding.ProgramName = "Sorvane";
    std::string current;
    for (auto _ : state) {
        localization::Languages catalogue;
        localization::LoadDefaultMessages(catalogue);
        localization::LanguageContext context{files, AppFolder, catalogue, branding, current};
        localization::ApplyLanguage(context, "Chosen");
        if (catalogue.getMessages("MSG_SURE").rfind("Chosen", 0) != 0) state.SkipWithError("the language was not applied");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(file.size()));
}
BENCHMARK(applyFromFileOf)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond);

}  // namespace
