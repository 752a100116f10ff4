// Profile files: parsed into lines and an index; writes change single lines and replace the file.
#include "IniFiles.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <map>
#include <unordered_map>

#include "FileLocks.h"
#include "PendingWrites.h"
#include "SettingsFile.h"
#include "TextEncoding.h"

using namespace SysUtils;

// ---- TCustomIniFile ----------------------------------------------------------------------------------

int TCustomIniFile::ReadInteger(const AnsiString& Section, const AnsiString& Ident, int Default) {
    return StrToIntDef(ReadString(Section, Ident, ""), Default);
}

void TCustomIniFile::WriteInteger(const AnsiString& Section, const AnsiString& Ident, int Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const AnsiString& Section, const AnsiString& Ident, bool Default) {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const AnsiString& Section, const AnsiString& Ident, bool Value) {
    WriteString(Section, Ident, Value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const AnsiString& Section, const AnsiString& Ident, double Default) {
    double v;
    return TryStrToFloat(ReadString(Section, Ident, ""), v) ? v : Default;
}

void TCustomIniFile::WriteFloat(const AnsiString& Section, const AnsiString& Ident, double Value) {
    WriteString(Section, Ident, FloatToStr(Value));
}

bool TCustomIniFile::SectionExists(const AnsiString& Section) {
    TStringList keys;
    ReadSection(Section, &keys);
    return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const AnsiString& Section, const AnsiString& Ident) {
    TStringList keys;
    ReadSection(Section, &keys);
    return keys.IndexOf(Ident) >= 0;
}

// ---- the parsed file ---------------------------------------------------------------------------------

struct TIniFile::Document {
    struct Key {
        std::string name, upper, value;
        std::size_t line;
    };
    struct Section {
        std::string name, upper;
        std::size_t header;   // line of "[name]"
        std::size_t end;      // first line after the section
        std::vector<Key> keys;
        // The first key of each upper-case name, so files with many keys read in linear time.
        std::unordered_map<std::string, std::size_t> index;
        const Key* Find(const std::string& upperName) const {
            const auto it = index.find(upperName);
            return it == index.end() ? nullptr : &keys[it->second];
        }
    };

    std::vector<std::string> lines;
    // Lines that were not UTF-8 and were read as Windows-1252 (0 = the first).
    std::vector<std::size_t> converted;
    std::string eol = "\n";
    bool finalEol = true;
    std::vector<Section> sections;
    // The first section of each upper-case name.
    std::unordered_map<std::string, std::size_t> index;
    // Identity of the file this was read from: device, inode, size and change time.
    struct stat stamp {};
    bool exists = false;
    // Something else stands under the file's name (a FIFO, a device, a huge file): read as empty and
    // never written over.
    bool refused = false;

    const Section* Find(const std::string& name) const {
        const auto it = index.find(AnsiUpperCase(Trim(name)));
        return it == index.end() ? nullptr : &sections[it->second];
    }

    static std::string Unquote(std::string v) {
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.substr(1, v.size() - 2);
        return v;
    }

    void Index() {
        sections.clear();
        index.clear();
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::string t = Trim(lines[i]);
            if (t.empty() || t[0] == ';') continue;
            if (t[0] == '[') {
                if (!sections.empty()) sections.back().end = i;
                const auto close = t.find(']');
                Section s;
                s.name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
                s.upper = AnsiUpperCase(s.name);
                s.header = i;
                s.end = lines.size();
                index.emplace(s.upper, sections.size());   // the first of a name wins
                sections.push_back(std::move(s));
                continue;
            }
            const auto eq = t.find('=');
            if (sections.empty() || eq == std::string::npos) continue;
            Key k;
            k.name = Trim(t.substr(0, eq));
            k.upper = AnsiUpperCase(k.name);
            k.value = Unquote(Trim(t.substr(eq + 1)));
            k.line = i;
            Section& section = sections.back();
            section.index.emplace(k.upper, section.keys.size());
            section.keys.push_back(std::move(k));
        }
    }

    // Each line is decoded on its own, and a key's name apart from its value: valid UTF-8 stays as
    // it is, anything else is read as Windows-1252, so one foreign byte changes nothing else.
    void Decode() {
        converted.clear();
        for (std::size_t i = 0; i < lines.size(); ++i) {
            std::string& l = lines[i];
            if (TextEncoding::IsValidUtf8(l)) continue;
            converted.push_back(i);
            bool any = false;
            const std::size_t eq = l[0] == '[' || l[0] == ';' ? std::string::npos : l.find('=');
            if (eq == std::string::npos) l = SettingsFile::Decode(l, any);
            else l = SettingsFile::Decode(l.substr(0, eq), any) + "=" + SettingsFile::Decode(l.substr(eq + 1), any);
        }
    }

    void Parse(std::string_view text) {
        if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
        lines.clear();
        bool eolSeen = false;
        std::size_t start = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] != '\r' && text[i] != '\n') continue;
            const std::size_t len = (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            if (!eolSeen) { eol = text.substr(i, len); eolSeen = true; }
            lines.push_back(std::string(text.substr(start, i - start)));
            i += len - 1;
            start = i + 1;
        }
        finalEol = start == text.size();
        if (!finalEol) lines.push_back(std::string(text.substr(start)));
        Decode();
        Index();
    }

    std::string Serialize() const {
        std::string out;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            out += lines[i];
            if (i + 1 < lines.size() || finalEol) out += eol;
        }
        return out;
    }
};

