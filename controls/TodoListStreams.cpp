// The binary forms of the to-do model: the item stream, the list stream and the columns file.
// Every integer is little-endian; a text is its UTF-8 bytes with the record's size as its length.
#include "TodoList.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "TextEncoding.h"

namespace {

// Property ids of the item stream.
enum : Byte {
    idComplete = 1, idCompletion, idCompletionDate, idCreationDate, idDueDate, idImageIndex, idNotes,
    idPriority, idResource, idStatus, idSubject, idTag, idTotalTime, idProject
};
// Property ids of the columns file.
enum : Byte { idWidth = 1, idCaption, idTodoData };

constexpr std::size_t MaxRecordSize = 0xFFFF;

class Writer {
public:
    explicit Writer(TStream* s) : s_(s) {}

    void Int32(std::int32_t v) {
        const auto u = static_cast<std::uint32_t>(v);
        const unsigned char b[4] = {Byte(u), Byte(u >> 8), Byte(u >> 16), Byte(u >> 24)};
        s_->WriteBuffer(b, 4);
    }
    void Header(Byte id, std::size_t size) {
        const unsigned char b[3] = {id, Byte(size), Byte(size >> 8)};
        s_->WriteBuffer(b, 3);
    }
    void ByteRecord(Byte id, Byte v) {
        Header(id, 1);
        s_->WriteBuffer(&v, 1);
    }
    void Int32Record(Byte id, std::int32_t v) {
        Header(id, 4);
        Int32(v);
    }
    void DoubleRecord(Byte id, double v) {
        std::uint64_t u;
        std::memcpy(&u, &v, 8);
        unsigned char b[8];
        for (int i = 0; i < 8; ++i) b[i] = Byte(u >> (8 * i));
        Header(id, 8);
        s_->WriteBuffer(b, 8);
    }
    // The size field holds at most 65535 bytes; a longer text is cut at the last whole character
    // that fits rather than written with a size that no longer matches it.
    void TextRecord(Byte id, std::string_view text) {
        std::size_t n = text.size();
        if (n > MaxRecordSize) {
            n = MaxRecordSize;
            while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
        }
        Header(id, n);
        s_->WriteBuffer(text.data(), static_cast<std::int64_t>(n));
    }

private:
    TStream* s_;
};

class Reader {
public:
    explicit Reader(TStream* s) : s_(s) {}

