#include "Classes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>

#include "TextEncoding.h"

using namespace SysUtils;

// ---- TPersistent -------------------------------------------------------------------------------------
void TPersistent::Assign(TPersistent* Source) {
    if (Source) Source->AssignTo(this);
    else AssignTo(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) {
    (void)Dest;
    throw EConvertError("Cannot assign this object to another of a different kind");
}

// ---- streams -----------------------------------------------------------------------------------------
std::int64_t TStream::Size() {
    const std::int64_t pos = Seek(0, soCurrent);
    const std::int64_t size = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::ReadBuffer(void* Buffer, std::int64_t Count) {
    if (Count > 0 && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, std::int64_t Count) {
    if (Count > 0 && Write(Buffer, Count) != Count) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream* Source, std::int64_t Count) {
    if (Count == 0) {
        Source->SetPosition(0);
        Count = Source->Size();
    }
    std::int64_t left = Count;
    char buf[65536];
    while (left > 0) {
        const std::int64_t n = std::min<std::int64_t>(left, sizeof buf);
        Source->ReadBuffer(buf, n);
        WriteBuffer(buf, n);
        left -= n;
    }
    return Count;
}

std::string TStream::ReadAll() {
    std::string out;
    char buf[65536];
    while (true) {
        const std::int64_t n = Read(buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

std::int64_t TMemoryStream::Read(void* Buffer, std::int64_t Count) {
    if (Count <= 0 || pos_ >= Size()) return 0;
    const std::int64_t n = std::min(Count, Size() - pos_);
    std::memcpy(Buffer, data_.data() + pos_, static_cast<std::size_t>(n));
    pos_ += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* Buffer, std::int64_t Count) {
    if (Count <= 0) return 0;
    if (pos_ + Count > Size()) data_.resize(static_cast<std::size_t>(pos_ + Count));
    std::memcpy(data_.data() + pos_, Buffer, static_cast<std::size_t>(Count));
    pos_ += Count;
    return Count;
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
    std::int64_t base = Origin == soBeginning ? 0 : (Origin == soCurrent ? pos_ : Size());
    pos_ = std::max<std::int64_t>(0, base + Offset);
    return pos_;
}

void TMemoryStream::SetSize(std::int64_t NewSize) {
    data_.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, NewSize)));
    if (pos_ > NewSize) pos_ = NewSize;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
    Stream->SetPosition(0);
    data_ = Stream->ReadAll();
    pos_ = 0;
}

void TMemoryStream::LoadFromFile(const AnsiString& FileName) {
    try {
        data_ = ReadFileBytes(FileName);
    } catch (const EInOutError&) {
        throw EFOpenError("Cannot open file \"" + FileName + "\"");
    }
    pos_ = 0;
}

void TMemoryStream::SaveToStream(TStream* Stream) { Stream->WriteBuffer(data_.data(), Size()); }

void TMemoryStream::SaveToFile(const AnsiString& FileName) {
    try {
        WriteFileBytes(FileName, data_);
    } catch (const EInOutError&) {
        throw EFCreateError("Cannot create file \"" + FileName + "\"");
    }
}

TStringStream::TStringStream(const std::string& s) {
    if (!s.empty()) Write(s.data(), static_cast<std::int64_t>(s.size()));
    SetPosition(0);
}

TFileStream::TFileStream(const AnsiString& FileName, Word Mode) : fileName_(FileName) {
    if (Mode == fmCreate) {
        const std::string path = ResolvePath(FileName);
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd_ < 0) throw EFCreateError("Cannot create file \"" + FileName + "\". " + std::strerror(errno));
        return;
    }
    int flags = O_CLOEXEC;
    switch (Mode & 3) {
    case fmOpenWrite: flags |= O_WRONLY; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
    }
    fd_ = ::open(ResolvePath(FileName).c_str(), flags);
    if (fd_ < 0) throw EFOpenError("Cannot open file \"" + FileName + "\". " + std::strerror(errno));
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

std::int64_t TFileStream::Read(void* Buffer, std::int64_t Count) {
    std::int64_t done = 0;
    while (done < Count) {
        const ssize_t n = ::read(fd_, static_cast<char*>(Buffer) + done, static_cast<std::size_t>(Count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

std::int64_t TFileStream::Write(const void* Buffer, std::int64_t Count) {
    std::int64_t done = 0;
    while (done < Count) {
        const ssize_t n = ::write(fd_, static_cast<const char*>(Buffer) + done, static_cast<std::size_t>(Count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
    const int whence = Origin == soBeginning ? SEEK_SET : (Origin == soCurrent ? SEEK_CUR : SEEK_END);
    const off_t r = ::lseek(fd_, static_cast<off_t>(Offset), whence);
    return r < 0 ? -1 : static_cast<std::int64_t>(r);
}

void TFileStream::SetSize(std::int64_t NewSize) {
    if (::ftruncate(fd_, static_cast<off_t>(NewSize)) != 0) throw EStreamError("Cannot change the size of \"" + fileName_ + "\"");
    if (Position() > NewSize) SetPosition(NewSize);
}

// ---- TStrings ----------------------------------------------------------------------------------------------
void TStrings::Error(const char* message, int index) const {
    throw EStringListError(std::string(message) + " (" + std::to_string(index) + ")");
}

void TStrings::Put(int Index, const AnsiString& S) {
    TObject* obj = GetObject(Index);
    Delete(Index);
    InsertObject(Index, S, obj);
}

TObject* TStrings::GetObject(int) const { return nullptr; }
void TStrings::PutObject(int, TObject*) {}

int TStrings::Add(const AnsiString& S) {
    const int i = Count();
    Insert(i, S);
    return i;
}

int TStrings::AddObject(const AnsiString& S, TObject* AObject) {
    const int i = Add(S);
    PutObject(i, AObject);
    return i;
}

void TStrings::InsertObject(int Index, const AnsiString& S, TObject* AObject) {
    Insert(Index, S);
    PutObject(Index, AObject);
}

int TStrings::IndexOf(const AnsiString& S) const {
    for (int i = 0; i < Count(); ++i)
        if (AnsiCompareText(Get(i), S) == 0) return i;
    return -1;
}

void TStrings::AddStrings(const TStrings* Strings) {
    UpdateGuard update(*this);
    for (int i = 0; i < Strings->Count(); ++i) AddObject(Strings->Get(i), Strings->GetObject(i));
}

void TStrings::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TStrings*>(Source)) {
        UpdateGuard update(*this);
        Clear();
        AddStrings(src);
        return;
    }
    TPersistent::Assign(Source);
}

void TStrings::Exchange(int Index1, int Index2) {
    const AnsiString s = Get(Index1);
    TObject* o = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, s);
    PutObject(Index2, o);
}

void TStrings::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    const AnsiString s = Get(CurIndex);
    TObject* o = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, s, o);
}

int TStrings::IndexOfName(const AnsiString& Name) const {
    for (int i = 0; i < Count(); ++i) {
        const AnsiString s = Get(i);
        const auto p = s.find('=');
        if (p != std::string::npos && AnsiCompareText(s.substr(0, p), Name) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfObject(TObject* AObject) const {
    for (int i = 0; i < Count(); ++i)
        if (GetObject(i) == AObject) return i;
    return -1;
}

bool TStrings::Equals(const TStrings* Strings) const {
    if (Count() != Strings->Count()) return false;
    for (int i = 0; i < Count(); ++i)
        if (Get(i) != Strings->Get(i)) return false;
    return true;
}

AnsiString TStrings::Names(int Index) const {
    const AnsiString s = Get(Index);
    const auto p = s.find('=');
    return p == std::string::npos ? std::string() : s.substr(0, p);
}

AnsiString TStrings::ValueFromIndex(int Index) const {
    const AnsiString s = Get(Index);
    const auto p = s.find('=');
    return p == std::string::npos ? std::string() : s.substr(p + 1);
}

AnsiString TStrings::Values(const AnsiString& Name) const {
    const int i = IndexOfName(Name);
    return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValue(const AnsiString& Name, const AnsiString& Value) {
    const int i = IndexOfName(Name);
    if (!Value.empty()) {
        if (i < 0) Add(Name + "=" + Value);
        else Put(i, Name + "=" + Value);
    } else if (i >= 0) {
        Delete(i);
    }
}

AnsiString TStrings::Text() const {
    std::string out;
    for (int i = 0; i < Count(); ++i) {
        out += Get(i);
        out += "\r\n";
    }
    return out;
}

void TStrings::SetText(const AnsiString& Value) {
    UpdateGuard update(*this);
    Clear();
    std::size_t i = 0;
    while (i < Value.size()) {
        std::size_t j = i;
        while (j < Value.size() && Value[j] != '\r' && Value[j] != '\n') ++j;
        Add(Value.substr(i, j - i));
        if (j < Value.size() && Value[j] == '\r') ++j;
        if (j < Value.size() && Value[j] == '\n') ++j;
        i = j;
    }
}

AnsiString TStrings::DelimitedText() const {
    std::string out;
    for (int i = 0; i < Count(); ++i) {
        const AnsiString s = Get(i);
        bool quote = s.empty() && Count() == 1;
        for (unsigned char c : s)
            if (c <= ' ' || c == static_cast<unsigned char>(Delimiter) || c == static_cast<unsigned char>(QuoteChar)) quote = true;
        if (i > 0) out += Delimiter;
        if (quote) {
            out += QuoteChar;
            for (char c : s) { out += c; if (c == QuoteChar) out += QuoteChar; }
            out += QuoteChar;
        } else {
            out += s;
        }
    }
    return out;
}

void TStrings::SetDelimitedText(const AnsiString& Value) {
    UpdateGuard update(*this);
    Clear();
    std::size_t i = 0;
    auto skipBlanks = [&] { while (i < Value.size() && static_cast<unsigned char>(Value[i]) <= ' ') ++i; };
    skipBlanks();
    while (i < Value.size()) {
        std::string item;
        if (Value[i] == QuoteChar) {
            ++i;
            while (i < Value.size()) {
                if (Value[i] == QuoteChar) {
                    if (i + 1 < Value.size() && Value[i + 1] == QuoteChar) { item += QuoteChar; i += 2; continue; }
                    ++i;
                    break;
                }
                item += Value[i++];
            }
        } else {
            while (i < Value.size() && static_cast<unsigned char>(Value[i]) > ' ' && Value[i] != Delimiter) item += Value[i++];
        }
        Add(item);
        skipBlanks();
        if (i < Value.size() && Value[i] == Delimiter) {
            ++i;
            skipBlanks();
            if (i == Value.size()) Add("");
        }
    }
}

AnsiString TStrings::CommaText() const {
    // Comma text is the delimited text with ',' and '"', whatever the list's own settings.
    TStringList copy;
    copy.AddStrings(this);
    return copy.DelimitedText();
}

void TStrings::SetCommaText(const AnsiString& Value) {
    TStringList parsed;
    parsed.SetDelimitedText(Value);
    UpdateGuard update(*this);
    Clear();
    AddStrings(&parsed);
}

void TStrings::LoadFromFile(const AnsiString& FileName) {
    std::string bytes;
    try {
        bytes = ReadFileBytes(FileName);
    } catch (const EInOutError&) {
        throw EFOpenError("Cannot open file \"" + FileName + "\"");
    }
    SetText(TextEncoding::DecodeText(bytes));
}

void TStrings::LoadFromStream(TStream* Stream) { SetText(TextEncoding::DecodeText(Stream->ReadAll())); }

void TStrings::SaveToFile(const AnsiString& FileName) const {
    try {
        WriteFileBytes(FileName, Text());
    } catch (const EInOutError&) {
        throw EFCreateError("Cannot create file \"" + FileName + "\"");
    }
}

void TStrings::SaveToStream(TStream* Stream) const {
    const std::string t = Text();
    Stream->WriteBuffer(t.data(), static_cast<std::int64_t>(t.size()));
}

void TStrings::BeginUpdate() {
    if (updateCount_++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) SetUpdateState(false);
}

// ---- TStringList -------------------------------------------------------------------------------------------
TStringList::~TStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
    if (OwnsObjects)
        for (auto& it : items_) delete it.obj;
}

void TStringList::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count()) Error("List index out of bounds", Index);
}

AnsiString TStringList::Text() const {
    // The lines as they are held, without a copy of each one on the way.
    std::size_t size = 0;
    for (const auto& it : items_) size += it.s.size() + 2;
    std::string out;
    out.reserve(size);
    for (const auto& it : items_) {
        out += it.s;
        out += "\r\n";
    }
    return out;
}

AnsiString TStringList::Get(int Index) const {
    CheckIndex(Index);
    return items_[static_cast<std::size_t>(Index)].s;
}

void TStringList::Put(int Index, const AnsiString& S) {
    if (sorted_) throw EStringListError("Operation not allowed on sorted list");
    CheckIndex(Index);
    Changing();
    items_[static_cast<std::size_t>(Index)].s = S;
    Changed();
}

TObject* TStringList::GetObject(int Index) const {
    CheckIndex(Index);
    return items_[static_cast<std::size_t>(Index)].obj;
}

void TStringList::PutObject(int Index, TObject* AObject) {
    CheckIndex(Index);
    Changing();
    items_[static_cast<std::size_t>(Index)].obj = AObject;
    Changed();
}

void TStringList::InsertItem(int Index, const AnsiString& S, TObject* AObject) {
    Changing();
    items_.insert(items_.begin() + Index, Item{S, AObject});
    Changed();
}

void TStringList::Insert(int Index, const AnsiString& S) {
    if (sorted_) throw EStringListError("Operation not allowed on sorted list");
    if (Index < 0 || Index > Count()) Error("List index out of bounds", Index);
    InsertItem(Index, S, nullptr);
}

void TStringList::Delete(int Index) {
    CheckIndex(Index);
    Changing();
    TObject* obj = items_[static_cast<std::size_t>(Index)].obj;
    items_.erase(items_.begin() + Index);
    if (OwnsObjects) delete obj;
    Changed();
}

void TStringList::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    if (sorted_) throw EStringListError("Operation not allowed on sorted list");
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    Changing();
    Item item = std::move(items_[static_cast<std::size_t>(CurIndex)]);
    items_.erase(items_.begin() + CurIndex);
    items_.insert(items_.begin() + NewIndex, std::move(item));
    Changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    Changing();
    if (OwnsObjects)
        for (auto& it : items_) delete it.obj;
    items_.clear();
    Changed();
}

int TStringList::Add(const AnsiString& S) {
    if (!sorted_) {
        InsertItem(Count(), S, nullptr);
        return Count() - 1;
    }
    int index;
    if (Find(S, index)) {
        if (duplicates_ == dupIgnore) return index;
        if (duplicates_ == dupError) throw EStringListError("String list does not allow duplicates");
    }
    InsertItem(index, S, nullptr);
    return index;
}

int TStringList::IndexOf(const AnsiString& S) const {
    if (!sorted_) {
        for (int i = 0; i < Count(); ++i)
            if (CompareStrings(items_[static_cast<std::size_t>(i)].s, S) == 0) return i;
        return -1;
    }
    int index;
    return Find(S, index) ? index : -1;
}

bool TStringList::Find(const AnsiString& S, int& Index) const {
    int lo = 0, hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = CompareStrings(items_[static_cast<std::size_t>(mid)].s, S);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                if (duplicates_ != dupAccept) lo = mid;
            }
        }
    }
    Index = lo;
    return found;
}

int TStringList::CompareStrings(const AnsiString& S1, const AnsiString& S2) const {
    return caseSensitive_ ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

void TStringList::Sort() {
    CustomSort([](TStringList* list, int a, int b) { return list->CompareStrings(list->Get(a), list->Get(b)); });
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
    if (Count() < 2) return;
    Changing();
    // The comparison reads the list by index, so sort an index permutation and apply it after.
    std::vector<int> order(items_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return Compare(this, a, b) < 0; });
    std::vector<Item> sorted;
    sorted.reserve(items_.size());
    for (int i : order) sorted.push_back(items_[static_cast<std::size_t>(i)]);
    items_ = std::move(sorted);
    Changed();
}

void TStringList::SetSorted(bool Value) {
    if (sorted_ == Value) return;
    if (Value) Sort();
    sorted_ = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
    if (caseSensitive_ == Value) return;
    caseSensitive_ = Value;
    if (sorted_) Sort();
}

void TStringList::SetUpdateState(bool Updating) {
    if (Updating) Changing();
    else Changed();
}

void TStringList::Changed() {
    if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

// ---- TComponentRef ---------------------------------------------------------------------------------------------
TComponentRefBase::TComponentRefBase(TComponent* Holder) : holder_(Holder) { holder_->refs_.push_back(this); }

TComponentRefBase::~TComponentRefBase() {
    auto& refs = holder_->refs_;
    refs.erase(std::remove(refs.begin(), refs.end(), this), refs.end());
}

void TComponentRefBase::Point(TComponent* Target, void* Typed) {
    TComponent* before = target_;
    target_ = Target;
    typed_ = Typed;
    if (Target) Target->FreeNotification(holder_);
    if (!before || before == Target) return;
    const auto& refs = holder_->refs_;
    if (std::none_of(refs.begin(), refs.end(), [before](const TComponentRefBase* r) { return r->target_ == before; }))
        before->RemoveFreeNotification(holder_);
}

// ---- TComponent ------------------------------------------------------------------------------------------------
TComponent::TComponent(TComponent* AOwner) {
    if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying();
    // Tell everyone who asked that this component goes.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        other->RemoveNotification(this);
        other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (owner_) owner_->RemoveComponent(this);
}

void TComponent::SetName(const AnsiString& Value) {
    if (Value == name_) return;
    if (!Value.empty() && owner_) {
        TComponent* other = owner_->FindComponent(Value);
        if (other && other != this) throw EComponentError("A component named " + Value + " already exists");
    }
    name_ = Value;
}

int TComponent::ComponentIndex() const {
    if (!owner_) return -1;
    const auto& list = owner_->components_;
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(const AnsiString& AName) const {
    if (AName.empty()) return nullptr;
    for (TComponent* c : components_)
        if (SameText(c->name_, AName)) return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
    if (AComponent->owner_) AComponent->owner_->RemoveComponent(AComponent);
    components_.push_back(AComponent);
    AComponent->owner_ = this;
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    const auto it = std::find(components_.begin(), components_.end(), AComponent);
    if (it == components_.end()) return;
    Notification(AComponent, opRemove);
    components_.erase(std::find(components_.begin(), components_.end(), AComponent));
    AComponent->owner_ = nullptr;
}

void TComponent::FreeNotification(TComponent* AComponent) {
    if (!AComponent || AComponent == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), AComponent) == freeNotifies_.end()) {
        freeNotifies_.push_back(AComponent);
        AComponent->FreeNotification(this);
    }
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    RemoveNotification(AComponent);
    if (AComponent) AComponent->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* AComponent) {
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), AComponent), freeNotifies_.end());
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* c = components_.back();
        components_.pop_back();
        c->owner_ = nullptr;
        c->BeforeDestruction();
        delete c;
    }
}

