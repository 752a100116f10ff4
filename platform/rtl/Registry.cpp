// The registry over REGEDIT4 text files: parsed into a list of keys with an index by name, cached per
// file while the file stays the same, changed under a file lock and replaced atomically.
#include "Registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <algorithm>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "FileLocks.h"
#include "PendingWrites.h"
#include "ProgramName.h"
#include "SettingsFile.h"
#include "TextEncoding.h"

using namespace SysUtils;

namespace {

enum RawType { REG_NONE = 0, REG_SZ = 1, REG_EXPAND_SZ = 2, REG_BINARY = 3, REG_DWORD = 4 };

std::string Upper(const std::string& s) { return AnsiUpperCase(s); }

// "a\\b\" -> "a\b": empty components dropped.
std::string NormalizePath(const std::string& path) {
    std::string out, comp;
    auto flush = [&] {
        if (comp.empty()) return;
        if (!out.empty()) out += '\\';
        out += comp;
        comp.clear();
    };
    for (char c : path) {
        if (c == '\\') flush();
        else comp += c;
    }
    flush();
    return out;
}

bool HasControlChars(const std::string& s) {
    for (unsigned char c : s) if (c < 0x20 || c == 0x7F) return true;
    return false;
}

AnsiString RootName(HKEY root) {
    switch (root) {
    case HKEY_CLASSES_ROOT: return "HKEY_CLASSES_ROOT";
    case HKEY_CURRENT_USER: return "HKEY_CURRENT_USER";
    case HKEY_LOCAL_MACHINE: return "HKEY_LOCAL_MACHINE";
    case HKEY_USERS: return "HKEY_USERS";
    case HKEY_CURRENT_CONFIG: return "HKEY_CURRENT_CONFIG";
    default: throw ERegistryException("Invalid root key " + IntToHex(root, 8));
    }
}

struct ParseError {
    int line;
    std::string reason;
};

} // namespace

// ---- the hive ----------------------------------------------------------------------------------------

struct TRegistry::Hive {
    struct Value {
        std::string name, upper;
        TRegDataType type = rdUnknown;
        int rawType = REG_NONE;
        std::string data;   // text for strings, 4 bytes (little-endian) for DWORDs, else raw bytes
    };
    struct Key {
        std::string path, upper;   // from the root, without the root's name; "" is the root itself
        std::vector<Value> values;
        // Position of each value by its upper-case name, so a key with many values reads in linear time.
        std::unordered_map<std::string, std::size_t> index;
        Value* Find(const std::string& upperName) {
            const auto it = index.find(upperName);
            return it == index.end() ? nullptr : &values[it->second];
        }
        const Value* Find(const std::string& upperName) const {
            return const_cast<Key*>(this)->Find(upperName);
        }
        Value& Add(Value v) {
            index[v.upper] = values.size();
            values.push_back(std::move(v));
            return values.back();
        }
        bool Erase(const std::string& upperName) {
            if (std::erase_if(values, [&](const Value& v) { return v.upper == upperName; }) == 0) return false;
            index.clear();
            for (std::size_t i = 0; i < values.size(); ++i) index[values[i].upper] = i;
            return true;
        }
    };
    std::vector<Key> keys;
    // Lines with a name or text that is not UTF-8 and was read as Windows-1252: what is written
    // back differs from the file there.
    std::vector<int> converted;
    // Position of each listed key, and every key that exists (listed, or above a listed one), by
    // upper-case path: files with many keys read in linear time.
    std::unordered_map<std::string, std::size_t> index;
    std::unordered_set<std::string> existing;

    Key* Find(const std::string& upperPath) {
        const auto it = index.find(upperPath);
        return it == index.end() ? nullptr : &keys[it->second];
    }
    const Key* Find(const std::string& upperPath) const { return const_cast<Hive*>(this)->Find(upperPath); }

    static bool IsBelow(const std::string& upper, const std::string& upperParent) {
        if (upperParent.empty()) return !upper.empty();
        return upper.size() > upperParent.size() && upper.compare(0, upperParent.size(), upperParent) == 0 &&
               upper[upperParent.size()] == '\\';
    }

    void AddExisting(const std::string& upper) {
        // Every key above it exists too; stop at the first one already known.
        for (std::size_t end = upper.size(); end != std::string::npos && end > 0;) {
            if (!existing.insert(upper.substr(0, end)).second) break;
            end = upper.rfind('\\', end - 1);
        }
    }

    Key& Append(Key k) {
        index[k.upper] = keys.size();
        AddExisting(k.upper);
        keys.push_back(std::move(k));
        return keys.back();
    }

    void Reindex() {
        index.clear();
        existing.clear();
        for (std::size_t i = 0; i < keys.size(); ++i) {
            index[keys[i].upper] = i;
            AddExisting(keys[i].upper);
        }
    }

    // A key exists when it is listed, or a key below it is.
    bool Exists(const std::string& upperPath) const {
        return upperPath.empty() || existing.count(upperPath) > 0;
    }

