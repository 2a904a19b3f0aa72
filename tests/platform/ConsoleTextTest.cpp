// Text of the command-line tools: UTF-8 bytes into pipes and files, the characters themselves on a
// Windows console.
#include "platform/ConsoleText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

TEST(ConsoleText, FileGetsTheUtf8Bytes)
{
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fputs("1/2 ", file); // buffered text stays before what follows
    platform::WriteText(file, "Načrt \xC5\xBD" "aga\n");
    std::rewind(file);
    char buffer[64] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
    std::fclose(file);
    EXPECT_EQ(std::string(buffer, n), "1/2 Načrt Žaga\n");
}

#ifdef _WIN32
TEST(ConsoleText, ConsoleShowsTheCharacters)
{
    const bool own = AllocConsole() != 0;
    const HANDLE out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        GTEST_SKIP() << "no console to write to (" << GetLastError() << "): Wine gives a program started without one none";
    CONSOLE_SCREEN_BUFFER_INFO before{};
    if (!GetConsoleScreenBufferInfo(out, &before)) {
        CloseHandle(out);
        GTEST_SKIP() << "the console has no screen buffer to read back (Wine without a console window)";
    }
    std::FILE* stream = _fdopen(_open_osfhandle(reinterpret_cast<intptr_t>(out), _O_WRONLY), "w");
    ASSERT_NE(stream, nullptr);
    platform::WriteText(stream, "Načrt Žaga");
    wchar_t shown[16] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadConsoleOutputCharacterW(out, shown, 10, before.dwCursorPosition, &read));
    std::fclose(stream);
    if (own)
        FreeConsole();
    EXPECT_EQ(std::wstring(shown, read), L"Načrt Žaga");
}
#endif
