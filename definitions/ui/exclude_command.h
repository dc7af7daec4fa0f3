#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "definitions/exclusions.h"
#include "platform/shell.h"
#include "ui/controls.h"
#include "ui/host.h"

// The results screen's Exclude command and the View Exclusions menu item.
namespace sorvane::definitions {

// The catalogue's text for a message key (getMessages).
using MessageText = std::function<std::string(std::string_view key)>;

// The main window's lists and caption the Exclude command works on.
struct ExcludeTargets {
    ui::ListView& detail;    // lvwPicRemoveListOfSpywareFoundAndToBeRemoved
    ui::ListView& summary;   // lvwSpywareFound
    ui::ListView& files;     // lvwFilesToBeDeleted
    ui::ListView& registry;  // lvwRegistryToBeDeleted
    ui::ListView& cookies;   // lvwCookiesToDelete
    ui::Label& deletingCaption;  // lblDeletingCaption
};

// cmdExclude_Click: after the user confirms, excludes the location and the name of
// every ticked detail row and removes the ticked rows from every list.
void RunExcludeCommand(const ExcludeTargets& lists, ExclusionList& exclusions, ui::Host& host,
                       const MessageText& messages, std::string_view productName);

// View Exclusions: opens the exclusion file in Notepad, or says there is none yet.
void ViewExclusions(platform::FileSystem& fs, platform::Shell& shell, std::string_view applicationFolder,
                    ui::Host& host, const MessageText& messages);

// Removes every ticked row, looking again at the row that moves into a freed place.
void RemoveCheckedRows(ui::ListView& list);

}  // namespace sorvane::definitions
