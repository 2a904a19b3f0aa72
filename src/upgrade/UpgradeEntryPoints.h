#pragma once
// The entry points an upgrade library may export, each optional and looked up by name. They have
// C linkage and the platform's default C calling convention. Texts are zero-terminated UTF-8 with
// native separators in paths; a text the library returns must stay valid until the next call
// into the library or until it is unloaded, and a null pointer counts as empty text.

#include <cstdint>

extern "C" {

// "Init": told the library's own full path, before anything else.
using UpgradeInitFunction = void (*)(const char* libraryPath);

// "InternetUpgrade": true lets the program ask for the last version with the CheckNewVer days;
// false (or a library without it) makes the program ask for a check now.
using UpgradeInternetUpgradeFunction = bool (*)();

// "GetLastVersion": the newest version there is, "//ERROR//", "//CHECKDAY//" or empty. Days is 1
// with CheckNow true when the program asks for a check now, else the CheckNewVer days with
// CheckNow false.
using UpgradeGetLastVersionFunction = const char* (*)(const char* executablePath, std::int32_t days,
                                                      bool checkNow);

// "ExecuteUpgrade": replace the program with the newer version; the program ends right after.
// Reserved is always 0.
using UpgradeExecuteUpgradeFunction = void (*)(std::int32_t reserved, const char* argumentText);

} // extern "C"
