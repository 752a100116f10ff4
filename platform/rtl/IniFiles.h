#pragma once
// Profile files ("*.ini") with the platform's rules: sections and keys ignore case, values are
// trimmed and lose one pair of enclosing quotes, ";" starts a comment, the first occurrence wins.
#include "Classes.h"

// The interface shared by files and other stores of sections with keys.
class TCustomIniFile : public TObject {
public:
    explicit TCustomIniFile(AnsiString FileName) : fileName_(std::move(FileName)) {}
    const AnsiString& FileName() const { return fileName_; }

    virtual AnsiString ReadString(const AnsiString& Section, const AnsiString& Ident,
                                  const AnsiString& Default) = 0;
    virtual void WriteString(const AnsiString& Section, const AnsiString& Ident, const AnsiString& Value) = 0;
    // The value as a number (decimal, "$" or "0x" hex); Default when missing or not a number.
    virtual int ReadInteger(const AnsiString& Section, const AnsiString& Ident, int Default);
    virtual void WriteInteger(const AnsiString& Section, const AnsiString& Ident, int Value);
    // True for any number other than 0; Default when the value is missing or not a number.
    virtual bool ReadBool(const AnsiString& Section, const AnsiString& Ident, bool Default);
    virtual void WriteBool(const AnsiString& Section, const AnsiString& Ident, bool Value);
    // Read with the decimal separator of the settings or a point; written with the separator.
    virtual double ReadFloat(const AnsiString& Section, const AnsiString& Ident, double Default);
    virtual void WriteFloat(const AnsiString& Section, const AnsiString& Ident, double Value);

    // Section names in file order, without brackets.
    virtual void ReadSections(TStrings* Strings) = 0;
    // The key names of a section.
    virtual void ReadSection(const AnsiString& Section, TStrings* Strings) = 0;
    // "key=value" lines of a section.
    virtual void ReadSectionValues(const AnsiString& Section, TStrings* Strings) = 0;
    virtual bool SectionExists(const AnsiString& Section);
    virtual bool ValueExists(const AnsiString& Section, const AnsiString& Ident);
    virtual void EraseSection(const AnsiString& Section) = 0;
    virtual void DeleteKey(const AnsiString& Section, const AnsiString& Ident) = 0;
    virtual void UpdateFile() = 0;
private:
    AnsiString fileName_;
};

// A profile file on disk. Every read sees the file as it is now (a missing file is empty); every
// write re-reads it, changes only the lines concerned and replaces the file atomically, so readers on
// other threads or processes never see half a file. A write waits for another program holding the
// lock of the file's folder only briefly; a change that did not get it stays pending (PendingWrites.h):
// every reader of the file in this process sees it at once, and it is written, in order, as soon as
// the lock is free. The text is UTF-8; a line that is not valid UTF-8
// (a key's name and its value each on its own) is read as Windows-1252, and written back as UTF-8 on
// the next write, which first keeps the file as it was beside it as "<file>.unreadable-<time>-<pid>"
// (and fails when it cannot). A file that is no regular file, or larger than
// SysUtils::MaxSettingsFileBytes, reads as empty, is told once (SysUtils::TellRefusedFile) and is
// never written over: a write raises EInOutError.
class TIniFile : public TCustomIniFile {
public:
    explicit TIniFile(const AnsiString& FileName);
    ~TIniFile() override;

    AnsiString ReadString(const AnsiString& Section, const AnsiString& Ident,
                          const AnsiString& Default) override;
    // Raises EInOutError when the file cannot be written. Line breaks in Value become blanks, so a
    // value can never add lines of its own to the file.
    void WriteString(const AnsiString& Section, const AnsiString& Ident, const AnsiString& Value) override;
    void ReadSections(TStrings* Strings) override;
    void ReadSection(const AnsiString& Section, TStrings* Strings) override;
    void ReadSectionValues(const AnsiString& Section, TStrings* Strings) override;
    bool SectionExists(const AnsiString& Section) override;
    bool ValueExists(const AnsiString& Section, const AnsiString& Ident) override;
    void EraseSection(const AnsiString& Section) override;
    void DeleteKey(const AnsiString& Section, const AnsiString& Ident) override;
    // Writes are immediate, or pending on another program's lock and written as soon as it is
    // free; nothing waits for this call.
    void UpdateFile() override {}

    struct Document;
private:
    std::shared_ptr<const Document> Load();
    // The file as this program sees it: with the changes still pending made on it.
    std::shared_ptr<const Document> Current();
    // Makes Change (which must hold copies of what it needs: it may run again later) when it changes
    // something; Name says what it changes, should it have to be reported as not stored.
    void Modify(std::function<bool(Document&)> Change, const std::string& Name);
    // The writing thread's turn (PendingWrites.h) for the profile files.
    static bool WritePending(int WaitMs, bool Last);
    std::mutex mutex_;
    std::shared_ptr<const Document> cache_;
};