namespace {

// Writers of every profile file in this process take turns.
std::mutex g_writeMutex;

// Changes another program's lock held up, per file (its path as resolved), in the order made.
struct Pending {
    struct Change {
        std::function<bool(TIniFile::Document&)> apply;
        std::string name;
    };
    std::string fileName;   // as the program names it
    std::vector<Change> changes;
    PendingWrites::Clock::time_point since;   // when the first of them was held up
};
std::mutex g_pendingMutex;
std::map<std::string, Pending> g_pending;

bool HasPending(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_pendingMutex);
    const auto it = g_pending.find(path);
    return it != g_pending.end() && !it->second.changes.empty();
}

std::vector<std::string> NamesOf(const std::vector<Pending::Change>& changes) {
    std::vector<std::string> names;
    for (const auto& c : changes)
        if (std::find(names.begin(), names.end(), c.name) == names.end()) names.push_back(c.name);
    return names;
}

// Makes each change on doc, indexing it again after each that changed something; a change that
// raises is left out, with its name in lost and its reason in why. True when doc changed.
bool MakeChanges(TIniFile::Document& doc, const std::vector<Pending::Change>& changes,
                 std::vector<std::string>* lost = nullptr, std::string* why = nullptr) {
    bool changed = false;
    for (const auto& c : changes) {
        try {
            if (c.apply(doc)) {
                doc.Index();
                changed = true;
            }
        } catch (const std::exception& e) {
            if (lost && std::find(lost->begin(), lost->end(), c.name) == lost->end()) lost->push_back(c.name);
            if (why) *why = e.what();
        }
    }
    return changed;
}

// Makes the changes pending for path, then change when given, on doc (the file as it is now) and
// writes it as fileName; the caller holds the lock of its folder and g_writeMutex. Raises change's
// failure after the pending changes are written. A pending change that cannot be made, and every
// one when the file cannot be written, is reported as not stored.
void WriteLocked(const std::string& path, const std::string& fileName, TIniFile::Document doc,
                 const std::function<bool(TIniFile::Document&)>* change) {
    if (doc.refused) throw EInOutError("Cannot write " + path + ": it is no regular file, or too large; it is left as it is");
    std::vector<Pending::Change> held;
    {
        std::lock_guard<std::mutex> lock(g_pendingMutex);
        if (const auto it = g_pending.find(path); it != g_pending.end()) {
            held = std::move(it->second.changes);
            g_pending.erase(it);
        }
    }
    std::vector<std::string> lost;
    std::string lostWhy;
    bool changed = MakeChanges(doc, held, &lost, &lostWhy);
    std::exception_ptr failed;
    if (change) {
        try {
            if ((*change)(doc)) {
                doc.Index();
                changed = true;
            }
        } catch (...) {
            failed = std::current_exception();
        }
    }
    try {
        if (changed) {
            if (!doc.converted.empty()) {
                // Lines read as Windows-1252 are written as UTF-8 now: the file as it was is kept first.
                const std::string aside = FileLocks::KeepAside(path);
                if (aside.empty()) throw EInOutError("Cannot keep " + path + " aside before writing it: " + std::strerror(errno));
                std::fprintf(stderr, "The profile file %s had lines that were not UTF-8 (line %zu first); it was kept as %s.\n",
                             path.c_str(), doc.converted.front() + 1, aside.c_str());
            }
            WriteFileBytes(fileName, doc.Serialize());
        }
    } catch (const std::exception& e) {
        if (!held.empty()) PendingWrites::Report({PendingWrites::TNotStored::nsCannotWrite, path, NamesOf(held), e.what()});
        throw;
    }
    if (!lost.empty()) PendingWrites::Report({PendingWrites::TNotStored::nsCannotWrite, path, lost, lostWhy});
    if (failed) std::rethrow_exception(failed);
}