void TComponent::Destroying() {
    if (state_ & csDestroying) return;
    state_ |= csDestroying;
    for (TComponent* c : components_) c->Destroying();
}

void TComponent::Loaded() { state_ &= ~static_cast<unsigned>(csLoading); }

void TComponent::EndLoading() {
    state_ &= ~static_cast<unsigned>(csLoading);
    Loaded();
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove && AComponent) {
        RemoveNotification(AComponent);
        for (TComponentRefBase* r : refs_)
            if (r->target_ == AComponent) {
                r->target_ = nullptr;
                r->typed_ = nullptr;
            }
    }
    // A copy: a handler may free components.
    const auto children = components_;
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if (std::find(components_.begin(), components_.end(), *it) != components_.end())
            (*it)->Notification(AComponent, Operation);
}

void TDataModule::DoDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    if (OnDestroy) OnDestroy(this);
}

// ---- collections -------------------------------------------------------------------------------------------------
TCollectionItem::TCollectionItem(TCollection* Collection) { SetCollection(Collection); }

TCollectionItem::~TCollectionItem() {
    if (collection_) collection_->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* Value) {
    if (collection_ == Value) return;
    if (collection_) collection_->RemoveItem(this);
    if (Value) Value->InsertItem(this);
}

int TCollectionItem::Index() const {
    if (!collection_) return -1;
    const auto& items = collection_->items_;
    const auto it = std::find(items.begin(), items.end(), this);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int Value) {
    const int cur = Index();
    if (cur < 0 || Value == cur || Value < 0 || Value >= collection_->Count()) return;
    auto& items = collection_->items_;
    items.erase(items.begin() + cur);
    items.insert(items.begin() + Value, this);
    Changed(true);
}

