// libFuzzer target over the compound file reader and property set decoder, and over a save of
// whatever could be read: any input must end in a result or a cfb::Error, never a crash, a hang
// or a sanitizer report.

#include "compound/BlockFile.h"
#include "compound/Cfb.h"
#include "compound/CustomPropertyCollection.h"
#include "compound/PropertySet.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::uint8_t> bytes(data, data + size);

    // The property set decoder alone, on the raw input.
    try {
        const cfb::PropertySetStream s = cfb::PropertySetStream::Parse(bytes);
        (void)s.Rebuild(s.user);
    } catch (const cfb::Error&) {
    }

    // The whole reader, then an edit and an in-place save in memory, then a second read.
    cfb::MemoryFile file(bytes);
    try {
        cfb::CustomPropertyCollection c(file);
        for (std::size_t i = 0; i < c.Count(); ++i)
            (void)c.Item(i);
        if (c.Count())
            c.Remove(0);
        c.AddText("Fuzz", "value");
        std::vector<std::string> expected;
        for (std::size_t i = 0; i < c.Count(); ++i)
            expected.push_back(c.Item(i).name + "=" + c.Item(i).value.text);
        c.Save();
        cfb::MemoryFile again(file.Bytes(), false);
        std::vector<std::string> got;
        try {
            cfb::CustomPropertyCollection reread(again);
            for (std::size_t i = 0; i < reread.Count(); ++i)
                got.push_back(reread.Item(i).name + "=" + reread.Item(i).value.text);
        } catch (const cfb::Error& e) {
            std::fprintf(stderr, "reread failed: %s\n", e.what());
            std::abort();
        }
        if (got != expected) {
            std::fprintf(stderr, "reread differs\n");
            std::abort();
        }
    } catch (const cfb::Error&) {
    }
    return 0;
}