    std::vector<std::string> Children(const std::string& upperPath) const {
        std::vector<std::string> names;
        std::unordered_set<std::string> uppers;
        const std::size_t skip = upperPath.empty() ? 0 : upperPath.size() + 1;
        const std::size_t depth = upperPath.empty() ? 0 : std::count(upperPath.begin(), upperPath.end(), '\\') + 1;
        for (const auto& k : keys) {
            if (!IsBelow(k.upper, upperPath)) continue;
            // Upper-casing keeps the byte length of the Latin letters it folds, but be safe.
            const std::size_t endUpper = k.upper.find('\\', skip);
            if (!uppers.insert(k.upper.substr(skip, endUpper == std::string::npos ? std::string::npos : endUpper - skip)).second)
                continue;
            // The same component of the path as written.
            std::size_t start = 0;
            for (std::size_t n = depth; n > 0; --n) start = k.path.find('\\', start) + 1;
            const std::size_t end = k.path.find('\\', start);
            names.push_back(k.path.substr(start, end == std::string::npos ? std::string::npos : end - start));
        }
        return names;
    }

    // Creates the key and every missing key above it; existing keys keep the case they have.
    Key& Create(const std::string& path) {
        if (HasControlChars(path)) throw ERegistryException("Invalid key name \"" + path + "\"");
        if (path.empty()) {
            if (Key* root = Find("")) return *root;
            keys.insert(keys.begin(), Key{});
            Reindex();
            return keys.front();
        }
        Key* key = nullptr;
        std::string prefix, parentUpper;
        std::size_t i = 0;
        while (i != std::string::npos) {
            const std::size_t next = path.find('\\', i);
            const std::string comp = path.substr(i, next == std::string::npos ? std::string::npos : next - i);
            i = next == std::string::npos ? next : next + 1;
            prefix = prefix.empty() ? comp : prefix + "\\" + comp;
            const std::string upper = Upper(prefix);
            key = Find(upper);
            if (!key) {
                // Right after the parent and everything below it, so the file reads as a tree.
                std::size_t at = keys.size();
                for (std::size_t j = 0; j < keys.size(); ++j)
                    if (keys[j].upper == parentUpper || IsBelow(keys[j].upper, parentUpper)) at = j + 1;
                Key k;
                k.path = prefix;
                k.upper = upper;
                keys.insert(keys.begin() + static_cast<std::ptrdiff_t>(at), std::move(k));
                Reindex();
                key = &keys[at];
            }
            prefix = key->path;
            parentUpper = upper;
        }
        return *key;
    }

    bool Delete(const std::string& upperPath) {
        if (upperPath.empty()) return false;
        const auto before = keys.size();
        std::erase_if(keys, [&](const Key& k) { return k.upper == upperPath || IsBelow(k.upper, upperPath); });
        if (keys.size() == before) return false;
        Reindex();
        return true;
    }

    // ---- REGEDIT4 text ----

    // Each name and text is read on its own: valid UTF-8 stays as it is, anything else is read as
    // Windows-1252, so one foreign byte changes nothing else in the file.
    std::string Decode(std::string text, int line) {
        bool was = false;
        text = SettingsFile::Decode(std::move(text), was);
        if (was && (converted.empty() || converted.back() != line)) converted.push_back(line);
        return text;
    }

    static std::string ParseQuoted(const std::string& t, std::size_t& pos, int line) {
        std::string out;
        ++pos;  // opening quote
        while (pos < t.size()) {
            const char c = t[pos++];
            if (c == '"') return out;
            if (c == '\\' && pos < t.size() && (t[pos] == '\\' || t[pos] == '"')) out += t[pos++];
            else out += c;
        }
        throw ParseError{line, "unterminated string"};
    }

    static std::string ParseHex(const std::string& list, int line) {
        std::string out;
        std::size_t i = 0;
        const std::string t = Trim(list);
        if (t.empty()) return out;
        while (i <= t.size()) {
            std::size_t comma = t.find(',', i);
            if (comma == std::string::npos) comma = t.size();
            const std::string byte = Trim(t.substr(i, comma - i));
            if (byte.empty() || byte.size() > 2 || !std::isxdigit(static_cast<unsigned char>(byte[0])) ||
                (byte.size() == 2 && !std::isxdigit(static_cast<unsigned char>(byte[1]))))
                throw ParseError{line, "bad byte \"" + byte + "\""};
            out += static_cast<char>(std::stoi(byte, nullptr, 16));
            i = comma + 1;
        }
        return out;
    }

