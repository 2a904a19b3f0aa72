#pragma once
// The independent readers the tests compare the engine with: olefile (Debian's python3-olefile,
// run with /usr/bin/python3) with the section parser in tools/olereader.py, and libgsf's `gsf`.
// Both are Debian programs (on Windows those of the Debian host, under Wine): where they are
// missing `Missing()` says so, and the tests run their own checks and then skip the comparison
// with that message. Without Qt, so
// that the compound tests also build for Windows (IndependentReaders.h does the same with Qt for
// the tests of the properties layer).

#include "support/JsonValue.h"
#include "support/ProcessRun.h"
#include "text/NativePath.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace olecheck {

using testfiles::JsonValue;

// Why the independent readers cannot run on this system, or empty when they can. Asked once.
inline const std::string& Missing()
{
    static const std::string why = [] {
        std::string problems;
        const testfiles::ProcessRun python = testfiles::RunProcess("/usr/bin/python3", {"-c", "import olefile"});
        if (!python.Succeeded())
            problems = "/usr/bin/python3 with olefile (python3-olefile) is missing: " + python.Describe();
        const testfiles::ProcessRun gsf = testfiles::RunProcess("gsf", {"--version"});
        if (!gsf.Succeeded())
            problems += (problems.empty() ? "" : "; ") + std::string("gsf (libgsf-bin) is missing: ") + gsf.Describe();
        return problems.empty() ? problems : problems + " (scripts/install-deps.sh installs them)";
    }();
    return why;
}

struct OleView {
    bool ok = false;
    std::string error;
    int codePage = -1; // -1: no user-defined section or no code page in it
    std::string firstSection;
    std::vector<JsonValue> properties;            // {id, name, vt, value} in table order
    std::map<std::string, JsonValue> streams;     // path -> sha256
    std::string rootClsid;
    int sectorSize = 0;
    JsonValue metadata; // olefile's get_metadata(): {"title": ..., "company": ...}
};

// Runs olefile on the file; call only when `Missing()` is empty.
inline OleView ReadWithOlefile(const std::filesystem::path& path)
{
    OleView v;
    // UTF-8 on Windows, the name's bytes elsewhere.
    const std::string name = text::NativeBytesFromUtf16(text::Utf16FromPath(path));
    const testfiles::ProcessRun run
        = testfiles::RunProcess("/usr/bin/python3", {KRDL_SOURCE_DIR "/tests/compound/tools/olereader.py", name});
    if (!run.Succeeded()) {
        v.error = run.Describe();
        return v;
    }
    const std::optional<JsonValue> parsed = JsonValue::Parse(run.out);
    if (!parsed || parsed->kind() != JsonValue::Kind::Object || parsed->members().empty()) {
        v.error = "olereader.py printed no JSON object: " + run.out;
        return v;
    }
    const JsonValue& o = *parsed;
    v.ok = true;
    v.codePage = o["codepage"].isNull() ? -1 : o["codepage"].toInt();
    v.firstSection = o["first_section"].toString();
    v.properties = o["properties"].items();
    v.streams = o["streams"].members();
    v.rootClsid = o["root_clsid"].toString();
    v.sectorSize = o["sector_size"].toInt();
    v.metadata = o["metadata"];
    return v;
}

// Names of the properties olefile found, in table order.
inline std::vector<std::string> OleNames(const OleView& v)
{
    std::vector<std::string> names;
    for (const JsonValue& p : v.properties)
        names.push_back(p["name"].toString());
    return names;
}

inline const JsonValue& OleProperty(const OleView& v, const std::string& name)
{
    static const JsonValue none;
    for (const JsonValue& p : v.properties)
        if (p["name"].toString() == name)
            return p;
    return none;
}

// Runs `gsf ARGS...`; its standard output, or nothing when it failed.
inline std::optional<std::string> Gsf(const std::vector<std::string>& args)
{
    const testfiles::ProcessRun run = testfiles::RunProcess("gsf", args);
    if (!run.Succeeded())
        return std::nullopt;
    return run.out;
}

// The user-defined property names `gsf listprops` reports (its own names, with a colon, left
// out), sorted.
inline std::vector<std::string> GsfCustomNames(const std::filesystem::path& path)
{
    std::vector<std::string> names;
    std::istringstream out(Gsf({"listprops", path.string()}).value_or(""));
    for (std::string line; std::getline(out, line);)
        if (!line.empty() && line.find(':') == std::string::npos)
            names.push_back(line);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace olecheck
