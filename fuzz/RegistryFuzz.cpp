// The REGEDIT4 reader: any file as the user's registry reads without harm, and a write through the
// registry keeps every key and value that was read before.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "ProgramName.h"
#include "Registry.h"

namespace {

struct Value {
    TRegDataType type;
    int size;
    std::string data;
    bool operator==(const Value&) const = default;
};
// Upper-cased key path -> upper-cased value name -> value.
using Snapshot = std::map<std::string, std::map<std::string, Value>>;

Value ReadValue(TRegistry& reg, const std::string& name) {
    Value v{reg.GetDataType(name), reg.GetDataSize(name), {}};
    FUZZ_CHECK(v.size >= 0, "listed value \"" + name + "\" has no size");
    FUZZ_CHECK(reg.ValueExists(name));
    switch (v.type) {
    case rdString:
    case rdExpandString:
        v.data = reg.ReadString(name);
        FUZZ_CHECK(static_cast<int>(v.data.size()) + 1 == v.size);
        break;
    case rdInteger:
        v.data = std::to_string(reg.ReadInteger(name));
        FUZZ_CHECK(v.size == 4);
        break;
    case rdBinary:
    case rdUnknown: {
        std::string buf(static_cast<std::size_t>(v.size) + 1, '\0');
        const int n = reg.ReadBinaryData(name, buf.data(), static_cast<int>(buf.size()));
        FUZZ_CHECK(n == v.size);
        v.data = buf.substr(0, static_cast<std::size_t>(n));
        break;
    }
    }
    // Reads of the wrong type raise the registry's own exception and nothing else.
    try {
        if (v.type != rdInteger) (void)reg.ReadInteger(name);
        if (v.type != rdString && v.type != rdExpandString) (void)reg.ReadString(name);
    } catch (const ERegistryException&) {
    }
    return v;
}

void Walk(TRegistry& reg, const std::string& path, int depth, Snapshot& out) {
    FUZZ_CHECK(reg.OpenKeyReadOnly("\\" + path), "listed key \"" + path + "\" does not open");
    FUZZ_CHECK(reg.CurrentPath() == path, reg.CurrentPath() + " instead of " + path);
    auto& values = out[SysUtils::AnsiUpperCase(path)];
    TStringList names;
    reg.GetValueNames(&names);
    for (int i = 0; i < names.Count(); ++i) values[SysUtils::AnsiUpperCase(names[i])] = ReadValue(reg, names[i]);
    TStringList keys;
    reg.GetKeyNames(&keys);
    FUZZ_CHECK(reg.HasSubKeys() == (keys.Count() > 0));
    FUZZ_CHECK(depth < 5000, "keys nested too deep to be real");
    for (int i = 0; i < keys.Count(); ++i) {
        const std::string child = path.empty() ? keys[i] : path + "\\" + keys[i];
        FUZZ_CHECK(!keys[i].empty() && keys[i].find('\\') == std::string::npos, "key name \"" + keys[i] + "\"");
        Walk(reg, child, depth + 1, out);
    }
}

Snapshot ReadAll() {
    TRegistry reg(KEY_READ);
    Snapshot all;
    Walk(reg, "", 0, all);
    return all;
}

std::string Where(const std::string& key, const std::string& value) { return "[" + key + "] \"" + value + "\""; }

void CheckKept(const Snapshot& before, const Snapshot& after, const std::string& what) {
    for (const auto& [key, values] : before) {
        const auto k = after.find(key);
        FUZZ_CHECK(k != after.end(), what + " lost the key [" + key + "]");
        for (const auto& [name, value] : values) {
            const auto v = k->second.find(name);
            FUZZ_CHECK(v != k->second.end(), what + " lost the value " + Where(key, name));
            FUZZ_CHECK(v->second == value, what + " changed the value " + Where(key, name) + " from \"" +
                                               value.data + "\" to \"" + v->second.data + "\"");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SysUtils::SetProgramName("zorbelin");
    ::setenv("ZORBELIN_REGISTRY", fuzz::ScratchDir().c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file = TRegistry::HiveFileName(HKEY_CURRENT_USER);
    // An unreadable file is moved aside; those copies are of no further use.
    fuzz::RemoveFilesStartingWith(fuzz::ScratchDir(), "HKEY_CURRENT_USER.reg.unreadable", "");
    fuzz::ReplaceFile(file, std::string_view(reinterpret_cast<const char*>(data), size));

    const Snapshot before = ReadAll();

    // Writing a value of each type into a key of its own rewrites the whole file.
    std::string key = "Software\\Fuzz";
    while (before.count(SysUtils::AnsiUpperCase(key))) key += "x";
    TRegistry reg;
    FUZZ_CHECK(reg.OpenKey("\\" + key, true));
    reg.WriteString("Text", "a \"quoted\" \\ text ü");
    reg.WriteInteger("Number", -2);
    const unsigned char bytes[3] = {0, 0xFF, 0x10};
    reg.WriteBinaryData("Bytes", bytes, 3);
    const Snapshot after = ReadAll();
    CheckKept(before, after, "writing new values");
    FUZZ_CHECK(reg.ReadString("Text") == "a \"quoted\" \\ text ü");
    FUZZ_CHECK(reg.ReadInteger("Number") == -2);

    // Changing a value that was read keeps the others as they were.
    for (const auto& [path, values] : before) {
        if (values.empty()) continue;
        TStringList names;
        FUZZ_CHECK(reg.OpenKey("\\" + path, false));
        reg.GetValueNames(&names);
        const std::string name = names[0];
        // A name with control characters cannot be written; the registry refuses it.
        bool control = false;
        for (unsigned char c : name) control |= c < 0x20 || c == 0x7F;
        if (control) {
            try {
                reg.WriteString(name, "changed");
                fuzz::Fail("a name with control characters was written", name);
            } catch (const ERegistryException&) {
            }
            break;
        }
        reg.WriteString(name, "changed");
        FUZZ_CHECK(reg.ReadString(name) == "changed");
        Snapshot expected = after;
        expected[path][SysUtils::AnsiUpperCase(name)] = Value{rdString, 8, "changed"};
        CheckKept(expected, ReadAll(), "changing " + Where(path, name));
        break;
    }
    return 0;
}