    // A file without the REGEDIT4 header raises ParseError; any other line that cannot be read is
    // skipped and listed in Unreadable, so one damaged line costs only itself.
    static Hive Parse(const std::string& text, const std::string& rootName,
                      std::vector<ParseError>& Unreadable) {
        std::vector<std::string> lines;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t nl = text.find('\n', start);
            if (nl == std::string::npos) nl = text.size();
            std::string l = text.substr(start, nl - start);
            if (!l.empty() && l.back() == '\r') l.pop_back();
            lines.push_back(std::move(l));
            start = nl + 1;
        }
        Hive hive;
        bool header = false;
        Key* cur = nullptr;
        for (std::size_t n = 0; n < lines.size(); ++n) {
            const int lineNo = static_cast<int>(n) + 1;
            std::string t = Trim(lines[n]);
            if (t.empty() || t[0] == ';') continue;
            if (!header) {
                if (t != "REGEDIT4" && t != "Windows Registry Editor Version 5.00")
                    throw ParseError{lineNo, "not a REGEDIT4 file"};
                header = true;
                continue;
            }
            try {
                ParseLine(hive, cur, lines, n, t, lineNo, rootName);
            } catch (const ParseError& e) {
                // Values below a key line that cannot be read have no key to go to.
                if (t[0] == '[') cur = nullptr;
                Unreadable.push_back(e);
            }
        }
        if (!header && !lines.empty()) {
            for (const auto& l : lines)
                if (!Trim(l).empty()) throw ParseError{1, "not a REGEDIT4 file"};
        }
        return hive;
    }

    static void ParseLine(Hive& hive, Key*& cur, const std::vector<std::string>& lines, std::size_t& n,
                          const std::string& t, int lineNo, const std::string& rootName) {
        if (t[0] == '[') {
            if (t.back() != ']') throw ParseError{lineNo, "key without \"]\""};
            const std::string inner = hive.Decode(t.substr(1, t.size() - 2), lineNo);
            if (!inner.empty() && inner[0] == '-') throw ParseError{lineNo, "key deletions are not read"};
            const std::size_t bs = inner.find('\\');
            if (!SameText(inner.substr(0, bs), rootName)) throw ParseError{lineNo, "key outside " + rootName};
            const std::string path = bs == std::string::npos ? "" : NormalizePath(inner.substr(bs + 1));
            const std::string upper = Upper(path);
            cur = hive.Find(upper);
            if (!cur) {
                Key k;
                k.path = path;
                k.upper = upper;
                cur = &hive.Append(std::move(k));
            }
            return;
        }
        if (!cur) throw ParseError{lineNo, "value outside a key"};
        Value v;
        std::size_t pos = 0;
        if (t[0] == '@') pos = 1;
        else if (t[0] == '"') v.name = hive.Decode(ParseQuoted(t, pos, lineNo), lineNo);
        else throw ParseError{lineNo, "neither a key nor a value"};
        while (pos < t.size() && (t[pos] == ' ' || t[pos] == '\t')) ++pos;
        if (pos >= t.size() || t[pos] != '=') throw ParseError{lineNo, "\"=\" missing"};
        ++pos;
        while (pos < t.size() && (t[pos] == ' ' || t[pos] == '\t')) ++pos;
        const std::string data = t.substr(pos);
        const std::string lower = LowerCase(data.substr(0, 9));
        if (!data.empty() && data[0] == '"') {
            std::size_t p = 0;
            v.data = ParseQuoted(data, p, lineNo);
            if (!Trim(data.substr(p)).empty()) throw ParseError{lineNo, "text after the string"};
            v.data = hive.Decode(std::move(v.data), lineNo);
            v.type = rdString;
            v.rawType = REG_SZ;
        } else if (lower.rfind("dword:", 0) == 0) {
            const std::string digits = Trim(data.substr(6));
            if (digits.empty() || digits.size() > 8 ||
                digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                throw ParseError{lineNo, "bad dword"};
            const std::uint32_t d = static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
            v.data.assign(reinterpret_cast<const char*>(&d), 4);
            v.type = rdInteger;
            v.rawType = REG_DWORD;
        } else if (lower.rfind("hex", 0) == 0) {
            std::size_t colon = data.find(':');
            if (colon == std::string::npos) throw ParseError{lineNo, "bad hex value"};
            int raw = REG_BINARY;
            const std::string kind = data.substr(3, colon - 3);
            if (!kind.empty()) {
                if (kind.size() < 3 || kind.front() != '(' || kind.back() != ')' ||
                    kind.find_first_not_of("0123456789abcdefABCDEF", 1) != kind.size() - 1 || kind.size() > 10)
                    throw ParseError{lineNo, "bad hex type"};
                raw = static_cast<int>(std::stoul(kind.substr(1, kind.size() - 2), nullptr, 16));
            }
            std::string list = TrimRight(data.substr(colon + 1));
            // Only the end is looked at, so a value continued over many lines reads in linear time.
            while (!list.empty() && list.back() == '\\') {
                list.pop_back();
                if (++n >= lines.size()) throw ParseError{lineNo, "continuation at the end of the file"};
                list += Trim(lines[n]);
                while (!list.empty() && static_cast<unsigned char>(list.back()) <= ' ') list.pop_back();
            }
            v.data = ParseHex(list, lineNo);
            v.rawType = raw;
            if (raw == REG_SZ || raw == REG_EXPAND_SZ) {
                if (!v.data.empty() && v.data.back() == '\0') v.data.pop_back();
                v.type = raw == REG_SZ ? rdString : rdExpandString;
            } else if (raw == REG_DWORD && v.data.size() == 4) {
                v.type = rdInteger;
            } else {
                v.type = raw == REG_BINARY ? rdBinary : rdUnknown;
            }
        } else {
            throw ParseError{lineNo, "unknown value \"" + data + "\""};
        }
        v.upper = Upper(v.name);
        if (Value* old = cur->Find(v.upper)) {
            v.name = old->name;
            *old = std::move(v);
        } else {
            cur->Add(std::move(v));
        }
    }

    static std::string Quote(const std::string& s) {
        std::string out = "\"";
        for (char c : s) {
            if (c == '\\' || c == '"') out += '\\';
            out += c;
        }
        return out + '"';
    }

    static std::string HexList(std::string prefix, const std::string& bytes) {
        static const char* digits = "0123456789abcdef";
        std::string out = prefix;
        std::size_t col = prefix.size();
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (i > 0 && col + 3 > 78) {
                out += "\\\n  ";
                col = 2;
            }
            const auto b = static_cast<unsigned char>(bytes[i]);
            out += digits[b >> 4];
            out += digits[b & 15];
            col += 2;
            if (i + 1 < bytes.size()) { out += ','; ++col; }
        }
        return out;
    }

    std::string Serialize(const std::string& rootName) const {
        std::string out = "REGEDIT4\n\n";
        for (const auto& k : keys) {
            if (k.path.empty() && k.values.empty()) continue;
            out += "[" + rootName + (k.path.empty() ? "" : "\\" + k.path) + "]\n";
            for (const auto& v : k.values) {
                const std::string name = (v.name.empty() ? std::string("@") : Quote(v.name)) + "=";
                static const char* digits = "0123456789abcdef";
                switch (v.type) {
                case rdString:
                    // Text that a line cannot hold goes as bytes, still typed as a string.
                    if (HasControlChars(v.data) || !TextEncoding::IsValidUtf8(v.data))
                        out += HexList(name + "hex(1):", v.data + '\0');
                    else
                        out += name + Quote(v.data);
                    break;
                case rdExpandString: out += HexList(name + "hex(2):", v.data + '\0'); break;
                case rdInteger: {
                    std::uint32_t d;
                    std::memcpy(&d, v.data.data(), 4);
                    char buf[16];
                    std::snprintf(buf, sizeof buf, "%08x", d);
                    out += name + "dword:" + buf;
                    break;
                }
                case rdBinary: out += HexList(name + "hex:", v.data); break;
                case rdUnknown: {
                    std::string kind;
                    for (unsigned t = static_cast<unsigned>(v.rawType);; t >>= 4) {
                        kind.insert(kind.begin(), digits[t & 15]);
                        if (t < 16) break;
                    }
                    out += HexList(name + "hex(" + kind + "):", v.data);
                    break;
                }
                }
                out += '\n';
            }
            out += '\n';
        }
        return out;
    }
};

