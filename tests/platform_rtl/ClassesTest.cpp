#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "Classes.h"
#include "TestTime.h"
#include "TempDir.h"

using testsupport::TempDir;

namespace {
std::vector<std::string> Lines(const TStrings& s) {
    std::vector<std::string> r;
    for (int i = 0; i < s.Count(); ++i) r.push_back(s.Get(i));
    return r;
}
} // namespace

// ---- string lists ------------------------------------------------------------------------------------

TEST(StringList, SortedListsFindIgnoringCase) {
    TStringList designs;
    designs.SetSorted(true);
    for (const char* s : {"Standard", "blau", "Äpfel", "Winter", "apfel", "STANDARD", "Zebra"}) designs.Add(s);
    EXPECT_EQ(Lines(designs), (std::vector<std::string>{"apfel", "Äpfel", "blau", "Standard", "Winter", "Zebra"}));
    int index = -1;
    EXPECT_TRUE(designs.Find("standard", index));
    EXPECT_EQ(index, 3);
    EXPECT_TRUE(designs.Find("WINTER", index));
    EXPECT_EQ(index, 4);
    EXPECT_FALSE(designs.Find("Sommer", index));
    EXPECT_EQ(index, 3);   // where it would go
    EXPECT_EQ(designs.IndexOf("BLAU"), 2);
    EXPECT_EQ(designs.IndexOf("äPFEL"), 1);
    EXPECT_EQ(designs.IndexOf("grün"), -1);
    EXPECT_THROW(designs.Insert(0, "x"), EStringListError);

    designs.SetDuplicates(dupError);
    EXPECT_THROW(designs.Add("blau"), EStringListError);
    designs.SetDuplicates(dupAccept);
    designs.Add("Blau");
    EXPECT_EQ(designs.Count(), 7);

    TStringList exact;
    exact.SetCaseSensitive(true);
    exact.Add("Blau");
    EXPECT_EQ(exact.IndexOf("blau"), -1);
    EXPECT_EQ(exact.IndexOf("Blau"), 0);
    TStringList unsorted;
    unsorted.Add("Zeta");
    unsorted.Add("alpha");
    EXPECT_EQ(unsorted.IndexOf("ALPHA"), 1);
    unsorted.SetSorted(true);
    EXPECT_EQ(Lines(unsorted), (std::vector<std::string>{"alpha", "Zeta"}));
}

TEST(StringList, NamesAndValues) {
    TStringList params;
    params.SetText("DATEOFFSET=3\r\nLINK=a=b\r\nflag\r\nEMPTY=\r\ndateoffset=9");
    EXPECT_EQ(params.Values("dateoffset"), "3");   // the first entry of that name
    EXPECT_EQ(params.Values("link"), "a=b");
    EXPECT_EQ(params.Values("flag"), "");
    EXPECT_EQ(params.Values("EMPTY"), "");
    EXPECT_EQ(params.IndexOfName("Empty"), 3);
    EXPECT_EQ(params.IndexOfName("flag"), -1);
    EXPECT_EQ(params.Names(1), "LINK");
    EXPECT_EQ(params.Names(2), "");
    EXPECT_EQ(params.ValueFromIndex(1), "a=b");
    params.SetValue("link", "neu");
    EXPECT_EQ(params[1], "link=neu");
    params.SetValue("NEW", "1");
    EXPECT_EQ(params[5], "NEW=1");
    params.SetValue("DateOffset", "");   // an empty value removes the entry
    EXPECT_EQ(params.Values("DATEOFFSET"), "9");
    EXPECT_EQ(params.Count(), 5);
}

TEST(StringList, TextJoinsWithCrLfAndSplitsAtAnyLineBreak) {
    TStringList list;
    EXPECT_EQ(list.Text(), "");
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
    list.SetText("eins\r\nzwei\ndrei\rvier\n\nsechs\r\n");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"eins", "zwei", "drei", "vier", "", "sechs"}));
    EXPECT_EQ(list.Text(), "eins\r\nzwei\r\ndrei\r\nvier\r\n\r\nsechs\r\n");
    list.SetText("\n");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{""}));
    list.SetText("a\r\r\nb");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "", "b"}));

    int changes = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    list.SetText("x\ny\nz");
    EXPECT_EQ(changes, 1);   // one change for the whole text
    list.Add("w");
    EXPECT_EQ(changes, 2);
}

