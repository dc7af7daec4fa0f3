#include "localization/messages.h"

#include <optional>

#include "localization/translation_file.h"
#include "platform/limits.h"
#include "platform/text.h"

namespace sorvane::localization {

void Languages::setMessage(std::string_view name, std::string_view message) {
    for (auto& entry : entries_) {
        if (entry.used) continue;
        entry.used = true;
        entry.name = std::string(name);
        entry.text = std::string(message);
        return;
    }
}

std::string Languages::getMessages(std::string_view name) const {
    // The key test comes before the free test, and the used slots form one run from the start.
    for (const auto& entry : entries_) {
        if (text::equalsNoCase(entry.name, name)) return upperFirst(entry.text);
        if (!entry.used) return {};
    }
    return {};
}

void Languages::replaceText(std::size_t index, std::string text) {
    if (index < entries_.size() && entries_[index].used) entries_[index].text = std::move(text);
}

namespace {
// The key an item line carries: what lies after the first "<" of the part before the first ">".
// Lines whose part before ">" is two characters or fewer carry none.
std::optional<std::string_view> lineKey(std::string_view line) {
    const std::string_view head = line.substr(0, line.find('>'));
    if (head.size() <= 2) return std::nullopt;
    const std::size_t open = head.find('<');
    return open == std::string_view::npos ? head : head.substr(open + 1);
}

// The text between the key's tags, found without regard to case from the start of the line.
std::string textBetweenTags(std::string_view line, std::string_view key) {
    const std::string openTag = "<" + std::string(key) + ">";
    const std::string closeTag = "</" + std::string(key) + ">";
    const std::size_t start = text::findNoCase(line, openTag);
    if (start == std::string_view::npos) return {};
    const std::size_t end = text::findNoCase(line, closeTag);
    const std::size_t from = start + openTag.size();
    if (end == std::string_view::npos || end <= from) return {};
    return std::string(line.substr(from, end - from));
}
}  // namespace

void Languages::setTranslationLines(std::vector<std::string> lines) {
    translationLines_ = std::move(lines);
    translationLoaded_ = true;
    lineOfKey_.clear();
    lineOfKey_.reserve(translationLines_.size());
    for (std::size_t n = 0; n < translationLines_.size(); ++n)
        if (const auto key = lineKey(translationLines_[n])) lineOfKey_.emplace(text::toLower(*key), n);
}

std::string ItemText(std::string_view line, std::string_view key) {
    const auto found = lineKey(line);
    if (!found || !text::equalsNoCase(*found, key)) return {};
    return textBetweenTags(line, key);
}

std::string Languages::getTranslation(std::string_view key, const Branding& branding) const {
    const auto found = lineOfKey_.find(text::toLower(key));
    if (found == lineOfKey_.end()) return {};
    // The first line with the key decides, even when its text is empty or malformed.
    const std::string item = textBetweenTags(translationLines_[found->second], key);
    if (item.empty()) return {};
    return CutText(upperFirst(FillPlaceholders(item, branding)), limits::MaxCaptionText);
}

void Languages::refreshMessages(const Branding& branding) {
    for (auto& entry : entries_) {
        if (!entry.used) break;
        std::string translated = getTranslation(entry.name, branding);
        if (!translated.empty()) entry.text = std::move(translated);
    }
}

namespace {
// The first character may be a two-byte UTF-8 Latin-1 letter; fold exactly that character.
std::string foldFirst(std::string_view text, bool upper) {
    if (text.empty()) return {};
    std::size_t length = 1;
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead >= 0xC0 && lead < 0xE0 && text.size() >= 2) length = 2;
    const std::string_view first = text.substr(0, length);
    return (upper ? text::toUpper(first) : text::toLower(first)) + std::string(text.substr(length));
}
}  // namespace

std::string upperFirst(std::string_view text) { return foldFirst(text, true); }
std::string lowerFirst(std::string_view text) { return foldFirst(text, false); }

