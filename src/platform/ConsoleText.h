#pragma once
// Text the command-line tools write for a person or a script. A Windows console shows bytes in
// its own code page (852 or 437, not UTF-8), so UTF-8 "Žaga" would come out as "Å½aga": there the
// text goes to the console as UTF-16. A pipe or a file gets the UTF-8 bytes as they are, on every
// system, so that scripts read the same output everywhere.

#include <cstdio>
#include <string_view>

namespace platform {

// Writes the UTF-8 text to Stream: to a Windows console as UTF-16, anywhere else as its bytes.
void WriteText(std::FILE* stream, std::string_view utf8);

} // namespace platform