AnsiString TCollectionItem::DisplayName() const { return {}; }

void TCollectionItem::Changed(bool AllItems) {
    if (collection_ && collection_->updateCount_ == 0) collection_->Update(AllItems ? nullptr : this);
}

TCollection::TCollection(ItemFactory factory) : factory_(std::move(factory)) {}

TCollection::~TCollection() {
    ++updateCount_;
    while (!items_.empty()) delete items_.back();
}

TCollectionItem* TCollection::Add() {
    TCollectionItem* item = factory_(this);
    if (item->collection_ != this) item->SetCollection(this);
    Changed();
    return item;
}

TCollectionItem* TCollection::Insert(int Index) {
    ++updateCount_;
    TCollectionItem* item;
    try {
        item = Add();
    } catch (...) {
        --updateCount_;
        throw;
    }
    --updateCount_;
    item->SetIndex(std::clamp(Index, 0, Count() - 1));
    Changed();
    return item;
}

void TCollection::Delete(int Index) {
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    delete items_[static_cast<std::size_t>(Index)];
}

void TCollection::Clear() {
    if (items_.empty()) return;
    UpdateGuard update(*this);
    while (!items_.empty()) delete items_.back();
}

TCollectionItem* TCollection::Items(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
    return items_[static_cast<std::size_t>(Index)];
}