TEST(StringList, FilesInWindows1252AndUtf8ReadToTheSameText) {
    TempDir dir;
    dir.write("ansi.txt", "Gr\xFC\xDF" "e aus M\xFCnchen\r\n\r\nPreis: 5 \x80\r\n");
    dir.write("utf8.txt", "Grüße aus München\n\nPreis: 5 €");
    dir.write("bom.txt", "\xEF\xBB\xBFGrüße aus München\r\n\r\nPreis: 5 €\r\n");
    TStringList ansi, utf8, bom;
    ansi.LoadFromFile(dir.file("ansi.txt"));
    utf8.LoadFromFile(dir.file("utf8.txt"));
    bom.LoadFromFile(dir.str() + "BOM.TXT");
    EXPECT_EQ(Lines(ansi), (std::vector<std::string>{"Grüße aus München", "", "Preis: 5 €"}));
    EXPECT_EQ(ansi.Text(), utf8.Text());
    EXPECT_EQ(ansi.Text(), bom.Text());

    ansi.SaveToFile(dir.file("out.txt"));
    EXPECT_EQ(dir.read("out.txt"), "Grüße aus München\r\n\r\nPreis: 5 €\r\n");
    EXPECT_THROW(ansi.LoadFromFile(dir.file("missing.txt")), EFOpenError);
    EXPECT_THROW(ansi.SaveToFile(dir.file("no/folder.txt")), EFCreateError);

    TMemoryStream stream;
    utf8.SaveToStream(&stream);
    EXPECT_EQ(stream.DataString(), "Grüße aus München\r\n\r\nPreis: 5 €\r\n");
    stream.SetPosition(0);
    TStringList back;
    back.LoadFromStream(&stream);
    EXPECT_TRUE(back.Equals(&utf8));
}

TEST(StringList, CommaText) {
    TStringList list;
    for (const char* s : {"a", "b c", "say \"hi\"", "", "x,y"}) list.Add(s);
    EXPECT_EQ(list.CommaText(), "a,\"b c\",\"say \"\"hi\"\"\",,\"x,y\"");
    TStringList back;
    back.SetCommaText(list.CommaText());
    EXPECT_EQ(Lines(back), Lines(list));
    back.SetCommaText("eins zwei, \"drei vier\" ,fünf,");
    EXPECT_EQ(Lines(back), (std::vector<std::string>{"eins", "zwei", "drei vier", "fünf", ""}));
    back.SetCommaText("");
    EXPECT_EQ(back.Count(), 0);
    TStringList single;
    single.Add("");
    EXPECT_EQ(single.CommaText(), "\"\"");
}

TEST(StringList, IndexErrorsAndOwnedObjects) {
    TStringList list;
    EXPECT_THROW(list.Get(0), EStringListError);
    EXPECT_THROW(list.Delete(-1), EStringListError);
    EXPECT_THROW(list.Insert(2, "x"), EStringListError);
    struct Counted : TObject {
        int* count;
        explicit Counted(int* c) : count(c) {}
        ~Counted() override { ++*count; }
    };
    int freed = 0;
    {
        TStringList owning;
        owning.OwnsObjects = true;
        owning.AddObject("a", new Counted(&freed));
        owning.AddObject("b", new Counted(&freed));
        owning.AddObject("c", new Counted(&freed));
        owning.Delete(0);
        EXPECT_EQ(freed, 1);
        owning.Move(1, 0);
        EXPECT_EQ(Lines(owning), (std::vector<std::string>{"c", "b"}));
        owning.Exchange(0, 1);
        EXPECT_EQ(Lines(owning), (std::vector<std::string>{"b", "c"}));
        EXPECT_EQ(freed, 1);
    }
    EXPECT_EQ(freed, 3);
}

// ---- streams ---------------------------------------------------------------------------------------------

