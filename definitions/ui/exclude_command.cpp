#include "definitions/ui/exclude_command.h"

#include "definitions/definition_files.h"
#include "platform/text.h"
#include "platform/trace.h"

namespace sorvane::definitions {

void RemoveCheckedRows(ui::ListView& list) {
    for (std::size_t row = 0; row < list.count();) {
        if (list.item(row).checked)
            list.remove(row);
        else
            ++row;
    }
}

void RunExcludeCommand(const ExcludeTargets& lists, ExclusionList& exclusions, ui::Host& host,
                       const MessageText& messages, std::string_view productName) {
    if (lists.detail.empty() && lists.registry.empty() && lists.summary.empty()) {
        host.messageBox(messages("MSG_SORRY"), productName, ui::mb::Information);
        return;
    }
    const auto question = messages("MSG_EXC_SURE1") + "\r\n\r\n" + messages("MSG_EXC_SURE2") + "\r\n\r\n" +
                          messages("MSG_EXC_SURE3");
    if (host.messageBox(question, messages("MSG_EXC_SURE4"), ui::mb::YesNo) != ui::Answer::Yes) return;

    platform::Status saved;
    for (const auto& row : lists.detail.items()) {
        if (!row.checked) continue;
        for (const auto& entry : {row.subItem(1), text::replaceAll(row.text, "Cookie: ", "")})
            if (auto s = exclusions.AddExclusion(entry); !s.ok() && saved.ok()) saved = s;
    }
    if (!saved.ok()) (void)host.messageBox(exclusions.UnsavedText(saved, messages), productName, ui::mb::Exclamation);
    RemoveCheckedRows(lists.files);
    RemoveCheckedRows(lists.registry);
    RemoveCheckedRows(lists.summary);
    RemoveCheckedRows(lists.cookies);
    lists.deletingCaption.setCaption("");
    RemoveCheckedRows(lists.detail);
}

void ViewExclusions(platform::FileSystem& fs, platform::Shell& shell, std::string_view applicationFolder,
                    ui::Host& host, const MessageText& messages) {
    const auto path = platform::JoinPath(applicationFolder, ExclusionFile);
    if (const auto entry = fs.lookup(path); entry && !entry->isFolder()) {
        platform::TraceFailure(shell.start("notepad " + path, platform::ShowWindow::Normal), "showing the exclusions");
        return;
    }
    host.messageBox(messages("MSG_EXCLUDE1"), messages("MSG_EXCLUDE2"), ui::mb::OkOnly);
}

}  // namespace sorvane::definitions
