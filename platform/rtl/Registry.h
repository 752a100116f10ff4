#pragma once
// The registry: typed values under a tree of keys, one human-readable REGEDIT4 file per root key.
//
// Files: HKEY_CURRENT_USER.reg and HKEY_LOCAL_MACHINE.reg in the folder $PROGRAM_REGISTRY when it
// is set; else the user's root lives in $XDG_CONFIG_HOME/program (~/.config/program) and the machine's
// in /etc/program (ProgramName.h). Key and value names ignore case and keep the case first written.
// Every write takes a lock on "<file>.lock", re-reads the file, changes it and replaces it through a
// temporary file, so threads and processes writing different values lose none, and readers never
// see half a file; temporary files a killed writer left are removed at the next start. Reads see
// the file as it is now. A writer waits for another program holding the lock only briefly
// (FileLocks::DefaultWaitMs); a change that did not get it stays pending (PendingWrites.h): every
// read of the process sees it at once, and it is written, in order, as soon as the lock is free. A
// reader never waits for the lock. New files are the user's alone (0600); a file keeps its mode.
// A line that cannot be read costs only itself: the file as it was is kept aside as
// "<file>.unreadable-<time>-<pid>", the readable keys and values are written back, and the problem
// handler hears of it once. A file that is no REGEDIT4 file at all is moved aside and reads as empty.
// A file with unreadable lines that cannot be kept aside (a read-only folder) is read as far as it
// can be and never written. A file that is no regular file (a FIFO, a device, also behind a link),
// or larger than SysUtils::MaxSettingsFileBytes, is not read at all: its settings read as empty,
// it is never written, and the refusal is told once (SysUtils::TellRefusedFile).
// Each name and text is decoded on its own: valid UTF-8 stays UTF-8, anything else is read as
// Windows-1252. Before a write turns such values into UTF-8, the file as it was is kept aside the
// same way (and the handler hears of it); when it cannot be, the write fails.
#include "Classes.h"

class ERegistryException : public SysUtils::Exception { using Exception::Exception; };

// A registry file that could not be read whole.
struct TRegistryProblem {
    enum TKind {
        rpLinesKeptAside,   // the readable rest was kept, the file as it was lies at AsideName
        rpFileKeptAside,    // no REGEDIT4 file at all: moved to AsideName, the settings start empty
        rpCannotChange,     // could not be kept aside: read as far as it can be, never written
        rpValuesConverted   // values that were not UTF-8 were read as Windows-1252 and are now
                            // written as UTF-8; the file as it was lies at AsideName
    };
    TKind Kind;
    AnsiString FileName, AsideName;
    std::vector<int> Lines;   // the lines that could not be read (1 = the first)
};

using HKEY = std::uint32_t;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
constexpr HKEY HKEY_USERS = 0x80000003u;
constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005u;

// Access rights that matter here: without the right to set values every key opens read-only.
constexpr Cardinal KEY_QUERY_VALUE = 0x0001, KEY_SET_VALUE = 0x0002, KEY_CREATE_SUB_KEY = 0x0004,
                   KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr Cardinal KEY_READ = 0x20019, KEY_WRITE = 0x20006, KEY_ALL_ACCESS = 0xF003F;

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

class TRegistry : public TObject {
public:
    TRegistry();
    explicit TRegistry(Cardinal AAccess);
    ~TRegistry() override;

    HKEY RootKey() const { return root_; }
    // Closes the current key.
    void SetRootKey(HKEY Value);
    Cardinal Access() const { return access_; }
    void SetAccess(Cardinal Value) { access_ = Value; }
    // The open key, from the root, without a leading backslash ("" for the root itself).
    AnsiString CurrentPath() const { return path_; }

    // A leading backslash means from the root, otherwise from the current key. False when the key
    // does not exist and may not be created (or cannot be, as the machine's root for a user).
    bool OpenKey(const AnsiString& Key, bool CanCreate);
    bool OpenKeyReadOnly(const AnsiString& Key);
    // Back to the root key.
    void CloseKey();
    bool CreateKey(const AnsiString& Key);
    // Removes the key with everything below it.
    bool DeleteKey(const AnsiString& Key);
    bool KeyExists(const AnsiString& Key);
    bool HasSubKeys();
    void GetKeyNames(TStrings* Strings);

    bool ValueExists(const AnsiString& Name);
    bool DeleteValue(const AnsiString& Name);
    void GetValueNames(TStrings* Strings);
    TRegDataType GetDataType(const AnsiString& Name);
    // Bytes of the value's data (strings with their terminating zero); -1 when missing.
    int GetDataSize(const AnsiString& Name);

    // A missing value reads as ""; a value that is not a string raises ERegistryException.
    AnsiString ReadString(const AnsiString& Name);
    void WriteString(const AnsiString& Name, const AnsiString& Value);
    void WriteExpandString(const AnsiString& Name, const AnsiString& Value);
    // A DWORD as a signed 32-bit number; missing or of another type raises ERegistryException.
    int ReadInteger(const AnsiString& Name);
    void WriteInteger(const AnsiString& Name, int Value);
    bool ReadBool(const AnsiString& Name) { return ReadInteger(Name) != 0; }
    void WriteBool(const AnsiString& Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }
    // Copies binary data into Buffer and returns its size; raises when missing, not binary or larger
    // than BufSize.
    // A value that is missing or of another type gives false and leaves Value as it was, so each
    // caller keeps its own default.
    bool TryReadInteger(const AnsiString& Name, int& Value);
    bool TryReadString(const AnsiString& Name, AnsiString& Value);
    int ReadBinaryData(const AnsiString& Name, void* Buffer, int BufSize);
    void WriteBinaryData(const AnsiString& Name, const void* Buffer, int BufSize);

    // Writes raise ERegistryException: for a key opened read-only, a key deleted meanwhile or a file
    // that cannot be written. A pending change that meets such a failure when it is written at last
    // is reported through PendingWrites instead.

    // The file that holds a root key.
    static AnsiString HiveFileName(HKEY Root);
    // What the program reads under Root now; the same object for as long as nothing changed there
    // (this program's writes, pending ones among them, and the file replaced by another program).
    static std::shared_ptr<const void> Stamp(HKEY Root);
    // Receives what the user should know about a registry file that could not be read whole, once
    // per damaged file. Called on the thread that met the problem, outside the registry's locks;
    // problems met before a handler is set are handed to it when it is set. They go to stderr too.
    static void SetProblemHandler(std::function<void(const TRegistryProblem&)> Handler);

    struct Hive;
private:
    std::shared_ptr<const Hive> Snapshot() const;
    // Makes Change (which must hold copies of what it needs: it may run again later) and gives its
    // result; Name says what it changes, should it have to be reported as not stored ("" for a key
    // made, which is no news beside its values).
    bool Modify(std::function<bool(Hive&)> Change, const std::string& Name);
    void WriteValue(const AnsiString& Name, TRegDataType Type, std::string Data, int RawType);
    AnsiString Absolute(const AnsiString& Key) const;
    void CheckWritable(const AnsiString& Name) const;

    HKEY root_ = HKEY_CURRENT_USER;
    Cardinal access_ = KEY_ALL_ACCESS;
    AnsiString path_;
    bool readOnly_ = false;
};