TEST(Streams, MemoryStreamReadsWritesAndSeeks) {
    TMemoryStream m;
    m.WriteBuffer("Hallo Welt", 10);
    EXPECT_EQ(m.Size(), 10);
    EXPECT_EQ(m.Position(), 10);
    m.Seek(-4, soEnd);
    char buf[16] = {};
    m.ReadBuffer(buf, 4);
    EXPECT_EQ(std::string(buf, 4), "Welt");
    m.SetPosition(0);
    m.WriteBuffer("J", 1);
    EXPECT_EQ(m.DataString(), "Jallo Welt");
    m.Seek(2, soCurrent);
    EXPECT_EQ(m.Position(), 3);
    EXPECT_EQ(m.Read(buf, 100), 7);   // a plain read stops at the end
    EXPECT_EQ(m.Read(buf, 1), 0);
    m.SetPosition(8);
    EXPECT_THROW(m.ReadBuffer(buf, 3), EReadError);   // only two bytes are left
    m.SetSize(5);
    EXPECT_EQ(m.Position(), 5);
    EXPECT_EQ(m.DataString(), "Jallo");
    m.SetPosition(8);
    m.WriteBuffer("!", 1);   // writing past the end fills the gap with zeros
    EXPECT_EQ(m.DataString(), std::string("Jallo\0\0\0!", 9));

    TStringStream s("abc");
    EXPECT_EQ(s.Position(), 0);
    EXPECT_EQ(s.ReadAll(), "abc");
    TMemoryStream copy;
    EXPECT_EQ(copy.CopyFrom(&s, 0), 3);
    EXPECT_EQ(copy.DataString(), "abc");
    s.SetPosition(1);
    TMemoryStream part;
    part.CopyFrom(&s, 2);
    EXPECT_EQ(part.DataString(), "bc");
    s.SetPosition(2);
    EXPECT_THROW(part.CopyFrom(&s, 5), EReadError);
}

TEST(Streams, FileStreamsOnRealFiles) {
    TempDir dir;
    {
        TFileStream f(dir.file("daten.bin"), fmCreate);
        f.WriteBuffer("0123456789", 10);
        EXPECT_EQ(f.Size(), 10);
        f.Seek(2, soBeginning);
        f.WriteBuffer("xy", 2);
        f.SetSize(8);
    }
    EXPECT_EQ(dir.read("daten.bin"), "01xy4567");
    {
        TFileStream f(dir.str() + "DATEN.BIN", fmOpenRead | fmShareDenyNone);
        char buf[8];
        f.Seek(-3, soEnd);
        f.ReadBuffer(buf, 3);
        EXPECT_EQ(std::string(buf, 3), "567");
        f.SetPosition(6);
        EXPECT_THROW(f.ReadBuffer(buf, 4), EReadError);
        EXPECT_THROW(f.WriteBuffer("z", 1), EWriteError);   // opened for reading
    }
    EXPECT_THROW(TFileStream(dir.file("fehlt.bin"), fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream(dir.file("kein/ordner.bin"), fmCreate), EFCreateError);
    try {
        TFileStream(dir.file("fehlt.bin"), fmOpenReadWrite);
        ADD_FAILURE() << "no exception";
    } catch (const EFOpenError& e) {
        EXPECT_NE(e.Message.find("fehlt.bin"), std::string::npos);
    }

    TMemoryStream m;
    m.LoadFromFile(dir.file("daten.bin"));
    EXPECT_EQ(m.DataString(), "01xy4567");
    m.SaveToFile(dir.file("kopie.bin"));
    EXPECT_EQ(dir.read("kopie.bin"), "01xy4567");
    EXPECT_THROW(m.LoadFromFile(dir.file("fehlt.bin")), EFOpenError);
}

// ---- components -------------------------------------------------------------------------------------------

namespace {

std::vector<std::string>* g_log = nullptr;

class TLogged : public TComponent {
public:
    TLogged(TComponent* AOwner, const std::string& name) : TComponent(AOwner) { SetName(name); }
    ~TLogged() override {
        if (g_log) g_log->push_back("free " + Name() + (HasState(csDestroying) ? " (destroying)" : ""));
    }
    // Called while the object is still whole.
    void BeforeDestruction() override {
        if (g_log) g_log->push_back("before " + Name());
    }
    void Loaded() override {
        TComponent::Loaded();
        if (g_log) g_log->push_back("loaded " + Name() + (HasState(csLoading) ? " (still loading)" : ""));
    }
    TComponent* watched = nullptr;
protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (g_log)
            g_log->push_back(Name() + (Operation == opInsert ? " insert " : " remove ") + AComponent->Name());
        if (Operation == opRemove && AComponent == watched) watched = nullptr;
    }
};

struct LogScope {
    std::vector<std::string> log;
    LogScope() { g_log = &log; }
    ~LogScope() { g_log = nullptr; }
};

} // namespace