// ---- files, cache and locks ----------------------------------------------------------------------------

namespace {

// Threads of this process use separate TRegistry objects; they share the cache and take turns here.
std::mutex g_mutex;

struct Cached {
    struct stat stamp {};
    bool exists = false;
    std::shared_ptr<const TRegistry::Hive> hive;
    bool swept = false;   // leftover temporary files removed
    bool stuck = false;   // holds unreadable lines and cannot be changed
};
std::map<std::string, Cached> g_cache;

std::string WithoutByteOrderMark(const std::string& bytes) {
    return bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
}

// The lock every writer of File takes, on "<file>.lock"; without Create, a lock file that is not
// there yet is not made.
std::unique_ptr<SettingsFile::TLock> LockOf(const std::string& file, bool Create, int WaitMs = FileLocks::DefaultWaitMs) {
    return std::make_unique<SettingsFile::TLock>(file + ".lock", O_RDWR | (Create ? O_CREAT : 0), WaitMs);
}

// What the user should be told about a settings file; handed to the program's handler outside
// every lock of this unit.
std::mutex g_noticeMutex;
std::vector<TRegistryProblem> g_notices;
std::function<void(const TRegistryProblem&)> g_problemHandler;

void Notice(TRegistryProblem::TKind kind, const std::string& file, const std::string& aside,
            const std::vector<ParseError>& unreadable) {
    TRegistryProblem p{kind, file, aside, {}};
    for (const auto& e : unreadable) p.Lines.push_back(e.line);
    std::fprintf(stderr, "The registry file %s %s.\n", file.c_str(),
                 kind == TRegistryProblem::rpCannotChange ? "has unreadable lines and cannot be changed"
                                                          : ("was kept as " + aside).c_str());
    std::lock_guard<std::mutex> lock(g_noticeMutex);
    // Without a handler nobody reads them; a few are enough to tell the story.
    if (g_notices.size() < 16) g_notices.push_back(std::move(p));
}

void DeliverNotices() {
    std::vector<TRegistryProblem> notices;
    std::function<void(const TRegistryProblem&)> handler;
    {
        std::lock_guard<std::mutex> lock(g_noticeMutex);
        if (!g_problemHandler || g_notices.empty()) return;
        notices.swap(g_notices);
        handler = g_problemHandler;
    }
    for (const auto& n : notices) handler(n);
}

// Temporary files of a write that never finished (the program was killed between writing and
// renaming) are removed once per file and process. Writers make them only under the file's lock,
// which the caller holds, so none of them belongs to a write in progress.
void SweepTemporaryFiles(const std::string& file) {
    const std::string folder = ExtractFileDir(file);
    const std::string prefix = ExtractFileName(file) + TemporaryFileInfix;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0)
                ::unlink((folder + "/" + name).c_str());
        }
        ::closedir(d);
    }
}

