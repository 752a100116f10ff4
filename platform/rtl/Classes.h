#pragma once
// Lists of strings, streams, persistent objects, collections, components and threads.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "SysUtils.h"

class EStreamError : public SysUtils::Exception { using Exception::Exception; };
class EFOpenError : public EStreamError { using EStreamError::EStreamError; };
class EFCreateError : public EStreamError { using EStreamError::EStreamError; };
class EReadError : public EStreamError { using EStreamError::EStreamError; };
class EWriteError : public EStreamError { using EStreamError::EStreamError; };
class EListError : public SysUtils::Exception { using Exception::Exception; };
class EStringListError : public SysUtils::Exception { using Exception::Exception; };
class EComponentError : public SysUtils::Exception { using Exception::Exception; };
class EThread : public SysUtils::Exception { using Exception::Exception; };

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// ---- TPersistent ---------------------------------------------------------------------------------
class TPersistent : public TObject {
public:
    // Copies Source into this object; raises EConvertError when neither side knows the other.
    virtual void Assign(TPersistent* Source);
protected:
    virtual void AssignTo(TPersistent* Dest);
};

// ---- streams ---------------------------------------------------------------------------------------
enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };
constexpr Word soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2;

class TStream : public TObject {
public:
    virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
    virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
    virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;
    virtual void SetSize(std::int64_t NewSize) = 0;

    std::int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(std::int64_t Pos) { Seek(Pos, soBeginning); }
    virtual std::int64_t Size();
    // Read or write exactly Count bytes, else raise EReadError / EWriteError.
    void ReadBuffer(void* Buffer, std::int64_t Count);
    void WriteBuffer(const void* Buffer, std::int64_t Count);
    // Copies Count bytes from Source (all of it from the start when Count is 0).
    std::int64_t CopyFrom(TStream* Source, std::int64_t Count);
    // The rest of the stream from the current position.
    std::string ReadAll();
};

class TMemoryStream : public TStream {
public:
    std::int64_t Read(void* Buffer, std::int64_t Count) override;
    std::int64_t Write(const void* Buffer, std::int64_t Count) override;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
    void SetSize(std::int64_t NewSize) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }

    void Clear() { data_.clear(); pos_ = 0; }
    const char* Memory() const { return data_.data(); }
    const std::string& DataString() const { return data_; }
    void LoadFromStream(TStream* Stream);
    void LoadFromFile(const AnsiString& FileName);
    void SaveToStream(TStream* Stream);
    void SaveToFile(const AnsiString& FileName);
private:
    std::string data_;
    std::int64_t pos_ = 0;
};

class TStringStream : public TMemoryStream {
public:
    explicit TStringStream(const std::string& s = {});
};

constexpr Word fmCreate = 0xFFFF;
constexpr Word fmOpenRead = 0x0000, fmOpenWrite = 0x0001, fmOpenReadWrite = 0x0002;
constexpr Word fmShareExclusive = 0x0010, fmShareDenyWrite = 0x0020, fmShareDenyNone = 0x0040;

class TFileStream : public TStream {
public:
    // Raises EFOpenError or EFCreateError with the file name.
    TFileStream(const AnsiString& FileName, Word Mode);
    ~TFileStream() override;
    std::int64_t Read(void* Buffer, std::int64_t Count) override;
    std::int64_t Write(const void* Buffer, std::int64_t Count) override;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
    void SetSize(std::int64_t NewSize) override;
    const AnsiString& FileName() const { return fileName_; }
private:
    int fd_ = -1;
    AnsiString fileName_;
};

// ---- TStrings / TStringList ------------------------------------------------------------------------
class TStrings : public TPersistent {
public:
    ~TStrings() override = default;

    virtual int Count() const = 0;
    virtual AnsiString Get(int Index) const = 0;
    virtual void Put(int Index, const AnsiString& S);
    virtual TObject* GetObject(int Index) const;
    virtual void PutObject(int Index, TObject* AObject);
    virtual void Insert(int Index, const AnsiString& S) = 0;
    virtual void Delete(int Index) = 0;
    virtual void Clear() = 0;
    virtual int Add(const AnsiString& S);
    virtual int IndexOf(const AnsiString& S) const;

