#pragma once
// The check at start-up for a newer version: the program's INI file names an upgrade library
// ([SETTINGS] UpgradeProg), which is loaded for the length of one check, asked for the last
// version, and told to run the upgrade when that version is newer. Without a usable library the
// check does nothing.

#include <QString>

namespace upgrade {

inline constexpr char kMakerName[] = "Travenkalo";
// Registry key of the "CheckNewVer" days value, which only the upgrade library writes.
inline constexpr char kDaysKeyPath[] = "Software\\Travenkalo\\Nastavitve";
inline constexpr int kDefaultDays = 14;

struct UpgradeResult {
    // What GetLastVersion gave, or empty when it was not called.
    QString lastVersion;
    // ExecuteUpgrade was called: the newer version takes over and the program must end now.
    bool upgradeStarted = false;
};

// Runs the check for the program `programFileName`, whose INI file names the library. `force`
// asks the library for a check now whatever InternetUpgrade says. A library that another user
// could have put in place or could change is never loaded.
UpgradeResult UpgradeCheck(const QString& programFileName, bool force);

} // namespace upgrade
