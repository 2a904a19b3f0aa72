#include "platform/ConsoleText.h"

#ifdef _WIN32
#include "text/Utf8.h"

#include <io.h>
#include <windows.h>

#include <algorithm>
#include <string>
#endif

namespace platform {

void WriteText(std::FILE* stream, std::string_view utf8)
{
#ifdef _WIN32
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        // What the stream still buffers goes first, in its order.
        std::fflush(stream);
        const std::wstring wide = text::WideFromUtf8(utf8);
        for (std::size_t done = 0; done < wide.size();) {
            // Older consoles refuse large writes.
            const DWORD chunk = DWORD(std::min<std::size_t>(wide.size() - done, 8192));
            DWORD written = 0;
            if (!WriteConsoleW(handle, wide.data() + done, chunk, &written, nullptr) || written == 0)
                break;
            done += written;
        }
        return;
    }
#endif
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

} // namespace platform
