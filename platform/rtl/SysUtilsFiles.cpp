// File names, files and the process, for paths written as the system always wrote them.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <set>
#include <unordered_map>
#include <vector>

#include "Classes.h"
#include "SysUtils.h"

namespace SysUtils {
namespace {

std::string Slashes(const std::string& path) {
    std::string p = path;
    for (char& c : p) if (c == '\\') c = '/';
    return p;
}

bool Exists(const std::string& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0;
}

// Names found by a case-insensitive walk: the program asks for the same few files (templates,
// images, settings) again and again, and each walk lists directories. A remembered answer is
// used only while the name as asked still does not exist and the answer still does.
class ResolvedNames {
public:
    bool Find(const std::string& asked, std::string& found) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = names_.find(asked);
        if (it == names_.end()) return false;
        found = it->second;
        return true;
    }
    void Remember(const std::string& asked, const std::string& found) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (names_.size() >= 512) names_.clear();
        names_[asked] = found;
    }
private:
    std::mutex mutex_;
    std::unordered_map<std::string, std::string> names_;
};

ResolvedNames& Resolved() {
    static ResolvedNames names;
    return names;
}

std::vector<std::string> g_args;
std::string g_programFolder;
std::mutex g_processMutex;

} // namespace

AnsiString ResolvePath(const AnsiString& path) {
    std::string p = Slashes(path);
    if (p.empty() || Exists(p)) return p;
    std::string known;
    if (Resolved().Find(p, known) && Exists(known)) return known;
    // Walk the components; where one is missing in its exact case, take a case-insensitive match.
    std::string resolved = p[0] == '/' ? "/" : "";
    std::size_t i = p[0] == '/' ? 1 : 0;
    while (i <= p.size()) {
        std::size_t next = p.find('/', i);
        if (next == std::string::npos) next = p.size();
        const std::string comp = p.substr(i, next - i);
        const bool trailing = next < p.size();
        if (!comp.empty()) {
            std::string candidate = resolved + comp;
            if (!Exists(candidate) && comp != "." && comp != "..") {
                const std::string dir = resolved.empty() ? "." : resolved;
                if (DIR* d = ::opendir(dir.c_str())) {
                    while (dirent* e = ::readdir(d)) {
                        if (AnsiSameText(e->d_name, comp)) { candidate = resolved + e->d_name; break; }
                    }
                    ::closedir(d);
                }
            }
            resolved = candidate;
        }
        if (trailing) resolved += '/';
        i = next + 1;
    }
    if (resolved != p && Exists(resolved)) Resolved().Remember(p, resolved);
    return resolved;
}