// The hive in file, read again when the file changed. Lines that cannot be read are skipped: the
// file as it was is kept aside (a hard link, under the lock and only if it is still the same file)
// and the readable rest is written back, so a later write cannot lose the skipped lines unseen. A
// file that is no REGEDIT4 file at all is moved aside and reads as empty. When the file cannot be
// kept aside, *stuck is set so that nobody writes over it. g_mutex is held.
std::shared_ptr<const TRegistry::Hive> LoadLocked(const std::string& file, const std::string& rootName,
                                                  bool lockHeld, std::string* bytesOut = nullptr,
                                                  bool* stuck = nullptr) {
    Cached& c = g_cache[file];
    if (bytesOut) bytesOut->clear();
    if (stuck) *stuck = false;
    if (!c.swept) {
        // A reader never waits for a lock: while another holds it, a later read sweeps.
        c.swept = true;
        std::unique_ptr<SettingsFile::TLock> lock;
        if (!lockHeld) lock = LockOf(file, false, 0);
        if (lockHeld || lock->Held()) SweepTemporaryFiles(file);
        else if (lock->HeldByAnother()) c.swept = false;
    }
    for (int attempt = 0;; ++attempt) {
        struct stat st {};
        std::string bytes;
        if (::stat(file.c_str(), &st) != 0) {
            if (!c.hive || c.exists) c = Cached{{}, false, std::make_shared<TRegistry::Hive>(), true, false};
            return c.hive;
        }
        if (c.hive && c.exists && SettingsFile::SameFile(c.stamp, st)) {
            if (c.stuck && stuck) *stuck = true;
            if (c.stuck || !bytesOut) return c.hive;
        }
        SettingsFile::TRead read;
        try {
            read = SettingsFile::ReadUnlessUnchanged(file, nullptr, bytes, st);
        } catch (const EFileRefused& e) {
            // Not a settings file (a FIFO, a device, a huge file): the settings start empty, and
            // what is there is never written over.
            c = Cached{st, true, std::make_shared<TRegistry::Hive>(), true, true};
            if (stuck) *stuck = true;
            TellRefusedFile(e);
            return c.hive;
        }
        if (read == SettingsFile::TRead::Missing) {
            if (errno == ENOENT && attempt < 3) continue;   // replaced between stat and open
            throw ERegistryException("Cannot read the registry file " + file + ": " + std::strerror(errno));
        }
        std::vector<ParseError> unreadable;
        std::shared_ptr<TRegistry::Hive> hive;
        bool whole = false;
        try {
            hive = std::make_shared<TRegistry::Hive>(
                TRegistry::Hive::Parse(WithoutByteOrderMark(bytes), rootName, unreadable));
        } catch (const ParseError& e) {
            whole = true;
            unreadable.assign(1, e);
            hive = std::make_shared<TRegistry::Hive>();
        }
        if (unreadable.empty()) {
            c = Cached{st, true, hive, true, false};
            if (bytesOut) *bytesOut = std::move(bytes);
            return c.hive;
        }

        std::unique_ptr<SettingsFile::TLock> lock;
        if (!lockHeld) lock = LockOf(file, true, 0);
        if (lock && lock->HeldByAnother()) {
            // Kept aside by a later read; until then what can be read is read, and nothing written.
            if (stuck) *stuck = true;
            return hive;
        }
        struct stat now {};
        const bool same = ::stat(file.c_str(), &now) == 0 && SettingsFile::SameFile(now, st);
        if (!same && attempt < 3) continue;   // replaced meanwhile: read the new one
        for (const auto& e : unreadable)
            std::fprintf(stderr, "%s, line %d: %s\n", file.c_str(), e.line, e.reason.c_str());
        std::string aside;
        // Bounded: what is written back reads whole, but a file replaced again and again must not
        // keep this loop going.
        if (attempt < 3 && (lockHeld || lock->Held())) aside = FileLocks::KeepAside(file);
        if (!aside.empty()) {
            try {
                if (whole) {
                    if (::unlink(file.c_str()) != 0) throw ERegistryException(std::strerror(errno));
                    Notice(TRegistryProblem::rpFileKeptAside, file, aside, unreadable);
                } else {
                    WriteFileBytes(file, hive->Serialize(rootName));
                    Notice(TRegistryProblem::rpLinesKeptAside, file, aside, unreadable);
                }
                continue;   // read what is there now
            } catch (const std::exception&) {
                ::unlink(aside.c_str());
            }
        }
        // Not ours to change (the machine's file for a user, a read-only folder): read what can be
        // read, write nothing, and say so once.
        if (!(c.hive && c.exists && SettingsFile::SameFile(c.stamp, st)))
            Notice(TRegistryProblem::rpCannotChange, file, "", unreadable);
        c = Cached{st, true, hive, true, true};
        if (stuck) *stuck = true;
        return c.hive;
    }
}

// Writers of this process take turns here before they wait for a file's lock, so that they do not
// compete for it by polling; g_mutex, which readers take too, is taken only once the lock is had (or
// was not had in time), so a reader never waits for another program.
std::mutex g_writeMutex;

// Changes another program's lock held up, per file, in the order made. Until they are written every
// read sees them on top of the file: view is base, the hive last read, with the changes made.
// Under g_mutex.
struct Pending {
    struct Change {
        std::function<bool(TRegistry::Hive&)> apply;
        std::string name;
    };
    std::string rootName;
    std::vector<Change> changes;
    PendingWrites::Clock::time_point since;   // when the first of them was held up
    std::shared_ptr<const TRegistry::Hive> base, view;
};
std::map<std::string, Pending> g_pending;

bool HasPending(const std::string& file) {
    const auto it = g_pending.find(file);
    return it != g_pending.end() && !it->second.changes.empty();
}

// The hive read from file as the program sees it: with the changes still pending made on it.
std::shared_ptr<const TRegistry::Hive> WithPending(const std::string& file, std::shared_ptr<const TRegistry::Hive> hive) {
    const auto it = g_pending.find(file);
    if (it == g_pending.end() || it->second.changes.empty()) return hive;
    Pending& p = it->second;
    if (p.base != hive) {
        // The file changed meanwhile: the pending changes go on top of what it holds now.
        auto view = std::make_shared<TRegistry::Hive>(*hive);
        for (const auto& c : p.changes) {
            try {
                c.apply(*view);
            } catch (const std::exception&) {
                // Reported when the change is written.
            }
        }
        p.base = std::move(hive);
        p.view = std::move(view);
    }
    return p.view;
}

// A key made for a value is no news beside it: changes without a name are not listed.
std::vector<std::string> NamesOf(const std::vector<Pending::Change>& changes) {
    std::vector<std::string> names;
    for (const auto& c : changes)
        if (!c.name.empty() && std::find(names.begin(), names.end(), c.name) == names.end()) names.push_back(c.name);
    return names;
}