TEST(Component, OwnersFreeTheirComponentsLastFirst) {
    LogScope scope;
    auto* form = new TLogged(nullptr, "Form");
    auto* panel = new TLogged(form, "Panel");
    auto* button = new TLogged(form, "Button");
    auto* label = new TLogged(panel, "Label");
    EXPECT_EQ(form->ComponentCount(), 2);
    EXPECT_EQ(button->Owner(), form);
    EXPECT_EQ(button->ComponentIndex(), 1);
    EXPECT_EQ(label->Owner(), panel);
    EXPECT_EQ(form->FindComponent("BUTTON"), button);
    EXPECT_EQ(form->FindComponent("Label"), nullptr);   // owned by the panel
    EXPECT_THROW(button->SetName("panel"), EComponentError);
    EXPECT_EQ(button->Name(), "Button");
    label->SetName("Button");   // another owner: no clash
    scope.log.clear();
    delete form;
    // The owner ends each component before it frees it; the form, freed by hand, is not ended.
    EXPECT_EQ(scope.log, (std::vector<std::string>{"free Form", "before Button", "free Button (destroying)", "before Panel",
                                                   "free Panel (destroying)", "before Button", "free Button (destroying)"}));
}

TEST(Component, NotificationsReachTheOwnerAndItsComponents) {
    LogScope scope;
    TLogged form(nullptr, "Form");
    auto* panel = new TLogged(&form, "Panel");
    scope.log.clear();
    auto* button = new TLogged(nullptr, "Button");
    form.InsertComponent(button);
    // The owner's components hear of it first (last first, the new one included), then the owner.
    EXPECT_EQ(scope.log, (std::vector<std::string>{"Button insert Button", "Panel insert Button", "Form insert Button"}));
    scope.log.clear();
    delete button;
    EXPECT_EQ(scope.log, (std::vector<std::string>{"free Button", "Panel remove Button", "Form remove Button"}));
    EXPECT_EQ(form.ComponentCount(), 1);

    // A component told of another's end forgets it; one freed first is forgotten by the other.
    TLogged watcher(nullptr, "Watcher");
    auto* target = new TLogged(panel, "Target");
    watcher.watched = target;
    watcher.FreeNotification(target);
    {
        TLogged shortLived(nullptr, "ShortLived");
        shortLived.FreeNotification(target);
    }
    scope.log.clear();
    delete target;
    EXPECT_EQ(scope.log, (std::vector<std::string>{"free Target", "Watcher remove Target", "Panel remove Target"}));
    EXPECT_EQ(watcher.watched, nullptr);
}

TEST(Component, AReferenceBecomesNullWhenItsTargetGoes) {
    LogScope scope;
    TLogged holder(nullptr, "Holder");
    TComponentRef<TLogged> first(&holder), second(&holder);
    auto* a = new TLogged(nullptr, "A");
    auto* b = new TLogged(nullptr, "B");
    first = a;
    second = a;
    EXPECT_EQ(first.Get(), a);
    // Pointed elsewhere, one reference leaves the other still told of A's end.
    first = b;
    EXPECT_EQ(first->Name(), "B");
    scope.log.clear();
    delete a;
    EXPECT_EQ(scope.log, (std::vector<std::string>{"free A", "Holder remove A"}));
    EXPECT_EQ(second.Get(), nullptr);
    EXPECT_EQ(first.Get(), b);
    // Let go of, B no longer reaches the holder when it goes.
    second = first;
    first = nullptr;
    second = nullptr;
    scope.log.clear();
    delete b;
    EXPECT_EQ(scope.log, (std::vector<std::string>{"free B"}));
    // A holder freed first leaves its target nothing to call back.
    auto* c = new TLogged(nullptr, "C");
    {
        TLogged shortLived(nullptr, "ShortLived");
        TComponentRef<TLogged> ref(&shortLived);
        ref = c;
    }
    scope.log.clear();
    delete c;
    EXPECT_EQ(scope.log, (std::vector<std::string>{"free C"}));
}