    std::int32_t Int32() {
        unsigned char b[4];
        s_->ReadBuffer(b, 4);
        return static_cast<std::int32_t>(std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 |
                                         std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24);
    }
    Byte Byte1() {
        Byte b;
        s_->ReadBuffer(&b, 1);
        return b;
    }
    Word Word2() {
        unsigned char b[2];
        s_->ReadBuffer(b, 2);
        return static_cast<Word>(b[0] | b[1] << 8);
    }
    double Double() {
        unsigned char b[8];
        s_->ReadBuffer(b, 8);
        std::uint64_t u = 0;
        for (int i = 0; i < 8; ++i) u |= std::uint64_t(b[i]) << (8 * i);
        double v;
        std::memcpy(&v, &u, 8);
        return v;
    }
    // Text written by this program is UTF-8; anything else was written in the Windows code page.
    // A record is not a file: a leading byte-order mark is a character of the text and stays.
    std::string Text(std::size_t n) {
        std::string bytes(n, '\0');
        s_->ReadBuffer(bytes.data(), static_cast<std::int64_t>(n));
        return TextEncoding::IsValidUtf8(bytes) ? bytes : TextEncoding::Cp1252ToUtf8(bytes);
    }
    // Moves past n bytes; a record that claims more bytes than are left is a truncated stream.
    void Skip(std::size_t n) {
        if (n == 0) return;
        const std::int64_t pos = s_->Position();
        if (pos + static_cast<std::int64_t>(n) > s_->Size()) throw EReadError("Stream read error");
        s_->Seek(static_cast<std::int64_t>(n), soCurrent);
    }
    // A record count: never negative, and each record needs at least minBytes of what is left.
    int Count(const char* what, int minBytes) {
        const std::int32_t n = Int32();
        if (n < 0) throw ETodoStreamError(std::string("Invalid to-do data: negative ") + what + " count");
        if (static_cast<std::int64_t>(n) * minBytes > s_->Size() - s_->Position())
            throw EReadError("Stream read error");
        return n;
    }

private:
    TStream* s_;
};

// A fixed-width record honours its size field: a longer record has its extra bytes skipped, a
// shorter one is skipped whole and leaves the property as it was. Returns whether to read the value.
bool FixedWidth(Reader& r, std::size_t size, std::size_t width) {
    if (size < width) {
        r.Skip(size);
        return false;
    }
    return true;
}

void SkipRest(Reader& r, std::size_t size, std::size_t width) {
    if (size > width) r.Skip(size - width);
}

[[noreturn]] void OutOfRange(const char* what, int value, int max) {
    throw ETodoStreamError("Invalid to-do data: " + std::string(what) + " " + std::to_string(value) +
                           " is not in the range 0.." + std::to_string(max));
}

double CheckedDate(Reader& r) {
    const double d = r.Double();
    if (!std::isfinite(d)) throw ETodoStreamError("Invalid to-do data: a date is not a number");
    return d;
}

void ReadItemRecord(Reader& r, TTodoItem& item) {
    const Byte id = r.Byte1();
    const std::size_t size = r.Word2();
    std::size_t width = 0;
    switch (id) {
    case idComplete: case idCompletion: case idPriority: case idStatus: width = 1; break;
    case idCompletionDate: case idCreationDate: case idDueDate: width = 8; break;
    case idImageIndex: case idTag: case idTotalTime: width = 4; break;
    case idNotes: {
        TStringList notes;
        notes.SetText(r.Text(size));
        item.SetNotes(&notes);
        return;
    }
    case idResource: item.SetResource(r.Text(size)); return;
    case idSubject: item.SetSubject(r.Text(size)); return;
    case idProject: item.SetProject(r.Text(size)); return;
    default: r.Skip(size); return;
    }
    if (!FixedWidth(r, size, width)) return;
    switch (id) {
    case idComplete: item.SetComplete(r.Byte1() != 0); break;
    // A percentage beyond 100 means done.
    case idCompletion: item.SetCompletion(r.Byte1()); break;
    case idPriority: {
        const int v = r.Byte1();
        if (v >= TodoPriorityCount) OutOfRange("priority", v, TodoPriorityCount - 1);
        item.SetPriority(static_cast<TTodoPriority>(v));
        break;
    }
    case idStatus: {
        const int v = r.Byte1();
        if (v >= TodoStatusCount) OutOfRange("status", v, TodoStatusCount - 1);
        item.SetStatus(static_cast<TTodoStatus>(v));
        break;
    }
    case idCompletionDate: item.SetCompletionDate(CheckedDate(r)); break;
    case idCreationDate: item.SetCreationDate(CheckedDate(r)); break;
    case idDueDate: item.SetDueDate(CheckedDate(r)); break;
    case idImageIndex: item.SetImageIndex(r.Int32()); break;
    case idTag: item.Tag = r.Int32(); break;
    case idTotalTime: item.SetTotalTime(r.Int32()); break;
    default: break;
    }
    SkipRest(r, size, width);
}

void ReadColumnRecord(Reader& r, TTodoColumnItem& column) {
    const Byte id = r.Byte1();
    const std::size_t size = r.Word2();
    switch (id) {
    case idWidth:
        if (FixedWidth(r, size, 4)) {
            column.SetWidth(r.Int32());
            SkipRest(r, size, 4);
        }
        return;
    case idCaption: column.SetCaption(r.Text(size)); return;
    case idTodoData:
        if (FixedWidth(r, size, 1)) {
            const int v = r.Byte1();
            if (v >= TodoDataCount) OutOfRange("column kind", v, TodoDataCount - 1);
            column.SetTodoData(static_cast<TTodoData>(v));
            SkipRest(r, size, 1);
        }
        return;
    default: r.Skip(size); return;
    }
}

// Smallest record: id and size.
constexpr int MinRecordBytes = 3;
// Smallest item or column: its property count.
constexpr int MinEntryBytes = 4;

} // namespace

// ---- items ----------------------------------------------------------------------------------------------