void LoadDefaultMessages(Languages& catalogue) {
    static constexpr std::pair<std::string_view, std::string_view> defaults[] = {
        {"MSG_THANK1", "Thank you for using [ProgramName]!"},
        {"MSG_THANK2",
         "Because this is the first time you have used [ProgramName] we recommend running Live Update now to "
         "download the most recent adware and spyware definitions."},
        {"MSG_THANK3", "Would you like to run Live Update now?"},
        {"MSG_THANK4", "Update Now?"},
        {"MSG_MISSING", "Definition files are missing or they have been corrupted. Please run Live Update."},
        {"MSG_PAUSED", "[ProgramName] has been paused.  Click OK to resume."},
        {"MSG_SURE", "Are you sure?"},
        {"MSG_EXCLUDE1", "No exclusion file exists yet."},
        {"MSG_EXCLUDE2", "No Exclusion File"},
        {"MSG_INTERNET", "Definitions could not be downloaded. Please check your internet connection."},
        {"MSG_ANON1", "By sending anonymous data you can help us identify new spyware more quickly."},
        {"MSG_ANON2",
         "No personal information is collected, the only information sent is executable names that are currently "
         "loaded into memory."},
        {"MSG_ANON3", "Do you really want to turn off anonymous data collection?"},
        {"MSG_ANON4", "Really turn off anonymous data collection?"},
        {"MSG_SORRY", "Sorry, there are no entries to be excluded."},
        {"MSG_SORRY2", "Sorry, there are no entries to be deleted."},
        {"MSG_EXC_SURE1", "Are you sure you want to exclude the selected files?"},
        {"MSG_EXC_SURE2", "Excluded files will not show up as Adware/Spyware on future scans."},
        {"MSG_EXC_SURE3", "You can edit the list of excluded files through the Quarantine menu."},
        {"MSG_EXC_SURE4", "Really Exclude?"},
        {"MSG_DATE", "Please select the date that you want to scan."},
        {"MSG_STOP", "Are you sure you want to stop the scan?"},
        {"MSG_SELECTED", "No entries are selected.  You must check the box next to at least one item in the list."},
        {"MSG_CONFIRM1", "Are you sure you want to delete the selected files?"},
        {"MSG_CONFIRM2",
         "Deleted files will be backed up in the following folder in case you need to recover them:"},
        {"MSG_CONFIRM3",
         "In addition, a System Restore Point will be created using Windows System Restore, accessible through:"},
        {"MSG_CONFIRM4", "Start > Programs > Accessories > System Tools > System Restore"},
        {"MSG_ERROR_STOPPED",
         "could not be stopped.  You should try again after saving your work and closing any open applications."},
        {"MSG_FOUND1", "[ProgramName] has found ["},
        {"MSG_FOUND2", "] using you system memory. Click YES to stop ["},
        {"MSG_FOUND3", "] from using your system memory. Otherwise click No."},
        {"MSG_CLOSING",
         "Closing [ProgramName] may leave your system vulnerable to malicious programs. Are you sure you want to "
         "exit?"},
        {"MSG_REALLY", "Really Delete?"},
        {"MSG_REMOVING", "Removing : 0% Completed."},
        {"MSG_REMOVING2", "Removing"},
        {"MSG_COMPLETED", "Completed."},
        {"MSG_MISSINGFILES", "Files Missing, Run Live Update"},
        {"MSG_NOCOMPANY", "No Company name available for"},
        {"MSG_DOWNLOADING", "Connecting to server/downloading....."},
        {"MSG_CONNECTING", "Connecting to server....."},
        {"MSG_CHECKING", "Checking for Definitions....."},
        {"MSG_CONNECTING2", "Connecting to the Server."},
        {"MSG_SENDING", "Sending and receiving data, please wait."},
        {"MSG_SENT", "Successfully sent the request."},
        {"MSG_RECEIVING", "Receiving a response from the Server."},
        {"MSG_SCAN_CANCELLED", "Scanning was cancelled."},
        {"MSG_SCAN_COMPLETED", "Scanning complete."},
        {"MSG_RESULTS", "Results:"},
        {"MSG_RESULTS_THANK", "submitted.  Thank you!"},
        {"MSG_PROBLEM", "There was a problem submitting"},
        {"MSG_PROBLEM2", "Please make sure you are connected to the internet, or try again later."},
        {"MSG_UPDATED_DEFS", "Your [ProgramName] definitions have been updated!"},
        {"MSG_RECENT_DEFS", "You are using the most recent [ProgramName] definitions."},
        {"MSG_WEBSITE", "Visit [Website]"},
        {"MSG_CAPTION", "[ProgramName] by [Company]"},
        {"MSG_CAPTION2", "Welcome to [ProgramName]"},
        {"MSG_COOKIES", "Inspecting Cookies"},
        {"MSG_COOKIES_FINISHED", "Finished Inpecting Cookies"},
        {"MSG_MEMORY", "Inspecting memory"},
        {"MSG_NOTSELECED", "Not Selected"},
        {"MSG_REGISTRY", "Scanning registry"},
        {"MSG_SPYWARE", "Scanning known Spyware/Adware"},
        {"MSG_INFORMATION", "Gathering information..."},
        {"MSG_RESTOREPOINT", "Creating Restore Point..."},
        {"MSG_COMPLETE", "complete"},
        // Looked up by the language window, which has no other text for its title and its notice.
        {"MSG_TITLELANGUAGE", "Language Selection"},
        {"MSG_DOWNLOADED", "The newest language file has been downloaded."},
        // Texts the program composes at run time, so that they follow the chosen language too.
        {"MSG_DETECTED_MEMORY", "Detected in the memory :"},
        {"MSG_STOPPED_RUNNING", "was stopped from running."},
        {"MSG_STOPPED_RUNNING9X", "and was stopped being from ruuning."},
        {"MSG_STATUS_CAPTION", "[ProgramName] Status"},
        {"MSG_LAST_UPDATED", "Signatures Last Updated On"},
        {"MSG_TIME_ZONE", "PST"},
        {"MSG_GETTING_DEFS", "Getting latest definitions."},
        {"MSG_AUTO_UPDATED",
         "All [ProgramName] signatures have been updated automatically.  You are now protected from new malicious "
         "applications."},
        // Shown by the update when the files could not be replaced here; the file and the cause follow.
        {"MSG_UPDATE_LOCAL", "The definition files on this computer could not be updated:"},
        {"MSG_ANON_NOTICE",
         "To help identify new spyware, [ProgramName] sends [CompanyName] the names of the programs running on this "
         "computer, such as \"notepad.exe\": never their folders, your files or anything about you. You can turn "
         "this off under Settings: \"Send anonymous data to help identify unknown spyware\"."},
        // A trace this account may find but not remove.
        {"MSG_NEEDS_ADMIN", "Needs an administrator to remove"},
        // Why a file could not be written, copied or deleted.
        {"MSG_ERR_DENIED", "Access denied"},
        {"MSG_ERR_IN_USE", "In use by another program"},
        {"MSG_ERR_DISK_FULL", "The disk is full"},
        // What could not be saved; the file and the cause follow.
        {"MSG_EXCLUSION_UNSAVED", "The exclusion could not be saved, so it holds only until [ProgramName] closes:"},
        {"MSG_REPORT_UNSAVED", "The scan report could not be saved:"},
        {"MSG_LANGUAGE_UNSAVED", "The language file could not be saved:"},
    };
    static_assert(std::size(defaults) == 84);
    for (const auto& [name, message] : defaults) catalogue.setMessage(name, message);
    // What the shields and the scheduler tell about themselves: the schedule page's refusal,
    // the Status page, the tray icon's tip and its balloons, and the memory alert.
    static constexpr std::pair<std::string_view, std::string_view> protectionTexts[] = {
        {"MSG_SCHEDULE_TIME", "Please select the time of day that you want to scan."},
        {"MSG_SHIELD_MEMORY", "Memory Shield:"},
        {"MSG_SHIELD_HOMEPAGE", "Home Page Shield:"},
        {"MSG_SHIELD_ON", "On"},
        {"MSG_SHIELD_OFF", "Off"},
        {"MSG_NEXT_SCAN", "Next scheduled scan:"},
        {"MSG_NEXT_SCAN_NONE", "None"},
        {"MSG_SCHEDULE_OFF", "Scheduled scans are off."},
        {"MSG_TIP_PROTECTED", "[ProgramName] - protection is on"},
        {"MSG_TIP_PARTLY", "[ProgramName] - protection is partly on"},
        {"MSG_TIP_UNPROTECTED", "[ProgramName] - protection is off"},
        {"MSG_BALLOON_SCAN", "The scheduled scan has finished. Items found:"},
        {"MSG_BALLOON_REMOVED", "Items removed automatically:"},
        {"MSG_BALLOON_HOMEPAGE", "Your home page was changed. It has been restored to:"},
        {"MSG_ALERT_PATH", "Path:"},
    };
    for (const auto& [name, message] : protectionTexts) catalogue.setMessage(name, message);
    // The quarantine window's own texts, and the Status page's value for a scan that never ran.
    static constexpr std::pair<std::string_view, std::string_view> quarantineTexts[] = {
        {"MSG_NEVER", "Never"},
        {"MSG_QUAR_UNREADABLE", "The quarantine index cannot be read:"},
        {"MSG_QUAR_NONE_CHECKED", "No entries are checked."},
        {"MSG_QUAR_RESTORED", "Items put back where they were:"},
        {"MSG_QUAR_DELETED", "Items deleted from the quarantine:"},
        {"MSG_QUAR_DELETE_SURE1", "Checked items to delete from the quarantine for good:"},
        {"MSG_QUAR_DELETE_SURE2", "They cannot be restored afterwards.  Delete them?"},
        {"MSG_QUAR_GONE", "No longer in the quarantine:"},
        {"MSG_KIND_FILE", "File"},
        {"MSG_KIND_FOLDER", "Folder"},
        {"MSG_KIND_COOKIE", "Cookie"},
        {"MSG_KIND_LINK", "Link"},
        {"MSG_KIND_VALUE", "Registry value"},
        {"MSG_KIND_KEY", "Registry key"},
        {"MSG_KIND_COOKIE_ROWS", "Browser cookies"},
    };
    for (const auto& [name, message] : quarantineTexts) catalogue.setMessage(name, message);
    // Then what the cookie phase says about the browsers' own cookie stores.
    catalogue.setMessage("MSG_COOKIES_IN_USE", "Close [Browser] to check its cookies");
    // Why an update or a language file was refused (nothing was changed), and the rollback's outcome.
    static constexpr std::pair<std::string_view, std::string_view> signedTexts[] = {
        {"MSG_SIGNED_MISSING",
         "The update was refused: the server sent no signed statement for it, so it cannot be trusted. Your "
         "definitions were not changed."},
        {"MSG_SIGNED_CHANGED",
         "The update was refused: it is not what [CompanyName] signed, it was changed on its way. Your definitions "
         "were not changed."},
        {"MSG_SIGNED_OTHER_START",
         "The update was refused: it was signed for definitions of another date than yours. Your definitions were "
         "not changed."},
        {"MSG_SIGNED_NOT_NEWER",
         "The update was refused: it would not bring definitions newer than yours (an older update sent again). "
         "Your definitions were not changed."},
        {"MSG_SIGNED_EXPIRED",
         "[ProgramName] cannot confirm that your definitions are current: the server's signed statement has "
         "expired, and newer definitions may be held back from you. Your definitions were not changed."},
        {"MSG_LANGUAGE_REFUSED",
         "The language file was refused: it is not what [CompanyName] signed. Your language file was not changed."},
        {"MSG_ROLLED_BACK", "Your [ProgramName] definitions have been rolled back to the ones before the last update."},
        {"MSG_ROLLBACK_NONE", "There are no earlier [ProgramName] definitions to roll back to."},
    };
    for (const auto& [name, message] : signedTexts) catalogue.setMessage(name, message);
    // Then the home-page shield's name for a browser policy it asks about.
    catalogue.setMessage("MSG_HOMEPAGE_POLICY", "Browser policy:");
    // Then what became of the restore point a removal asked for.
    static constexpr std::pair<std::string_view, std::string_view> restorePointTexts[] = {
        {"MSG_RESTORE_MADE", "A System Restore point was made before the removal."},
        {"MSG_RESTORE_REUSED",
         "Windows made no new System Restore point because one was made recently; it reused that point. Restoring "
         "it also undoes every other change made since then."},
        {"MSG_RESTORE_NOT_MADE",
         "No System Restore point was made (System Restore is turned off or not available). The removed items can "
         "still be put back from the quarantine."},
    };
    for (const auto& [name, message] : restorePointTexts) catalogue.setMessage(name, message);
    // Then why the start at logon could not be changed.
    catalogue.setMessage("MSG_STARTUP_UNSAVED", "Whether [ProgramName] starts when you log on could not be changed:");
    catalogue.setMessage("MSG_ERR_SCHEDULER_OFF", "The Task Scheduler service is not running");
    // Then why a genuine but older language file was refused.
    catalogue.setMessage("MSG_LANGUAGE_OLDER",
                         "The language file was refused: it is older than the one you have (an older file sent again). "
                         "Your language file was not changed.");
}

}  // namespace sorvane::localization