TCollectionItem* TCollection::FindItemID(int ID) const {
    for (auto* it : items_)
        if (it->id_ == ID) return it;
    return nullptr;
}

void TCollection::Exchange(int Index1, int Index2) {
    std::swap(items_.at(static_cast<std::size_t>(Index1)), items_.at(static_cast<std::size_t>(Index2)));
    Changed();
}

void TCollection::Reorder(const std::vector<int>& newOrder) {
    std::vector<TCollectionItem*> sorted;
    sorted.reserve(items_.size());
    for (int i : newOrder) sorted.push_back(items_.at(static_cast<std::size_t>(i)));
    if (sorted.size() != items_.size()) throw EListError("Invalid order for a collection");
    items_ = std::move(sorted);
    Changed();
}

void TCollection::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TCollection*>(Source)) {
        if (src == this) return;
        UpdateGuard update(*this);
        Clear();
        for (auto* it : src->items_) Add()->Assign(it);
        return;
    }
    TPersistent::Assign(Source);
}

void TCollection::BeginUpdate() { ++updateCount_; }

void TCollection::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TCollection::Update(TCollectionItem*) {}
void TCollection::Notify(TCollectionItem*, bool) {}

void TCollection::InsertItem(TCollectionItem* Item) {
    items_.push_back(Item);
    Item->collection_ = this;
    Item->id_ = nextId_++;
    Notify(Item, true);
}