void GiveUp(const std::string& file, PendingWrites::TNotStored::TReason reason, const std::string& detail) {
    const auto it = g_pending.find(file);
    if (it == g_pending.end()) return;
    if (!it->second.changes.empty()) PendingWrites::Report({reason, file, NamesOf(it->second.changes), detail});
    g_pending.erase(it);
}

// Keeps change pending for file and makes it at once on what the program reads, giving its result
// there; a change that cannot be made there raises, and nothing is kept. g_mutex is held.
bool HoldUp(const std::string& file, const std::string& rootName, std::function<bool(TRegistry::Hive&)> change,
            const std::string& name) {
    auto base = LoadLocked(file, rootName, false);
    auto view = std::make_shared<TRegistry::Hive>(*WithPending(file, base));
    const bool result = change(*view);
    Pending& p = g_pending[file];
    if (p.changes.empty()) {
        p.rootName = rootName;
        p.since = PendingWrites::Now();
    }
    p.changes.push_back({std::move(change), name});
    p.base = std::move(base);
    p.view = std::move(view);
    return result;
}

// Makes the changes pending for file, then change when given, and writes the file; the caller holds
// the file's lock, g_writeMutex and g_mutex. Gives change's result, and raises its failure after the
// pending changes are written. A pending change that can no longer be made (its key deleted meanwhile),
// and every one when the file cannot be written, is reported as not stored.
bool WriteLocked(const std::string& file, const std::string& rootName,
                 const std::function<bool(TRegistry::Hive&)>* change) {
    std::vector<Pending::Change> held;
    if (const auto it = g_pending.find(file); it != g_pending.end()) {
        held = std::move(it->second.changes);
        g_pending.erase(it);
    }
    std::vector<std::string> lost;
    bool anyLost = false;
    std::string lostWhy;
    std::exception_ptr failed;
    bool result = false;
    try {
        std::string before;
        bool stuck = false;
        TRegistry::Hive hive = *LoadLocked(file, rootName, true, &before, &stuck);
        if (stuck) throw ERegistryException("The registry file " + file + " cannot be read; it is left as it is");
        for (const auto& c : held) {
            try {
                c.apply(hive);
            } catch (const std::exception& e) {
                if (!c.name.empty() && std::find(lost.begin(), lost.end(), c.name) == lost.end()) lost.push_back(c.name);
                anyLost = true;
                lostWhy = e.what();
            }
        }
        if (change) {
            try {
                result = (*change)(hive);
            } catch (...) {
                failed = std::current_exception();
            }
        }
        const std::string text = hive.Serialize(rootName);
        if (text != before) {
            if (!hive.converted.empty()) {
                // Values read as Windows-1252 are written as UTF-8 now: the file as it was is kept first.
                const std::string aside = FileLocks::KeepAside(file);
                if (aside.empty())
                    throw ERegistryException("The registry file " + file + " cannot be kept aside: " + std::strerror(errno));
                std::vector<ParseError> lines;
                for (int line : hive.converted) lines.push_back({line, "read as Windows-1252"});
                Notice(TRegistryProblem::rpValuesConverted, file, aside, lines);
                hive.converted.clear();
            }
            try {
                // The file holds the database folder and the user's name: new ones are the user's alone.
                WriteFileBytes(file, text, 0600);
            } catch (const EInOutError& e) {
                throw ERegistryException(e.Message);
            }
            struct stat st {};
            if (::stat(file.c_str(), &st) == 0) g_cache[file] = Cached{st, true, std::make_shared<TRegistry::Hive>(std::move(hive))};
        }
    } catch (const std::exception& e) {
        if (!held.empty())
            PendingWrites::Report({PendingWrites::TNotStored::nsCannotWrite, file, NamesOf(held), e.what()});
        throw;
    }
    if (anyLost) PendingWrites::Report({PendingWrites::TNotStored::nsCannotWrite, file, lost, lostWhy});
    if (failed) std::rethrow_exception(failed);
    return result;
}

// The writing thread's turn (PendingWrites.h) for the registry files.
bool WritePending(int waitMs, bool last) {
    std::vector<std::string> files;
    {
        std::lock_guard<std::mutex> process(g_mutex);
        for (const auto& [file, p] : g_pending)
            if (!p.changes.empty()) files.push_back(file);
    }
    bool left = false;
    for (const auto& file : files) {
        std::lock_guard<std::mutex> writers(g_writeMutex);
        const auto lock = LockOf(file, true, waitMs);
        std::lock_guard<std::mutex> process(g_mutex);
        const auto it = g_pending.find(file);
        if (it == g_pending.end() || it->second.changes.empty()) continue;
        if (lock->Held()) {
            const std::string rootName = it->second.rootName;
            try {
                WriteLocked(file, rootName, nullptr);
            } catch (const std::exception&) {
                // Reported as not stored.
            }
        } else if (!lock->HeldByAnother()) {
            GiveUp(file, PendingWrites::TNotStored::nsCannotWrite, "Cannot lock the registry file: " + lock->Error());
        } else if (last) {
            GiveUp(file, PendingWrites::TNotStored::nsProgramEnds, "");
        } else if (PendingWrites::Now() - it->second.since >= PendingWrites::Limit) {
            GiveUp(file, PendingWrites::TNotStored::nsLockHeld, "");
        } else {
            left = true;
        }
    }
    DeliverNotices();
    return left;
}