    AnsiString Strings(int Index) const { return Get(Index); }
    AnsiString operator[](int Index) const { return Get(Index); }
    TObject* Objects(int Index) const { return GetObject(Index); }
    int AddObject(const AnsiString& S, TObject* AObject);
    void InsertObject(int Index, const AnsiString& S, TObject* AObject);
    void Append(const AnsiString& S) { Add(S); }
    void AddStrings(const TStrings* Strings);
    void Assign(TPersistent* Source) override;
    void Exchange(int Index1, int Index2);
    virtual void Move(int CurIndex, int NewIndex);
    int IndexOfName(const AnsiString& Name) const;
    int IndexOfObject(TObject* AObject) const;
    bool Equals(const TStrings* Strings) const;

    // "name=value" entries; names compare case-insensitively.
    AnsiString Names(int Index) const;
    AnsiString ValueFromIndex(int Index) const;
    AnsiString Values(const AnsiString& Name) const;
    void SetValue(const AnsiString& Name, const AnsiString& Value);

    // Every line followed by CR LF; setting splits at CR LF, CR or LF.
    virtual AnsiString Text() const;
    virtual void SetText(const AnsiString& Value);
    AnsiString CommaText() const;
    void SetCommaText(const AnsiString& Value);
    char Delimiter = ',';
    char QuoteChar = '"';
    AnsiString DelimitedText() const;
    void SetDelimitedText(const AnsiString& Value);

    // Files are read as UTF-8, or as Windows-1252 when they are not valid UTF-8; written as UTF-8.
    virtual void LoadFromFile(const AnsiString& FileName);
    virtual void LoadFromStream(TStream* Stream);
    virtual void SaveToFile(const AnsiString& FileName) const;
    virtual void SaveToStream(TStream* Stream) const;

    void BeginUpdate();
    void EndUpdate();
protected:
    virtual void SetUpdateState(bool) {}
    int UpdateCount() const { return updateCount_; }
    [[noreturn]] void Error(const char* message, int index) const;
private:
    int updateCount_ = 0;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

class TStringList : public TStrings {
public:
    TStringList() = default;
    ~TStringList() override;

    int Count() const override { return static_cast<int>(items_.size()); }
    AnsiString Get(int Index) const override;
    AnsiString Text() const override;
    void Put(int Index, const AnsiString& S) override;
    TObject* GetObject(int Index) const override;
    void PutObject(int Index, TObject* AObject) override;
    void Insert(int Index, const AnsiString& S) override;
    void Delete(int Index) override;
    void Clear() override;
    int Add(const AnsiString& S) override;
    int IndexOf(const AnsiString& S) const override;
    // Moves the entry with its object; an owned object is not freed on the way.
    void Move(int CurIndex, int NewIndex) override;

    // Binary search in a sorted list: true and the index when found, else the insertion point.
    bool Find(const AnsiString& S, int& Index) const;
    void Sort();
    void CustomSort(const TStringListSortCompare& Compare);

    bool Sorted() const { return sorted_; }
    void SetSorted(bool Value);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates Value) { duplicates_ = Value; }
    // Comparison ignores case (and accents' case) unless CaseSensitive is set.
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool Value);
    // The list frees its objects when it deletes them.
    bool OwnsObjects = false;

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;
protected:
    virtual int CompareStrings(const AnsiString& S1, const AnsiString& S2) const;
    void SetUpdateState(bool Updating) override;
    void Changed();
    void Changing();
private:
    struct Item { AnsiString s; TObject* obj = nullptr; };
    void InsertItem(int Index, const AnsiString& S, TObject* AObject);
    void CheckIndex(int Index) const;
    std::vector<Item> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    TDuplicates duplicates_ = dupIgnore;
};

// ---- components -------------------------------------------------------------------------------------
enum TComponentStateFlag : unsigned {
    csLoading = 1, csReading = 2, csWriting = 4, csDestroying = 8, csDesigning = 16, csFreeNotification = 32
};
enum TOperation { opInsert, opRemove };

class TComponent;

// The untyped part of TComponentRef, which see.
class TComponentRefBase {
public:
    TComponentRefBase(const TComponentRefBase&) = delete;
    TComponentRefBase& operator=(const TComponentRefBase&) = delete;
protected:
    explicit TComponentRefBase(TComponent* Holder);
    ~TComponentRefBase();
    // Points at Target (Typed is the same object as its own class) and asks to be told when it goes;
    // the holder stops listening to the one before unless another of its references points there.
    void Point(TComponent* Target, void* Typed);
    void* typed_ = nullptr;
private:
    friend class TComponent;
    TComponent* holder_;
    TComponent* target_ = nullptr;
};