void TCollection::RemoveItem(TCollectionItem* Item) {
    // Looked for from the end: a collection that is cleared or destroyed lets go of its last item
    // first, and finding each from the start would take as long as the whole list each time.
    const auto rit = std::find(items_.rbegin(), items_.rend(), Item);
    if (rit == items_.rend()) return;
    if (updateCount_ == 0) Notify(Item, false);
    items_.erase(std::next(rit).base());
    Item->collection_ = nullptr;
    Changed();
}

void TCollection::Changed() {
    if (updateCount_ == 0) Update(nullptr);
}

// ---- threads ----------------------------------------------------------------------------------------------------
namespace {

struct SyncRequest {
    TThreadMethod method;
    bool waited = false;
    bool done = false;
    std::exception_ptr error;
};

// The thread that loaded the program, before any other could start: the main thread unless
// SetMainThread says otherwise. Taking the first thread that asks would let a worker that
// synchronises early become the main thread and run its calls itself.
const std::thread::id g_loadingThread = std::this_thread::get_id();

struct SyncState {
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<std::shared_ptr<SyncRequest>> queue;
    std::function<void()> wake;
    std::thread::id main = g_loadingThread;
    bool mainSet = false;
};

SyncState& Sync() {
    static SyncState state;
    return state;
}

void Enqueue(const std::shared_ptr<SyncRequest>& request) {
    auto& s = Sync();
    std::function<void()> wake;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.queue.push_back(request);
        wake = s.wake;
    }
    s.cv.notify_all();
    if (wake) wake();
}

} // namespace