std::string HomeFolder() {
    std::string home = GetEnvironmentVariable("HOME");
    if (home.empty()) {
        if (const passwd* pw = ::getpwuid(::getuid())) home = pw->pw_dir;
    }
    return home;
}

} // namespace

// ---- TRegistry -----------------------------------------------------------------------------------------

TRegistry::TRegistry() = default;
TRegistry::TRegistry(Cardinal AAccess) : access_(AAccess) {}
TRegistry::~TRegistry() = default;

AnsiString TRegistry::HiveFileName(HKEY Root) {
    std::string folder = GetEnvironmentVariable(SysUtils::ProgramVariable("REGISTRY"));
    if (folder.empty()) {
        if (Root == HKEY_CURRENT_USER) {
            const std::string xdg = GetEnvironmentVariable("XDG_CONFIG_HOME");
            folder = (xdg.empty() ? HomeFolder() + "/.config" : xdg) + "/" + SysUtils::ProgramName();
        } else {
            folder = "/etc/" + SysUtils::ProgramName();
        }
    }
    return IncludeTrailingPathDelimiter(folder) + RootName(Root) + ".reg";
}

std::shared_ptr<const TRegistry::Hive> TRegistry::Snapshot() const {
    const std::string file = HiveFileName(root_);
    std::shared_ptr<const Hive> hive;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        hive = WithPending(file, LoadLocked(file, RootName(root_), false));
    }
    DeliverNotices();
    return hive;
}

std::shared_ptr<const void> TRegistry::Stamp(HKEY Root) {
    TRegistry reg;
    reg.SetRootKey(Root);
    return reg.Snapshot();
}

void TRegistry::SetProblemHandler(std::function<void(const TRegistryProblem&)> Handler) {
    {
        std::lock_guard<std::mutex> lock(g_noticeMutex);
        g_problemHandler = std::move(Handler);
    }
    DeliverNotices();
}

bool TRegistry::Modify(std::function<bool(Hive&)> Change, const std::string& Name) {
    ScopeExit deliver([] {   // after every lock is released
        DeliverNotices();
        PendingWrites::Deliver();
    });
    const std::string file = HiveFileName(root_);
    const std::string rootName = RootName(root_);
    bool result = false;
    {
        std::lock_guard<std::mutex> writers(g_writeMutex);
        bool pending = false;
        {
            std::lock_guard<std::mutex> process(g_mutex);
            if (!ForceDirectories(ExtractFileDir(file)))
                throw ERegistryException("Cannot create the registry folder " + ExtractFileDir(file));
            pending = HasPending(file);
        }
        // Behind changes already pending a change waits no more: it joins them.
        const auto lock = LockOf(file, true, pending ? 0 : FileLocks::DefaultWaitMs);
        std::lock_guard<std::mutex> process(g_mutex);
        if (lock->Held()) return WriteLocked(file, rootName, &Change);
        if (!lock->HeldByAnother())
            throw ERegistryException("Cannot lock the registry file " + file + ": " + lock->Error());
        result = HoldUp(file, rootName, std::move(Change), Name);
    }
    PendingWrites::Retry(WritePending);
    return result;
}

void TRegistry::SetRootKey(HKEY Value) {
    RootName(Value);  // raises for a root that does not exist
    root_ = Value;
    CloseKey();
}

AnsiString TRegistry::Absolute(const AnsiString& Key) const {
    if (!Key.empty() && Key[0] == '\\') return NormalizePath(Key);
    return NormalizePath(path_ + "\\" + Key);
}

bool TRegistry::OpenKey(const AnsiString& Key, bool CanCreate) {
    const std::string path = Absolute(Key);
    if (!Snapshot()->Exists(Upper(path))) {
        if (!CanCreate || !(access_ & KEY_CREATE_SUB_KEY)) return false;
        try {
            Modify([path](Hive& h) { h.Create(path); return true; }, "");
        } catch (const SysUtils::Exception&) {
            return false;
        }
    }
    path_ = path;
    readOnly_ = !(access_ & KEY_SET_VALUE);
    return true;
}

bool TRegistry::OpenKeyReadOnly(const AnsiString& Key) {
    const std::string path = Absolute(Key);
    if (!Snapshot()->Exists(Upper(path))) return false;
    path_ = path;
    readOnly_ = true;
    return true;
}

void TRegistry::CloseKey() {
    path_.clear();
    readOnly_ = false;
}

bool TRegistry::CreateKey(const AnsiString& Key) {
    const std::string path = Absolute(Key);
    if (!(access_ & KEY_CREATE_SUB_KEY)) throw ERegistryException("Failed to create key " + Key);
    Modify([path](Hive& h) { h.Create(path); return true; }, "");
    return true;
}

bool TRegistry::DeleteKey(const AnsiString& Key) {
    if (readOnly_ || !(access_ & KEY_SET_VALUE)) return false;
    const std::string upper = Upper(Absolute(Key));
    return Modify([upper](Hive& h) { return h.Delete(upper); }, Absolute(Key));
}

bool TRegistry::KeyExists(const AnsiString& Key) { return Snapshot()->Exists(Upper(Absolute(Key))); }

bool TRegistry::HasSubKeys() { return !Snapshot()->Children(Upper(path_)).empty(); }

void TRegistry::GetKeyNames(TStrings* Strings) {
    UpdateGuard update(*Strings);
    Strings->Clear();
    for (const auto& name : Snapshot()->Children(Upper(path_))) Strings->Add(name);
}

bool TRegistry::ValueExists(const AnsiString& Name) { return GetDataSize(Name) >= 0; }

