#pragma once
// The page producer: expands "<#NAME params>" tags of an HTML template through an event handler.
#include "Classes.h"

// The kind of a tag, from its name; the handlers of this system look only at the name.
enum TTag { tgCustom, tgLink, tgImage, tgTable, tgImageMap, tgObject, tgEmbed };

// ReplaceText starts empty; whatever the handler leaves there replaces the whole tag.
using THTMLTagEvent = std::function<void(TObject* Sender, TTag Tag, const AnsiString& TagString,
                                         TStrings* TagParams, AnsiString& ReplaceText)>;

// A tag is "<#" followed by its name (letters, digits, "_") and parameters up to the next ">". The
// parameter text is trimmed and split at blanks into entries "name=value"; double quotes let a value
// hold blanks and are removed. Text outside tags, a "<" without "#" and an unterminated "<#" are
// copied unchanged. A replacement is not scanned again, and a tag no handler fills in disappears.
// Expansion keeps no state in the producer, so a handler may expand another producer meanwhile.
class TPageProducer : public TComponent {
public:
    explicit TPageProducer(TComponent* AOwner);
    ~TPageProducer() override;

    // The template file, read anew at each Content(); when empty, HTMLDoc is the template.
    const AnsiString& HTMLFile() const { return htmlFile_; }
    void SetHTMLFile(const AnsiString& Value) { htmlFile_ = Value; }
    TStrings* HTMLDoc() const { return htmlDoc_.get(); }
    void SetHTMLDoc(TStrings* Value) { htmlDoc_->Assign(Value); }
    // When set, HTMLFile is read only when it lies inside this folder, also with its links resolved.
    const AnsiString& HTMLFolder() const { return htmlFolder_; }
    void SetHTMLFolder(const AnsiString& Value) {
        htmlFolder_ = Value;
        stamp_ = FileStamp();
    }
    // A template is expanded many times over into a page: a larger file is not read.
    static constexpr std::size_t MaxHTMLFileBytes = 1u << 20;

    // The expanded template. Raises EFOpenError when HTMLFile is set and cannot be read, and when it
    // is no regular file of at most MaxHTMLFileBytes or lies outside HTMLFolder. The file is UTF-8,
    // or Windows-1252 when it is not valid UTF-8.
    AnsiString Content();
    AnsiString ContentFromString(const AnsiString& Template);
    AnsiString ContentFromStream(TStream* Stream);

    THTMLTagEvent OnHTMLTag;

    static TTag TagKind(const AnsiString& TagString);
    // Splits a tag's parameter text into Params (cleared first).
    static void ExtractTagParams(std::string_view ParamText, TStrings* Params);
protected:
    virtual void DoTagEvent(TTag Tag, const AnsiString& TagString, TStrings* TagParams, AnsiString& ReplaceText);
private:
    AnsiString htmlFile_, htmlFolder_;
    std::unique_ptr<TStringList> htmlDoc_;
    // The decoded text of the template file as last read, and the file's identity and times then:
    // a month page expands its day template 42 times, and the file is read again only when changed.
    struct FileStamp {
        AnsiString path;
        unsigned long long device = 0, inode = 0;
        long long size = -1, modified = 0, changed = 0;
        bool operator==(const FileStamp&) const = default;
    };
    FileStamp stamp_;
    std::shared_ptr<const AnsiString> fileText_;
};
