#pragma once
// The current user's registry, where the system has one (Windows: HKEY_CURRENT_USER). Elsewhere
// HasUserRegistry() is false, reads find nothing and writes do nothing; the settings then keep
// these values in a file of their own. Key paths are separated by backslashes
// ("Software\KARDOLIN\Nastavitve"); texts are UTF-16.

#include <optional>
#include <string>

namespace platform {

bool HasUserRegistry();

// Opens `keyPath` without creating it and returns the string value `name`; nothing when the key or
// the value is missing or is not a string.
std::optional<std::u16string> ReadUserRegistryString(const std::u16string& keyPath, const std::u16string& name);

// Opens `keyPath`, creating what is missing, and writes `value` as the string value `name`. False when
// the key cannot be opened or created, or the value cannot be written.
bool WriteUserRegistryString(const std::u16string& keyPath, const std::u16string& name, const std::u16string& value);

// Removes `keyPath` with everything below it; true when it is gone (or was never there).
bool RemoveUserRegistryKey(const std::u16string& keyPath);

} // namespace platform