bool FileExists(const AnsiString& name) {
    struct stat st;
    return !name.empty() && ::stat(ResolvePath(name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const AnsiString& name) {
    struct stat st;
    return !name.empty() && ::stat(ResolvePath(name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const AnsiString& dir) {
    std::string p = ExcludeTrailingPathDelimiter(ResolvePath(dir));
    if (p.empty()) return false;
    if (DirectoryExists(p)) return true;
    const std::string parent = ExtractFileDir(p);
    if (!parent.empty() && parent != p && !ForceDirectories(parent)) return false;
    return ::mkdir(p.c_str(), 0777) == 0 || errno == EEXIST;
}

bool DeleteFile(const AnsiString& name) { return FileExists(name) && ::unlink(ResolvePath(name).c_str()) == 0; }

bool RenameFile(const AnsiString& oldName, const AnsiString& newName) {
    const std::string to = Slashes(newName);
    if (Exists(to)) return false;
    return ::rename(ResolvePath(oldName).c_str(), to.c_str()) == 0;
}

namespace {
std::size_t LastDelimiter(const std::string& name) { return name.find_last_of("/\\"); }
}

AnsiString ExtractFilePath(const AnsiString& name) {
    const auto p = LastDelimiter(name);
    return p == std::string::npos ? std::string() : Slashes(name.substr(0, p + 1));
}

AnsiString ExtractFileDir(const AnsiString& name) {
    const auto p = LastDelimiter(name);
    if (p == std::string::npos) return {};
    if (p == 0) return "/";
    return Slashes(name.substr(0, p));
}

AnsiString ExtractFileName(const AnsiString& name) {
    const auto p = LastDelimiter(name);
    return p == std::string::npos ? name : name.substr(p + 1);
}

AnsiString ExtractFileExt(const AnsiString& name) {
    const std::string file = ExtractFileName(name);
    const auto p = file.rfind('.');
    return p == std::string::npos ? std::string() : file.substr(p);
}

AnsiString ChangeFileExt(const AnsiString& name, const AnsiString& ext) {
    const std::string ext0 = ExtractFileExt(name);
    return name.substr(0, name.size() - ext0.size()) + ext;
}

AnsiString IncludeTrailingPathDelimiter(const AnsiString& s) {
    std::string p = Slashes(s);
    if (p.empty() || p.back() != '/') p += '/';
    return p;
}

AnsiString ExcludeTrailingPathDelimiter(const AnsiString& s) {
    std::string p = Slashes(s);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

AnsiString ExpandFileName(const AnsiString& name) {
    std::string p = Slashes(name);
    if (p.empty() || p[0] != '/') {
        char buf[4096];
        if (::getcwd(buf, sizeof buf)) p = std::string(buf) + "/" + p;
    }
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i <= p.size()) {
        std::size_t next = p.find('/', i);
        if (next == std::string::npos) next = p.size();
        const std::string comp = p.substr(i, next - i);
        if (comp == "..") { if (!parts.empty()) parts.pop_back(); }
        else if (!comp.empty() && comp != ".") parts.push_back(comp);
        i = next + 1;
    }
    std::string out;
    for (const auto& c : parts) out += "/" + c;
    if (out.empty()) out = "/";
    if (p.size() > 1 && p.back() == '/') out += '/';
    return out;
}

AnsiString FileNameToURL(const AnsiString& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string out = "file://";
    for (unsigned char c : Slashes(path)) {
        if (std::isalnum(c) || std::strchr("/-._~!$&'()*+,;=:@", c)) out += static_cast<char>(c);
        else { out += '%'; out += hex[c >> 4]; out += hex[c & 15]; }
    }
    return out;
}

EFileRefused::EFileRefused(const AnsiString& AFileName, TReason AReason, std::size_t AMaxBytes)
    : EInOutError((AReason == frNotRegular ? "Not a regular file: \"" : "File too large: \"") + AFileName + "\""),
      FileName(AFileName), Reason(AReason), MaxBytes(AMaxBytes) {}

std::unique_ptr<TRegularFile> TRegularFile::Open(const AnsiString& Name, std::size_t MaxBytes, bool NoFollow) {
    // O_NONBLOCK: opening a FIFO without a writer returns at once instead of waiting for one.
    const int fd = ::open(ResolvePath(Name).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (NoFollow ? O_NOFOLLOW : 0));
    if (fd < 0) {
        // A link where none may be counts as what it is not: a regular file.
        if (errno == ELOOP && NoFollow) throw EFileRefused(Name, EFileRefused::frNotRegular, MaxBytes);
        return nullptr;
    }
    std::unique_ptr<TRegularFile> file(new TRegularFile(fd, Name, MaxBytes));
    if (::fstat(fd, file->status_.get()) != 0 || !S_ISREG(file->status_->st_mode))
        throw EFileRefused(Name, EFileRefused::frNotRegular, MaxBytes);
    if (file->status_->st_size < 0 || static_cast<unsigned long long>(file->status_->st_size) > MaxBytes)
        throw EFileRefused(Name, EFileRefused::frTooLarge, MaxBytes);
    // Reads wait for the disk as usual from here on.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return file;
}

TRegularFile::TRegularFile(int Fd, const AnsiString& Name, std::size_t MaxBytes)
    : fd_(Fd), name_(Name), maxBytes_(MaxBytes), status_(std::make_unique<struct stat>()) {}

TRegularFile::~TRegularFile() { ::close(fd_); }

const struct stat& TRegularFile::Status() const { return *status_; }

std::string TRegularFile::ReadAll() {
    // The file may grow while it is read: one byte past the bound tells.
    std::string data(static_cast<std::size_t>(status_->st_size) + 1, '\0');
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::read(fd_, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw EInOutError("Cannot read file \"" + name_ + "\": " + std::strerror(errno));
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
        if (done > maxBytes_) throw EFileRefused(name_, EFileRefused::frTooLarge, maxBytes_);
        if (done == data.size()) data.resize(std::min(maxBytes_ + 1, data.size() * 2));
    }
    data.resize(done);
    return data;
}

std::string TRegularFile::Peek(std::size_t Count) {
    std::string data(Count, '\0');
    std::size_t done = 0;
    while (done < Count) {
        const ssize_t n = ::pread(fd_, data.data() + done, Count - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    data.resize(done);
    return data;
}

std::string ReadRegularFile(const AnsiString& name, std::size_t maxBytes) {
    const auto file = TRegularFile::Open(name, maxBytes);
    if (!file) throw EInOutError("Cannot open file \"" + name + "\": " + std::strerror(errno));
    return file->ReadAll();
}

std::string ReadFileBytes(const AnsiString& name) { return ReadRegularFile(name, MaxFileBytes); }

namespace {
struct RefusedFiles {
    std::mutex mutex;
    std::set<std::pair<std::string, int>> told;
    std::vector<EFileRefused> waiting;   // for a handler still to come
    std::function<void(const EFileRefused&)> handler;
};
RefusedFiles& Refused() {
    static RefusedFiles refused;
    return refused;
}
} // namespace

void TellRefusedFile(const EFileRefused& Refusal) {
    std::function<void(const EFileRefused&)> handler;
    const std::string file = ResolvePath(Refusal.FileName);
    {
        RefusedFiles& r = Refused();
        std::lock_guard<std::mutex> lock(r.mutex);
        if (!r.told.insert({file, Refusal.Reason}).second) return;
        if (!r.handler) {
            if (r.waiting.size() < 16) r.waiting.push_back(Refusal);
            return;
        }
        handler = r.handler;
    }
    handler(Refusal);
}

void SetRefusedFileHandler(std::function<void(const EFileRefused&)> Handler) {
    std::vector<EFileRefused> waiting;
    {
        RefusedFiles& r = Refused();
        std::lock_guard<std::mutex> lock(r.mutex);
        r.handler = Handler;
        if (Handler) waiting.swap(r.waiting);
    }
    for (const EFileRefused& e : waiting) Handler(e);
}

AnsiString ResolveInsideFolder(const AnsiString& Folder, const AnsiString& Path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path folder = fs::canonical(std::string(ResolvePath(Folder)), ec);
    if (ec) return "";
    const fs::path file = fs::weakly_canonical(std::string(ResolvePath(Path)), ec);
    if (ec) return "";
    const auto mismatch = std::mismatch(folder.begin(), folder.end(), file.begin(), file.end());
    return mismatch.first == folder.end() && mismatch.second != file.end() ? AnsiString(file.string()) : AnsiString();
}

void WriteFileBytes(const AnsiString& name, std::string_view bytes, unsigned NewFileMode) {
    std::string target = ResolvePath(name);
    {
        // A file kept behind a link (settings in a synchronised folder, say) stays behind it: the
        // new text replaces the file the link names, beside it, and the link is left as it was.
        namespace fs = std::filesystem;
        std::error_code ec;
        if (fs::is_symlink(fs::symlink_status(target, ec))) {
            const fs::path linked = fs::canonical(target, ec);
            if (!ec) target = linked.string();
        }
    }
    struct stat old {};
    const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : static_cast<mode_t>(NewFileMode);
    std::string tmp = target + TemporaryFileInfix + "XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) throw EInOutError("Cannot create file \"" + name + "\": " + std::strerror(errno));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int err = errno;
            ::close(fd);
            ::unlink(tmp.c_str());
            throw EInOutError("Cannot write file \"" + name + "\": " + std::strerror(err));
        }
        done += static_cast<std::size_t>(n);
    }
    ::fchmod(fd, mode);
    ::fsync(fd);
    ::close(fd);
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        throw EInOutError("Cannot write file \"" + name + "\": " + std::strerror(err));
    }
}

// ---- current folder, file times, finding files ----------------------------------------------------
namespace {

TDateTime LocalDateTime(time_t when) {
    tm local{};
    localtime_r(&when, &local);
    TDateTime d, t;
    TryEncodeDate(static_cast<Word>(local.tm_year + 1900), static_cast<Word>(local.tm_mon + 1),
                  static_cast<Word>(local.tm_mday), d);
    TryEncodeTime(static_cast<Word>(local.tm_hour), static_cast<Word>(local.tm_min),
                  static_cast<Word>(local.tm_sec > 59 ? 59 : local.tm_sec), 0, t);
    return d.Val + t.Val;
}

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool MatchesMask(const char* mask, const char* name) {
    for (; *mask; ++mask, ++name) {
        if (*mask == '*') {
            while (mask[1] == '*') ++mask;
            if (!mask[1]) return true;
            for (const char* rest = name; *rest; ++rest)
                if (MatchesMask(mask + 1, rest)) return true;
            return false;
        }
        if (!*name) return false;
        if (*mask != '?' && Lower(*mask) != Lower(*name)) return false;
    }
    return !*name;
}

} // namespace

struct TSearchState {
    std::string folder;                  // resolved, with a trailing delimiter
    std::string mask;
    int attr = 0;
    std::vector<std::string> names;      // the entries still to look at
    std::size_t next = 0;
};

namespace {

// The next entry of the search that fits its mask and attributes.
int NextEntry(TSearchRec& F) {
    TSearchState* s = F.FindHandle.get();
    if (!s) return ENOENT;
    while (s->next < s->names.size()) {
        const std::string& name = s->names[s->next++];
        if (name == "." || name == "..") continue;
        if (!s->mask.empty() && !MatchesMask(s->mask.c_str(), name.c_str())) continue;
        struct stat st;
        if (::stat((s->folder + name).c_str(), &st) != 0) continue;
        int attr = 0;
        if (S_ISDIR(st.st_mode)) attr |= faDirectory;
        if (name[0] == '.') attr |= faHidden;
        if ((attr & ~s->attr) != 0) continue;
        F.Name = name;
        F.Size = static_cast<Int64>(st.st_size);
        F.Attr = attr;
        F.TimeStamp = LocalDateTime(st.st_mtime);
        return 0;
    }
    return ENOENT;
}

} // namespace

AnsiString GetCurrentDir() {
    std::vector<char> buf(4096);
    while (!::getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE) return {};
        buf.resize(buf.size() * 2);
    }
    return buf.data();
}

bool SetCurrentDir(const AnsiString& Dir) { return !Dir.empty() && ::chdir(ResolvePath(Dir).c_str()) == 0; }

bool FileAge(const AnsiString& FileName, TDateTime& FileDateTime) {
    struct stat st;
    if (FileName.empty() || ::stat(ResolvePath(FileName).c_str(), &st) != 0) return false;
    FileDateTime = LocalDateTime(st.st_mtime);
    return true;
}

int FindFirst(const AnsiString& Path, int Attr, TSearchRec& F) {
    FindClose(F);
    auto state = std::make_shared<TSearchState>();
    state->attr = Attr;
    const std::string mask = ExtractFileName(Path);
    if (mask.empty()) return ENOENT;
    if (mask.find_first_of("*?") == std::string::npos) {
        // One name: found as every file function finds it, in its exact case first.
        const std::string path = ResolvePath(Path);
        state->folder = ExtractFilePath(path);
        state->names.push_back(ExtractFileName(path));
    } else {
        const std::string dir = ExtractFileDir(Path);
        state->folder = dir.empty() ? std::string("./") : IncludeTrailingPathDelimiter(ResolvePath(dir));
        state->mask = mask;
        if (DIR* d = ::opendir(state->folder.c_str())) {
            while (const dirent* e = ::readdir(d)) state->names.emplace_back(e->d_name);
            ::closedir(d);
        }
    }
    F.FindHandle = std::move(state);
    const int result = NextEntry(F);
    if (result != 0) FindClose(F);
    return result;
}

int FindNext(TSearchRec& F) { return NextEntry(F); }

void FindClose(TSearchRec& F) { F.FindHandle.reset(); }

void SetCommandLine(int argc, char** argv) {
    std::lock_guard<std::mutex> lock(g_processMutex);
    g_args.assign(argv, argv + argc);
}

int ParamCount() {
    std::lock_guard<std::mutex> lock(g_processMutex);
    return g_args.empty() ? 0 : static_cast<int>(g_args.size()) - 1;
}

AnsiString ParamStr(int index) {
    if (index == 0) {
        char buf[4096];
        const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
        if (n > 0) return std::string(buf, static_cast<std::size_t>(n));
    }
    std::lock_guard<std::mutex> lock(g_processMutex);
    if (index < 0 || index >= static_cast<int>(g_args.size())) return {};
    return g_args[static_cast<std::size_t>(index)];
}

AnsiString ProgramFolder() {
    {
        std::lock_guard<std::mutex> lock(g_processMutex);
        if (!g_programFolder.empty()) return g_programFolder;
    }
    const std::string env = GetEnvironmentVariable("ZB_PROGRAM_DIR");
    if (!env.empty()) return IncludeTrailingPathDelimiter(env);
    return ExtractFilePath(ParamStr(0));
}

void SetProgramFolder(const AnsiString& folder) {
    std::lock_guard<std::mutex> lock(g_processMutex);
    g_programFolder = folder.empty() ? std::string() : IncludeTrailingPathDelimiter(folder);
}

namespace {
std::atomic<TEnvironmentReader> g_environmentReader{nullptr};
} // namespace

void SetEnvironmentReader(TEnvironmentReader Reader) { g_environmentReader = Reader; }

AnsiString GetEnvironmentVariable(const AnsiString& name) {
    if (const TEnvironmentReader read = g_environmentReader) return read(name.c_str());
    const char* v = std::getenv(name.c_str());
    return v ? v : "";
}

bool AppendPrivateFile(const AnsiString& name, std::string_view bytes, bool Empty) {
    // Non-blocking, so a pipe put in the file's place cannot hold the writer.
    const int fd = ::open(Slashes(name).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK,
                          S_IRUSR | S_IWUSR);
    if (fd < 0) return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
    if (ok && (st.st_mode & (S_IRWXG | S_IRWXO)) != 0) ok = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
    if (ok && Empty) ok = ::ftruncate(fd, 0) == 0;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return ok;
}

AnsiString GetTempFolder() {
    for (const char* var : {"TEMP", "TMPDIR", "XDG_RUNTIME_DIR"}) {
        const std::string v = GetEnvironmentVariable(var);
        if (!v.empty()) return IncludeTrailingPathDelimiter(v);
    }
    return "/tmp/";
}

} // namespace SysUtils