void TTodoItem::SaveToStream(TStream* Stream) const {
    Writer w(Stream);
    w.Int32(14);
    w.ByteRecord(idComplete, complete_ ? 1 : 0);
    w.ByteRecord(idCompletion, completion_);
    w.DoubleRecord(idCompletionDate, completionDate_);
    w.DoubleRecord(idCreationDate, creationDate_);
    w.DoubleRecord(idDueDate, dueDate_);
    w.Int32Record(idImageIndex, imageIndex_);
    w.TextRecord(idNotes, notes_->Text());
    w.ByteRecord(idPriority, static_cast<Byte>(priority_));
    w.TextRecord(idResource, resource_);
    w.ByteRecord(idStatus, static_cast<Byte>(status_));
    w.TextRecord(idSubject, subject_);
    w.Int32Record(idTag, Tag);
    w.Int32Record(idTotalTime, totalTime_);
    w.TextRecord(idProject, project_);
}

void TTodoItem::LoadFromStream(TStream* Stream) {
    Reader r(Stream);
    const int count = r.Count("property", MinRecordBytes);
    for (int i = 0; i < count; ++i) ReadItemRecord(r, *this);
}

void TTodoItemCollection::SaveToStream(TStream* Stream) const {
    Writer(Stream).Int32(Count());
    for (int i = 0; i < Count(); ++i) Items(i)->SaveToStream(Stream);
}

void TTodoItemCollection::LoadFromStream(TStream* Stream) {
    Reader r(Stream);
    const int count = r.Count("item", MinEntryBytes);
    // Read everything before touching the list, so a broken stream leaves the list as it was.
    std::vector<std::unique_ptr<TTodoItem>> loaded;
    loaded.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        loaded.push_back(std::make_unique<TTodoItem>(nullptr));
        loaded.back()->LoadFromStream(Stream);
    }
    UpdateGuard guard(*this);
    Clear();
    for (auto& item : loaded) item.release()->SetCollection(this);
}

// ---- columns ------------------------------------------------------------------------------------------------

void TTodoColumnItem::SaveToStream(TStream* Stream) const {
    Writer w(Stream);
    w.Int32(3);
    w.Int32Record(idWidth, width_);
    w.TextRecord(idCaption, caption_);
    w.ByteRecord(idTodoData, static_cast<Byte>(todoData_));
}

void TTodoColumnItem::LoadFromStream(TStream* Stream) {
    Reader r(Stream);
    const int count = r.Count("property", MinRecordBytes);
    for (int i = 0; i < count; ++i) ReadColumnRecord(r, *this);
}

void TTodoColumnCollection::SaveToStream(TStream* Stream) const {
    Writer(Stream).Int32(Count());
    for (int i = 0; i < Count(); ++i) Items(i)->SaveToStream(Stream);
}

void TTodoColumnCollection::LoadFromStream(TStream* Stream) {
    Reader r(Stream);
    const int count = r.Count("column", MinEntryBytes);
    // Read everything first; new columns start from their initial values and the list's font.
    std::vector<std::unique_ptr<TTodoColumnItem>> loaded;
    loaded.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        loaded.push_back(std::make_unique<TTodoColumnItem>(nullptr));
        TTodoColumnItem& column = *loaded.back();
        if (view_)
            if (const TFont* f = view_->ViewFont()) column.SetFont(f);
        column.LoadFromStream(Stream);
    }
    {
        UpdateGuard guard(*this);
        Clear();
        for (auto& column : loaded) column.release()->SetCollection(this);
    }
    if (view_ && view_->ViewHandleAllocated()) view_->ViewSynchColumns();
}

// ---- raw bytes ------------------------------------------------------------------------------------------------

namespace TodoList {

void LoadItemFromBytes(TTodoItem& Item, std::string_view Bytes) {
    TStringStream s{std::string(Bytes)};
    Item.LoadFromStream(&s);
}

void LoadItemsFromBytes(TTodoItemCollection& Items, std::string_view Bytes) {
    TStringStream s{std::string(Bytes)};
    Items.LoadFromStream(&s);
}

void LoadColumnsFromBytes(TTodoColumnCollection& Columns, std::string_view Bytes) {
    TStringStream s{std::string(Bytes)};
    Columns.LoadFromStream(&s);
}

} // namespace TodoList