TEST(Component, LoadingEndsWithLoaded) {
    LogScope scope;
    TLogged c(nullptr, "Edit");
    c.BeginLoading();
    EXPECT_TRUE(c.HasState(csLoading));
    c.EndLoading();
    EXPECT_FALSE(c.HasState(csLoading));
    EXPECT_EQ(scope.log.back(), "loaded Edit");
}

namespace {
class TTestModule : public TDataModule {
public:
    TTestModule(TComponent* AOwner, std::vector<std::string>& log, bool failInCreate) : TDataModule(AOwner), log_(log) {
        OnCreate = [this, failInCreate](TObject*) {
            log_.push_back("create with " + std::to_string(ComponentCount()) + " components");
            if (failInCreate) throw SysUtils::Exception("no database");
        };
        OnDestroy = [this](TObject*) { log_.push_back("destroy with " + std::to_string(ComponentCount()) + " components"); };
        new TComponent(this);
        new TComponent(this);
        DoCreate();
    }
    ~TTestModule() override { DoDestroy(); }
private:
    std::vector<std::string>& log_;
};
} // namespace

TEST(Component, DataModulesCreateAndDestroyWithTheirComponents) {
    std::vector<std::string> log;
    {
        TComponent app(nullptr);
        new TTestModule(&app, log, false);
        EXPECT_EQ(app.ComponentCount(), 1);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"create with 2 components", "destroy with 2 components"}));
    log.clear();
    EXPECT_THROW(TTestModule(nullptr, log, true), SysUtils::Exception);
    EXPECT_EQ(log, (std::vector<std::string>{"create with 2 components"}));   // never fully built: no OnDestroy
}

// ---- collections -------------------------------------------------------------------------------------------

namespace {
class TNamedItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    std::string name;
    void SetName(const std::string& v) { name = v; Changed(false); }
    void Assign(TPersistent* Source) override {
        if (auto* o = dynamic_cast<TNamedItem*>(Source)) { name = o->name; return; }
        TCollectionItem::Assign(Source);
    }
    AnsiString DisplayName() const override { return name; }
};

class TLoggedCollection : public TCollection {
public:
    TLoggedCollection() : TCollection([](TCollection* c) { return new TNamedItem(c); }) {}
    std::vector<std::string> log;
    TNamedItem* At(int i) const { return static_cast<TNamedItem*>(Items(i)); }
    std::vector<std::string> Names() const {
        std::vector<std::string> r;
        for (int i = 0; i < Count(); ++i) r.push_back(At(i)->name);
        return r;
    }
protected:
    void Update(TCollectionItem* Item) override {
        log.push_back(Item ? "update " + Item->DisplayName() : "update all");
    }
    void Notify(TCollectionItem* Item, bool Added) override {
        log.push_back(std::string(Added ? "added #" : "removed #") + std::to_string(Item->ID()));
    }
};

// Its announcement of a change fails on request.
class TFailingCollection : public TLoggedCollection {
public:
    bool failUpdate = false;
protected:
    void Update(TCollectionItem* Item) override {
        TLoggedCollection::Update(Item);
        if (failUpdate) throw EListError("Anzeige gescheitert");
    }
};
} // namespace