bool TRegistry::DeleteValue(const AnsiString& Name) {
    if (readOnly_ || !(access_ & KEY_SET_VALUE)) return false;
    const std::string upperPath = Upper(path_), upperName = Upper(Name);
    return Modify(
        [upperPath, upperName](Hive& h) {
            Hive::Key* k = h.Find(upperPath);
            return k && k->Erase(upperName);
        },
        Name.empty() ? "@" : Name);
}

void TRegistry::GetValueNames(TStrings* Strings) {
    const auto hive = Snapshot();
    UpdateGuard update(*Strings);
    Strings->Clear();
    if (const Hive::Key* k = hive->Find(Upper(path_)))
        for (const auto& v : k->values) Strings->Add(v.name);
}

namespace {
const TRegistry::Hive::Value* FindValue(const TRegistry::Hive& hive, const std::string& path, const std::string& name) {
    const TRegistry::Hive::Key* k = hive.Find(Upper(path));
    return k ? k->Find(Upper(name)) : nullptr;
}
} // namespace

TRegDataType TRegistry::GetDataType(const AnsiString& Name) {
    const auto hive = Snapshot();
    const auto* v = FindValue(*hive, path_, Name);
    return v ? v->type : rdUnknown;
}

int TRegistry::GetDataSize(const AnsiString& Name) {
    const auto hive = Snapshot();
    const auto* v = FindValue(*hive, path_, Name);
    if (!v) return -1;
    const bool text = v->type == rdString || v->type == rdExpandString;
    return static_cast<int>(v->data.size()) + (text ? 1 : 0);
}

AnsiString TRegistry::ReadString(const AnsiString& Name) {
    const auto hive = Snapshot();
    const auto* v = FindValue(*hive, path_, Name);
    if (!v) return "";
    if (v->type != rdString && v->type != rdExpandString)
        throw ERegistryException("Invalid data type for '" + Name + "'");
    return v->data;
}

int TRegistry::ReadInteger(const AnsiString& Name) {
    const auto hive = Snapshot();
    const auto* v = FindValue(*hive, path_, Name);
    if (!v) throw ERegistryException("Failed to get data for '" + Name + "'");
    if (v->type != rdInteger) throw ERegistryException("Invalid data type for '" + Name + "'");
    std::int32_t d;
    std::memcpy(&d, v->data.data(), 4);
    return d;
}

int TRegistry::ReadBinaryData(const AnsiString& Name, void* Buffer, int BufSize) {
    const auto hive = Snapshot();
    const auto* v = FindValue(*hive, path_, Name);
    if (!v) throw ERegistryException("Failed to get data for '" + Name + "'");
    if (v->type != rdBinary && v->type != rdUnknown) throw ERegistryException("Invalid data type for '" + Name + "'");
    if (BufSize < 0 || v->data.size() > static_cast<std::size_t>(BufSize))
        throw ERegistryException("Failed to get data for '" + Name + "'");
    if (!v->data.empty()) std::memcpy(Buffer, v->data.data(), v->data.size());
    return static_cast<int>(v->data.size());
}

void TRegistry::CheckWritable(const AnsiString& Name) const {
    if (readOnly_ || !(access_ & KEY_SET_VALUE) || HasControlChars(Name))
        throw ERegistryException("Failed to set data for '" + Name + "'");
}

void TRegistry::WriteValue(const AnsiString& Name, TRegDataType Type, std::string Data, int RawType) {
    CheckWritable(Name);
    const std::string upperPath = Upper(path_);
    Modify(
        [upperPath, path = path_, Name, Type, Data = std::move(Data), RawType](Hive& h) {
            Hive::Key* k = h.Find(upperPath);
            if (!k) {
                // The root always exists; any other key was deleted since it was opened.
                if (!upperPath.empty() && !h.Exists(upperPath))
                    throw ERegistryException("Failed to set data for '" + Name + "'");
                k = &h.Create(path);
            }
            Hive::Value* v = k->Find(Upper(Name));
            if (!v) {
                Hive::Value added;
                added.name = Name;
                added.upper = Upper(Name);
                v = &k->Add(std::move(added));
            }
            v->type = Type;
            v->rawType = RawType;
            v->data = Data;
            return true;
        },
        Name.empty() ? "@" : Name);
}

void TRegistry::WriteString(const AnsiString& Name, const AnsiString& Value) { WriteValue(Name, rdString, Value, REG_SZ); }

void TRegistry::WriteExpandString(const AnsiString& Name, const AnsiString& Value) {
    WriteValue(Name, rdExpandString, Value, REG_EXPAND_SZ);
}

void TRegistry::WriteInteger(const AnsiString& Name, int Value) {
    const auto d = static_cast<std::uint32_t>(Value);
    WriteValue(Name, rdInteger, std::string(reinterpret_cast<const char*>(&d), 4), REG_DWORD);
}

void TRegistry::WriteBinaryData(const AnsiString& Name, const void* Buffer, int BufSize) {
    if (BufSize < 0) throw ERegistryException("Failed to set data for '" + Name + "'");
    WriteValue(Name, rdBinary, std::string(static_cast<const char*>(Buffer), static_cast<std::size_t>(BufSize)), REG_BINARY);
}

bool TRegistry::TryReadInteger(const AnsiString& Name, int& Value) {
    try {
        if (!ValueExists(Name)) return false;
        Value = ReadInteger(Name);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TRegistry::TryReadString(const AnsiString& Name, AnsiString& Value) {
    try {
        if (!ValueExists(Name)) return false;
        Value = ReadString(Name);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
