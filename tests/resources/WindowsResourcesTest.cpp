// The program's Windows resources, linked into this test program the same way as into KRDL.exe:
// the icon, the version information and the manifest that allows long paths.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring VersionString(const std::vector<char>& block, const wchar_t* name)
{
    wchar_t* value = nullptr;
    UINT length = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
        return {};
    return std::wstring(value, length ? length - 1 : 0);
}

TEST(WindowsResources, IconVersionAndManifest)
{
    wchar_t exe[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, exe, MAX_PATH), 0u);
    const DWORD size = GetFileVersionInfoSizeW(exe, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(exe, 0, size, block.data()));
    EXPECT_EQ(VersionString(block, L"FileVersion"), L"2.204");
    EXPECT_EQ(VersionString(block, L"ProductName"), L"Velmar Solid Edge Utils");
    EXPECT_EQ(VersionString(block, L"OriginalFilename"), L"KRDL.exe");

    EXPECT_NE(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)), nullptr);

    HRSRC manifest = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(manifest, nullptr);
    const char* text = static_cast<const char*>(LockResource(LoadResource(nullptr, manifest)));
    const std::string xml(text, SizeofResource(nullptr, manifest));
    EXPECT_NE(xml.find("<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true</longPathAware>"),
              std::string::npos);
    EXPECT_NE(xml.find("<description>Velmar Solid Edge Utils</description>"), std::string::npos);
}

} // namespace