// The folder whose lock every writer of the file at path takes.
std::string LockedFolder(const std::string& path) {
    const std::string dir = ExtractFileDir(path);
    return dir.empty() ? "." : dir;
}

std::string OneLine(const std::string& s) {
    std::string r = s;
    for (char& c : r) if (c == '\r' || c == '\n') c = ' ';
    return r;
}

} // namespace

// ---- TIniFile ----------------------------------------------------------------------------------------

TIniFile::TIniFile(const AnsiString& FileName) : TCustomIniFile(FileName) {}
TIniFile::~TIniFile() = default;

std::shared_ptr<const TIniFile::Document> TIniFile::Load() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string bytes;
    struct stat st {};
    SettingsFile::TRead read;
    try {
        read = SettingsFile::ReadUnlessUnchanged(ResolvePath(FileName()), cache_ && cache_->exists ? &cache_->stamp : nullptr,
                                                 bytes, st);
    } catch (const EFileRefused& e) {
        TellRefusedFile(e);
        auto doc = std::make_shared<Document>();
        doc->refused = true;
        cache_ = doc;
        return cache_;
    }
    if (read == SettingsFile::TRead::Missing) {
        if (!cache_ || cache_->exists || cache_->refused) cache_ = std::make_shared<Document>();
        return cache_;
    }
    if (read == SettingsFile::TRead::Unchanged) return cache_;
    auto doc = std::make_shared<Document>();
    doc->Parse(bytes);
    doc->stamp = st;
    doc->exists = true;
    cache_ = doc;
    return cache_;
}

std::shared_ptr<const TIniFile::Document> TIniFile::Current() {
    auto doc = Load();
    {
        std::lock_guard<std::mutex> lock(g_pendingMutex);
        if (g_pending.empty()) return doc;
    }
    const std::string path = ResolvePath(FileName());
    std::lock_guard<std::mutex> lock(g_pendingMutex);
    const auto it = g_pending.find(path);
    if (it == g_pending.end() || it->second.changes.empty()) return doc;
    auto view = std::make_shared<Document>(*doc);
    MakeChanges(*view, it->second.changes);
    return view;
}

void TIniFile::Modify(std::function<bool(Document&)> Change, const std::string& Name) {
    ScopeExit deliver(PendingWrites::Deliver);   // after every lock is released
    {
        std::lock_guard<std::mutex> process(g_writeMutex);
        // Other processes are kept out by a lock on the file's folder, so no helper file appears
        // beside it. Behind changes already pending a change waits no more: it joins them.
        const std::string path = ResolvePath(FileName());
        const bool pending = HasPending(path);
        const SettingsFile::TLock folder(LockedFolder(path), O_RDONLY | O_DIRECTORY,
                                         pending ? 0 : FileLocks::DefaultWaitMs);
        if (!folder.HeldByAnother()) {
            WriteLocked(path, FileName(), *Load(), &Change);
            return;
        }
        // Another program keeps the folder locked: the change waits for it, made at once on what
        // this program reads.
        std::lock_guard<std::mutex> lock(g_pendingMutex);
        Pending& p = g_pending[path];
        if (p.changes.empty()) {
            p.fileName = FileName();
            p.since = PendingWrites::Now();
        }
        p.changes.push_back({std::move(Change), Name});
    }
    PendingWrites::Retry(WritePending);
}

bool TIniFile::WritePending(int WaitMs, bool Last) {
    std::vector<std::string> paths;
    {
        std::lock_guard<std::mutex> lock(g_pendingMutex);
        for (const auto& [path, p] : g_pending)
            if (!p.changes.empty()) paths.push_back(path);
    }
    bool left = false;
    for (const auto& path : paths) {
        std::lock_guard<std::mutex> process(g_writeMutex);
        const SettingsFile::TLock folder(LockedFolder(path), O_RDONLY | O_DIRECTORY, WaitMs);
        std::string fileName;
        {
            std::lock_guard<std::mutex> lock(g_pendingMutex);
            const auto it = g_pending.find(path);
            if (it == g_pending.end() || it->second.changes.empty()) continue;
            if (folder.HeldByAnother()) {
                using R = PendingWrites::TNotStored;
                if (!Last && PendingWrites::Now() - it->second.since < PendingWrites::Limit) {
                    left = true;
                    continue;
                }
                PendingWrites::Report({Last ? R::nsProgramEnds : R::nsLockHeld, path, NamesOf(it->second.changes), ""});
                g_pending.erase(it);
                continue;
            }
            fileName = it->second.fileName;
        }
        try {
            TIniFile file(fileName);
            WriteLocked(path, fileName, *file.Load(), nullptr);
        } catch (const std::exception&) {
            // Reported as not stored.
        }
    }
    return left;
}

