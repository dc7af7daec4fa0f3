#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "scan/scan_session.h"
#include "ui/controls.h"

namespace sorvane::scan {

// The drive letters a sweep may choose: removable, ready fixed, network and CD-ROM drives.
std::vector<std::string> SweepableDrives(platform::FileSystem& files);
// One row per sweepable drive: the drive letter alone.
void FillDriveList(ui::ListView& drives, platform::FileSystem& files);
// True when the drive's volume information can be read.
bool DriveIsReady(platform::FileSystem& files, std::string_view root);

using SettingReader = std::function<std::string(std::string_view section, std::string_view key, std::string_view fallback)>;
using SettingWriter = std::function<void(std::string_view section, std::string_view key, std::string_view value)>;
// Ticks each row from the "Drives" settings; a drive never stored counts as ticked.
void LoadDriveTicks(ui::ListView& drives, const SettingReader& read);
// lvwHardDrives_ItemCheck: stores every row's tick under its letter.
void SaveDriveTicks(const ui::ListView& drives, const SettingWriter& write);
// The letters of the ticked rows.
std::vector<std::string> TickedDrives(const ui::ListView& drives);
// The sweepable drives the settings tick, as the window's list would show them ticked.
std::vector<std::string> StoredDriveTicks(platform::FileSystem& files, const SettingReader& read);

// True when the user chose the complete system scan.
bool CompleteScanChosen(ScanSession& session);
// The complete scan's sweep: walks each ticked ready drive and looks every file name up
// among the known files that were not at their usual place. The program's own quarantine
// folder is never entered.
void SweepDrives(ScanSession& session);

}  // namespace sorvane::scan