class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    // Runs before the destructor, while the object is still whole: a component whose threads call
    // back into it (virtually) ends them here, as no destructor can without racing their calls. The
    // owner calls it before freeing; whoever frees a component by hand calls it first.
    virtual void BeforeDestruction() {}
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    const AnsiString& Name() const { return name_; }
    void SetName(const AnsiString& Value);
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int Index) const { return components_.at(static_cast<std::size_t>(Index)); }
    int ComponentIndex() const;
    unsigned ComponentState() const { return state_; }
    bool HasState(TComponentStateFlag flag) const { return (state_ & flag) != 0; }
    TComponent* FindComponent(const AnsiString& AName) const;
    void InsertComponent(TComponent* AComponent);
    void RemoveComponent(TComponent* AComponent);
    // Asks to be told (Notification with opRemove) when AComponent goes.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);
    // Owned components are freed last first, as the class library frees them.
    void DestroyComponents();
    void Destroying();

    intptr_t Tag = 0;

    // Called once the stored properties have been applied (csLoading is cleared before).
    virtual void Loaded();
    void BeginLoading() { state_ |= csLoading; }
    void EndLoading();
protected:
    virtual void Notification(TComponent* AComponent, TOperation Operation);
private:
    friend class TComponentRefBase;
    void RemoveNotification(TComponent* AComponent);
    TComponent* owner_ = nullptr;
    AnsiString name_;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    std::vector<TComponentRefBase*> refs_;
    unsigned state_ = 0;
};

// A component's pointer to another component that becomes null when that one goes: setting it asks
// to be told of the target's end, and the holder's Notification clears every reference of its own
// that points at a component being removed. A member of the holder, made with the holder as `this`.
template <typename T>
class TComponentRef : public TComponentRefBase {
public:
    explicit TComponentRef(TComponent* Holder) : TComponentRefBase(Holder) {}
    T* Get() const { return static_cast<T*>(typed_); }
    operator T*() const { return Get(); }
    T* operator->() const { return Get(); }
    TComponentRef& operator=(T* Value) {
        Point(Value, Value);
        return *this;
    }
    // Points at the other's target; the holder stays this one's.
    TComponentRef& operator=(const TComponentRef& Other) { return *this = Other.Get(); }
};

// A container of non-visual components, with OnCreate and OnDestroy. Derived modules create their
// components in their constructor and then call DoCreate; their destructor calls DoDestroy first.
class TDataModule : public TComponent {
public:
    explicit TDataModule(TComponent* AOwner) : TComponent(AOwner) {}
    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
protected:
    void DoCreate() { if (OnCreate) OnCreate(this); }
    void DoDestroy();
private:
    bool destroyed_ = false;
};

// ---- collections --------------------------------------------------------------------------------------
class TCollection;

class TCollectionItem : public TPersistent {
public:
    explicit TCollectionItem(TCollection* Collection);
    ~TCollectionItem() override;
    TCollection* Collection() const { return collection_; }
    void SetCollection(TCollection* Value);
    int Index() const;
    void SetIndex(int Value);
    int ID() const { return id_; }
    virtual AnsiString DisplayName() const;
protected:
    // Tells the collection that this item (or, with AllItems, every item) changed.
    void Changed(bool AllItems);
private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
    int id_ = 0;
};

class TCollection : public TPersistent {
public:
    using ItemFactory = std::function<TCollectionItem*(TCollection*)>;
    explicit TCollection(ItemFactory factory);
    ~TCollection() override;

    TCollectionItem* Add();
    TCollectionItem* Insert(int Index);
    void Delete(int Index);
    void Clear();
    int Count() const { return static_cast<int>(items_.size()); }
    TCollectionItem* Items(int Index) const;
    TCollectionItem* FindItemID(int ID) const;
    void Exchange(int Index1, int Index2);
    void Assign(TPersistent* Source) override;
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }
    virtual TPersistent* GetOwner() const { return nullptr; }
    // Swaps in an order given as indexes into the current order (used by sorts).
    void Reorder(const std::vector<int>& newOrder);
protected:
    // Item is the one that changed, or nullptr for all of them.
    virtual void Update(TCollectionItem* Item);
    virtual void Notify(TCollectionItem* Item, bool Added);
private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* Item);
    void RemoveItem(TCollectionItem* Item);
    void Changed();
    ItemFactory factory_;
    std::vector<TCollectionItem*> items_;
    int nextId_ = 0;
    int updateCount_ = 0;
};