AnsiString TIniFile::ReadString(const AnsiString& Section, const AnsiString& Ident, const AnsiString& Default) {
    const auto doc = Current();
    const auto* s = doc->Find(Section);
    const auto* k = s ? s->Find(AnsiUpperCase(Trim(Ident))) : nullptr;
    return k ? k->value : Default;
}

void TIniFile::WriteString(const AnsiString& Section, const AnsiString& Ident, const AnsiString& Value) {
    const std::string section = Trim(Section), ident = Trim(Ident), value = OneLine(Value);
    Modify([section, ident, value](Document& doc) {
        const auto* s = doc.Find(section);
        if (!s) {
            if (!doc.lines.empty() && !Trim(doc.lines.back()).empty()) doc.lines.emplace_back();
            doc.lines.push_back("[" + section + "]");
            doc.lines.push_back(ident + "=" + value);
            doc.finalEol = true;
            return true;
        }
        if (const auto* k = s->Find(AnsiUpperCase(ident))) {
            const std::string line = k->name + "=" + value;
            if (doc.lines[k->line] == line) return false;
            doc.lines[k->line] = line;
            return true;
        }
        // After the last line of the section that is not blank, so the blank line before the next
        // section stays where it is.
        std::size_t at = s->header + 1;
        for (std::size_t i = s->end; i > s->header + 1; --i)
            if (!Trim(doc.lines[i - 1]).empty()) { at = i; break; }
        if (at == doc.lines.size()) doc.finalEol = true;
        doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(at), ident + "=" + value);
        return true;
    }, ident);
}

void TIniFile::ReadSections(TStrings* Strings) {
    const auto doc = Current();
    UpdateGuard update(*Strings);
    Strings->Clear();
    for (std::size_t i = 0; i < doc->sections.size(); ++i)
        if (doc->index.at(doc->sections[i].upper) == i) Strings->Add(doc->sections[i].name);
}

namespace {
// The keys of a section, the first of each name, as "key" or "key=value" lines.
void ListKeys(const TIniFile::Document& Doc, const AnsiString& Section, TStrings* Strings, bool WithValues) {
    UpdateGuard update(*Strings);
    Strings->Clear();
    if (const auto* s = Doc.Find(Section)) {
        for (const auto& k : s->keys)
            if (s->Find(k.upper) == &k) Strings->Add(WithValues ? k.name + "=" + k.value : k.name);
    }
}
} // namespace

void TIniFile::ReadSection(const AnsiString& Section, TStrings* Strings) { ListKeys(*Current(), Section, Strings, false); }

void TIniFile::ReadSectionValues(const AnsiString& Section, TStrings* Strings) { ListKeys(*Current(), Section, Strings, true); }

bool TIniFile::SectionExists(const AnsiString& Section) {
    return Current()->Find(Section) != nullptr;
}

bool TIniFile::ValueExists(const AnsiString& Section, const AnsiString& Ident) {
    const auto doc = Current();
    const auto* s = doc->Find(Section);
    return s && s->Find(AnsiUpperCase(Trim(Ident)));
}

void TIniFile::EraseSection(const AnsiString& Section) {
    const std::string upper = AnsiUpperCase(Trim(Section));
    Modify([upper](Document& doc) {
        bool changed = false;
        // Every section of that name, last first so the line numbers ahead stay valid.
        for (auto it = doc.sections.rbegin(); it != doc.sections.rend(); ++it) {
            if (it->upper != upper) continue;
            doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(it->header),
                            doc.lines.begin() + static_cast<std::ptrdiff_t>(it->end));
            changed = true;
        }
        return changed;
    }, "[" + Trim(Section) + "]");
}

void TIniFile::DeleteKey(const AnsiString& Section, const AnsiString& Ident) {
    const std::string upper = AnsiUpperCase(Trim(Ident));
    Modify([Section = std::string(Section), upper](Document& doc) {
        const auto* s = doc.Find(Section);
        if (!s) return false;
        bool changed = false;
        for (auto it = s->keys.rbegin(); it != s->keys.rend(); ++it) {
            if (it->upper != upper) continue;
            doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(it->line));
            changed = true;
        }
        return changed;
    }, Trim(Ident));
}