TEST(Collection, ItemsKeepIdsOrderAndReportChanges) {
    TLoggedCollection days;
    for (const char* n : {"Mo", "Di", "Mi"}) static_cast<TNamedItem*>(days.Add())->SetName(n);
    EXPECT_EQ(days.Count(), 3);
    EXPECT_EQ(days.log, (std::vector<std::string>{"added #0", "update all", "update Mo", "added #1", "update all",
                                                  "update Di", "added #2", "update all", "update Mi"}));
    EXPECT_EQ(days.At(2)->ID(), 2);
    EXPECT_EQ(days.At(1)->Index(), 1);
    EXPECT_EQ(days.FindItemID(1), days.At(1));
    EXPECT_EQ(days.FindItemID(7), nullptr);

    auto* inserted = static_cast<TNamedItem*>(days.Insert(0));
    inserted->name = "So";
    EXPECT_EQ(days.Names(), (std::vector<std::string>{"So", "Mo", "Di", "Mi"}));
    EXPECT_EQ(inserted->ID(), 3);
    days.At(3)->SetIndex(1);
    EXPECT_EQ(days.Names(), (std::vector<std::string>{"So", "Mi", "Mo", "Di"}));
    days.Exchange(0, 3);
    EXPECT_EQ(days.Names(), (std::vector<std::string>{"Di", "Mi", "Mo", "So"}));

    days.log.clear();
    days.Delete(1);
    EXPECT_EQ(days.log, (std::vector<std::string>{"removed #2", "update all"}));
    EXPECT_EQ(days.Names(), (std::vector<std::string>{"Di", "Mo", "So"}));
    EXPECT_THROW(days.Delete(3), EListError);
    EXPECT_THROW(days.Items(-1), EListError);

    // An item freed on its own leaves its collection.
    delete days.At(0);
    EXPECT_EQ(days.Names(), (std::vector<std::string>{"Mo", "So"}));

    days.log.clear();
    days.BeginUpdate();
    days.At(0)->SetName("Montag");
    static_cast<TNamedItem*>(days.Add())->SetName("Fr");
    EXPECT_EQ(days.log, (std::vector<std::string>{"added #4"}));
    days.EndUpdate();
    EXPECT_EQ(days.log, (std::vector<std::string>{"added #4", "update all"}));

    TLoggedCollection copy;
    copy.Assign(&days);
    EXPECT_EQ(copy.Names(), (std::vector<std::string>{"Montag", "So", "Fr"}));
    copy.Clear();
    EXPECT_EQ(copy.Count(), 0);
    TStringList notACollection;
    EXPECT_THROW(copy.Assign(&notACollection), SysUtils::EConvertError);
}

TEST(Collection, AnUpdateGuardEndsTheUpdateAndPassesOnTheFirstFailure) {
    TFailingCollection days;
    days.Add();
    days.failUpdate = true;
    // Left through a failure: the update ends, and the announcement failing too does not replace it.
    EXPECT_THROW(
        {
            UpdateGuard update(days);
            throw EReadError("Lesefehler");
        },
        EReadError);
    EXPECT_EQ(days.UpdateCount(), 0);
    EXPECT_EQ(days.log.back(), "update all");
    // Left normally: the announcement's own failure comes out.
    EXPECT_THROW({ UpdateGuard update(days); }, EListError);
    EXPECT_EQ(days.UpdateCount(), 0);
}

TEST(Collection, ClearingTakesTimeInProportionToTheItems) {
    // The clearing alone, in the thread's own processor time, the few and the many in turn, the
    // least of a few runs each: what other programs do costs it nothing.
    auto clearing = [](int n) {
        TCollection items([](TCollection* c) { return new TNamedItem(c); });
        items.BeginUpdate();
        for (int i = 0; i < n; ++i) items.Add();
        items.EndUpdate();
        const double start = testsupport::ThreadSeconds();
        items.Clear();
        return testsupport::ThreadSeconds() - start;
    };
    double few = 1e9, many = 1e9;
    for (int run = 0; run < 5; ++run) {
        few = std::min(few, clearing(4000));
        many = std::min(many, clearing(16000));
    }
    // Four times the items take four times as long when each goes at once, sixteen times when each
    // is looked for through all the others.
    EXPECT_LT(many, few * 8) << few << " s for 4000 items, " << many << " s for 16000";
}