namespace Classes {

bool CheckSynchronize() {
    auto& s = Sync();
    bool ran = false;
    while (true) {
        std::shared_ptr<SyncRequest> request;
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            if (s.queue.empty()) break;
            request = s.queue.front();
            s.queue.pop_front();
        }
        ran = true;
        try {
            request->method();
        } catch (...) {
            if (request->waited) request->error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(s.mutex);
            request->done = true;
        }
        s.cv.notify_all();
    }
    return ran;
}

void SetWakeMainThread(std::function<void()> wake) {
    auto& s = Sync();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.wake = std::move(wake);
}

bool IsMainThread() {
    auto& s = Sync();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.main == std::this_thread::get_id();
}

void SetMainThread() {
    auto& s = Sync();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.main = std::this_thread::get_id();
    s.mainSet = true;
}

void QueueOnMainThread(TThreadMethod method) {
    auto request = std::make_shared<SyncRequest>();
    request->method = std::move(method);
    Enqueue(request);
}

} // namespace Classes

TThread::TThread(bool CreateSuspended) {
    // A thread cannot start before its derived object is built; Resume starts it.
    (void)CreateSuspended;
}

TThread::~TThread() {
    if (thread_.joinable()) {
        if (!finished_) {
            Terminate();
            {
                std::lock_guard<std::mutex> lock(mutex_);
                suspended_ = false;
            }
            resumed_.notify_all();
            WaitFor();
        }
        if (thread_.joinable()) {
            if (thread_.get_id() == std::this_thread::get_id()) thread_.detach();
            else thread_.join();
        }
    }
}

