// The profile file reader: any file reads without harm, and a write changes only what it names.
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "IniFiles.h"

namespace {

using Values = std::vector<std::pair<std::string, std::vector<std::string>>>;

// Every section with its "key=value" lines, and every value read back through ReadString.
Values ReadAll(TIniFile& ini) {
    Values all;
    TStringList sections, keys, lines;
    ini.ReadSections(&sections);
    for (int i = 0; i < sections.Count(); ++i) {
        const std::string section = sections[i];
        FUZZ_CHECK(ini.SectionExists(section));
        ini.ReadSection(section, &keys);
        ini.ReadSectionValues(section, &lines);
        FUZZ_CHECK(keys.Count() == lines.Count());
        for (int k = 0; k < keys.Count(); ++k) {
            const std::string key = keys[k];
            FUZZ_CHECK(ini.ValueExists(section, key));
            const std::string value = ini.ReadString(section, key, "\x01missing");
            FUZZ_CHECK(lines[k] == key + "=" + value, section + " / " + key);
            // The typed reads only have to survive any text.
            (void)ini.ReadInteger(section, key, 0);
            (void)ini.ReadBool(section, key, false);
            (void)ini.ReadFloat(section, key, 0.0);
        }
        std::vector<std::string> texts;
        for (int k = 0; k < lines.Count(); ++k) texts.push_back(lines[k]);
        all.emplace_back(section, std::move(texts));
    }
    return all;
}

std::string Describe(const Values& v) {
    std::string out;
    for (const auto& [section, lines] : v) {
        out += "[" + section + "]\n";
        for (const auto& l : lines) out += "  " + l + "\n";
    }
    return out;
}

void CheckSame(const Values& before, const Values& after, const std::string& changedSection,
               const std::string& what) {
    std::map<std::string, const std::vector<std::string>*> now;
    for (const auto& [section, lines] : after) now[SysUtils::AnsiUpperCase(section)] = &lines;
    for (const auto& [section, lines] : before) {
        if (SysUtils::AnsiUpperCase(section) == SysUtils::AnsiUpperCase(changedSection)) continue;
        const auto it = now.find(SysUtils::AnsiUpperCase(section));
        FUZZ_CHECK(it != now.end() && *it->second == lines,
                   what + " changed section [" + section + "]\nbefore:\n" + Describe(before) +
                       "after:\n" + Describe(after));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file = fuzz::ScratchDir() + "/fuzz.ini";
    fuzz::ReplaceFile(file, std::string_view(reinterpret_cast<const char*>(data), size));
    // Each input starts without the copies an earlier one kept aside before its lines were converted.
    fuzz::RemoveFilesStartingWith(fuzz::ScratchDir(), "fuzz.ini.unreadable", "");

    TIniFile ini(file);
    const Values before = ReadAll(ini);

    // A new section: everything else stays as it was.
    std::string fresh = "Fuzz";
    while (ini.SectionExists(fresh)) fresh += "x";
    ini.WriteString(fresh, "Key", "value one");
    FUZZ_CHECK(ini.ReadString(fresh, "Key", "") == "value one");
    const Values afterNew = ReadAll(ini);
    CheckSame(before, afterNew, fresh, "adding a section");

    if (!before.empty()) {
        // A new key and a changed key in the first section: the other sections stay, and so do
        // the section's other keys.
        const std::string section = before.front().first;
        std::string key = "FuzzKey";
        while (ini.ValueExists(section, key)) key += "x";
        ini.WriteString(section, key, "value two");
        FUZZ_CHECK(ini.ReadString(section, key, "") == "value two");
        const Values afterKey = ReadAll(ini);
        CheckSame(afterNew, afterKey, section, "adding a key");
        TStringList lines;
        ini.ReadSectionValues(section, &lines);
        std::vector<std::string> expected = before.front().second;
        expected.push_back(key + "=value two");
        std::vector<std::string> got;
        for (int i = 0; i < lines.Count(); ++i) got.push_back(lines[i]);
        FUZZ_CHECK(got == expected, "adding a key changed its own section [" + section + "]");

        if (!before.front().second.empty()) {
            const std::string& first = before.front().second.front();
            const std::string firstKey = first.substr(0, first.find('='));
            ini.WriteString(section, firstKey, "value three");
            FUZZ_CHECK(ini.ReadString(section, firstKey, "") == "value three", section + " / " + firstKey);
            CheckSame(afterKey, ReadAll(ini), section, "changing a key");
        }
    }
    return 0;
}