// BeginUpdate now, EndUpdate when the scope ends, also through an exception, so a sort or load
// that leaves early does not keep a collection, string list or list box updating for good. A
// failing EndUpdate is reported like any other failure, except while another one is already on its
// way out: that first one is what the caller gets.
template <class T>
class UpdateGuard {
public:
    explicit UpdateGuard(T& Target) : target_(Target), failing_(std::uncaught_exceptions()) { target_.BeginUpdate(); }
    ~UpdateGuard() noexcept(false) {
        if (std::uncaught_exceptions() == failing_) {
            target_.EndUpdate();
            return;
        }
        try {
            target_.EndUpdate();
        } catch (...) {
        }
    }
    UpdateGuard(const UpdateGuard&) = delete;
    UpdateGuard& operator=(const UpdateGuard&) = delete;
private:
    T& target_;
    int failing_;
};

// Sets a flag for as long as a scope runs and gives it back its value when the scope ends, also
// through an exception.
class ScopedFlag {
public:
    explicit ScopedFlag(bool& Flag) : flag_(Flag), before_(Flag) { flag_ = true; }
    ~ScopedFlag() { flag_ = before_; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;
private:
    bool& flag_;
    bool before_;
};

// Tells a call that runs later (queued for the main thread, say) whether the object that made it is
// still there: the object keeps the token, the call keeps a guard of it. A copy of the object is
// another object, with a life of its own.
class TLifeToken {
public:
    class TGuard {
    public:
        bool Expired() const { return alive_.expired(); }
    private:
        friend class TLifeToken;
        explicit TGuard(const std::shared_ptr<const bool>& Alive) : alive_(Alive) {}
        std::weak_ptr<const bool> alive_;
    };
    TLifeToken() = default;
    TLifeToken(const TLifeToken&) {}
    TLifeToken& operator=(const TLifeToken&) { return *this; }
    TGuard Guard() const { return TGuard(alive_); }
private:
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

// Runs a call when a scope ends, also through an exception: what a scope takes (a disabled menu
// item, an open dialog) it gives back without a guard class of its own.
template <typename F>
class ScopeExit {
public:
    explicit ScopeExit(F Call) : call_(std::move(Call)) {}
    ~ScopeExit() { call_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
private:
    F call_;
};

// A collection that names its owner (for the published-property tree).
class TOwnedCollection : public TCollection {
public:
    TOwnedCollection(TPersistent* AOwner, ItemFactory factory) : TCollection(std::move(factory)), owner_(AOwner) {}
    TPersistent* GetOwner() const override { return owner_; }
private:
    TPersistent* owner_;
};

// ---- threads ----------------------------------------------------------------------------------------------
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };
using TThreadMethod = std::function<void()>;

namespace Classes {
// Runs the calls that threads queued for the main thread. Returns true when any ran.
bool CheckSynchronize();
// Called (from any thread) whenever a call is queued, so the main loop can wake and drain the queue.
void SetWakeMainThread(std::function<void()> wake);
// The thread that runs the message loop; by default the thread that loaded the program.
bool IsMainThread();
void SetMainThread();
// Queues a call for the main thread without waiting (the class library's Queue).
void QueueOnMainThread(TThreadMethod method);
} // namespace Classes

class TThread : public TObject {
public:
    explicit TThread(bool CreateSuspended);
    // Terminates a running thread and waits for its end. A derived class whose Execute uses its own
    // members must do so in its own destructor (Terminate, then WaitFor), as they go first.
    ~TThread() override;

    void Resume();
    void Suspend();
    void Terminate() { terminated_ = true; }
    // Waits for the end of Execute; on the main thread it keeps running synchronised calls meanwhile.
    int WaitFor();
    bool Suspended() const { return suspended_; }
    bool Finished() const { return finished_; }
    int ReturnValue() const { return returnValue_; }
    TThreadPriority Priority() const { return priority_; }
    // Threads of an ordinary user cannot be raised above normal here; the value is kept.
    void SetPriority(TThreadPriority Value) { priority_ = Value; }
    bool FreeOnTerminate = false;
    // Runs on the main thread after Execute ends.
    TNotifyEvent OnTerminate;
    // The exception that ended Execute, if any.
    std::exception_ptr FatalException() const { return fatal_; }

    // Runs Method on the main thread and waits; an exception it raises is raised here again.
    void Synchronize(const TThreadMethod& Method);
    static void StaticSynchronize(const TThreadMethod& Method);
protected:
    virtual void Execute() = 0;
    bool Terminated() const { return terminated_; }
    void SetReturnValue(int Value) { returnValue_ = Value; }
private:
    void Run();
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable resumed_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> started_{false};
    std::atomic<bool> suspended_{true};   // read by other threads through Suspended()
    bool suspendRequested_ = false;
    int returnValue_ = 0;
    TThreadPriority priority_ = tpNormal;
    std::exception_ptr fatal_;
};