void TThread::Resume() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!started_) {
        started_ = true;
        suspended_ = false;
        thread_ = std::thread([this] { Run(); });
        return;
    }
    if (suspended_) {
        suspended_ = false;
        resumed_.notify_all();
    }
}

void TThread::Suspend() {
    // Only a thread can suspend itself here: stopping another thread at an arbitrary point is unsafe.
    if (!started_ || std::this_thread::get_id() != thread_.get_id()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    suspended_ = true;
    resumed_.wait(lock, [this] { return !suspended_; });
}

void TThread::Run() {
    {
        // Resume holds the lock until thread_ is assigned.
        std::lock_guard<std::mutex> lock(mutex_);
    }
    try {
        if (!terminated_) Execute();
    } catch (...) {
        fatal_ = std::current_exception();
    }
    if (OnTerminate) {
        try {
            Synchronize([this] { OnTerminate(this); });
        } catch (...) {
        }
    }
    const bool freeSelf = FreeOnTerminate;
    {
        auto& s = Sync();
        std::lock_guard<std::mutex> lock(s.mutex);
        finished_ = true;
    }
    Sync().cv.notify_all();
    if (freeSelf) delete this;
}

int TThread::WaitFor() {
    if (!started_) return returnValue_;
    if (std::this_thread::get_id() == thread_.get_id()) throw EThread("A thread cannot wait for itself");
    auto& s = Sync();
    const bool onMain = Classes::IsMainThread();
    while (!finished_) {
        if (onMain && Classes::CheckSynchronize()) continue;
        std::unique_lock<std::mutex> lock(s.mutex);
        s.cv.wait_for(lock, std::chrono::milliseconds(50),
                      [&] { return finished_.load() || (onMain && !s.queue.empty()); });
    }
    if (thread_.joinable()) thread_.join();
    return returnValue_;
}

void TThread::Synchronize(const TThreadMethod& Method) { StaticSynchronize(Method); }

void TThread::StaticSynchronize(const TThreadMethod& Method) {
    if (Classes::IsMainThread()) {
        Method();
        return;
    }
    auto request = std::make_shared<SyncRequest>();
    request->method = Method;
    request->waited = true;
    Enqueue(request);
    auto& s = Sync();
    // The failure is taken out under the lock, so this thread alone holds it from here on and the
    // main thread, dropping its share of the request, never frees what this thread still reads.
    std::exception_ptr error;
    {
        std::unique_lock<std::mutex> lock(s.mutex);
        s.cv.wait(lock, [&] { return request->done; });
        error = std::move(request->error);
    }
    if (error) std::rethrow_exception(error);
}
