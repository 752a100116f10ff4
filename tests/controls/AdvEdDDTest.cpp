// Drag and drop for the edits: the source's data object and enumerator, the target's reading of a
// dropped object, effects, and text dragged from one edit into another.
#include <gtest/gtest.h>

#include <cstring>

#include "AdvEdDD.h"
#include "AdvEdit.h"

namespace {

std::string Bytes(IDataObject* data, UINT format) {
    FORMATETC f;
    f.cfFormat = format;
    STGMEDIUM m;
    if (data->GetData(&f, &m) != S_OK) return "<none>";
    std::string out(static_cast<const char*>(GlobalLock(m.hGlobal)), GlobalSize(m.hGlobal));
    ReleaseStgMedium(&m);
    return out;
}

// A dropped object that offers a file list only.
class TFilesObject : public TSourceDataObject {
public:
    TFilesObject() : TSourceDataObject("", "") {}
    HRESULT QueryGetData(const FORMATETC* f) override { return f->cfFormat == CF_HDROP ? S_OK : DV_E_FORMATETC; }
    HRESULT GetData(const FORMATETC* f, STGMEDIUM* m) override {
        if (f->cfFormat != CF_HDROP) return DV_E_FORMATETC;
        std::string block(20, '\0');
        DROPFILES head;
        head.pFiles = 20;
        head.fWide = TRUE;
        std::memcpy(block.data(), &head, sizeof head);
        for (const char* name : {"C:\\a.txt", "C:\\b", ""}) {
            for (const char* p = name; *p; ++p) block += std::string{*p, '\0'};
            block.append(2, '\0');
        }
        m->tymed = TYMED_HGLOBAL;
        m->hGlobal = GlobalAlloc(GHND, block.size());
        std::memcpy(GlobalLock(m->hGlobal), block.data(), block.size());
        return S_OK;
    }
    HRESULT EnumFormatEtc(DWORD, IEnumFORMATETC** e) override {
        struct TOne : TInterfacedObject<IEnumFORMATETC> {
            int pos = 0;
            HRESULT Next(ULONG, FORMATETC* f, ULONG* n) override {
                if (pos++ > 0) { if (n) *n = 0; return S_FALSE; }
                *f = FORMATETC{};
                f->cfFormat = CF_HDROP;
                if (n) *n = 1;
                return S_OK;
            }
            HRESULT Skip(ULONG) override { return S_OK; }
            HRESULT Reset() override { pos = 0; return S_OK; }
            HRESULT Clone(IEnumFORMATETC**) override { return E_NOTIMPL; }
        };
        *e = new TOne;
        (*e)->AddRef();
        return S_OK;
    }
};

class TRecordingTarget : public TAEDropTarget {
public:
    std::vector<std::string> seen;
    bool allow = true;
    bool DropText(TPoint, const AnsiString& t) override { seen.push_back("text:" + t); return true; }
    bool DropRTF(TPoint, const AnsiString& r) override { seen.push_back("rtf:" + r); return true; }
    bool DropFiles(TPoint, TStrings* f) override {
        seen.push_back("files:" + f->Strings(0) + "|" + f->Strings(1));
        return true;
    }
    void DragMouseMove(TPoint, bool& a) override { a = allow; }
};

TEST(EditDragDrop, SourceObjectOffersPlainAndWideText) {
    SetRTFAware(false);
    TComPtr<IDataObject> data(new TSourceDataObject("abc", "{\\rtf1 abc}"));
    EXPECT_EQ(Bytes(data.Get(), CF_TEXT), std::string("abc\0", 4));
    EXPECT_EQ(Bytes(data.Get(), CF_UNICODETEXT), std::string("a\0b\0c\0\0\0", 8));
    // Text travels in the 8-bit code page.
    TComPtr<IDataObject> umlaut(new TSourceDataObject("ä", ""));
    EXPECT_EQ(Bytes(umlaut.Get(), CF_TEXT), std::string("\xE4\0", 2));
    FORMATETC f;
    f.tymed = TYMED_HGLOBAL | TYMED_ISTREAM;
    EXPECT_EQ(data->QueryGetData(&f), DV_E_FORMATETC);
    f = FORMATETC{};
    f.dwAspect = DVASPECT_ICON;
    EXPECT_EQ(data->QueryGetData(&f), DV_E_FORMATETC);
    f = FORMATETC{};
    f.cfFormat = CF_RTF();
    EXPECT_EQ(data->QueryGetData(&f), DV_E_FORMATETC);
    SetRTFAware(true);
    EXPECT_EQ(data->QueryGetData(&f), S_OK);
    SetRTFAware(false);
    f.cfFormat = CF_TEXT;
    EXPECT_EQ(data->QueryGetData(&f), S_OK);
    IEnumFORMATETC* none = reinterpret_cast<IEnumFORMATETC*>(1);
    EXPECT_EQ(data->EnumFormatEtc(DATADIR_SET, &none), E_NOTIMPL);
    EXPECT_EQ(none, nullptr);
}

TEST(EditDragDrop, EnumeratorCountsThreeFormats) {
    TComPtr<TSourceEnumFormatEtc> e(new TSourceEnumFormatEtc);
    FORMATETC entries[5];
    ULONG fetched = 0;
    EXPECT_EQ(e->Next(5, entries, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 3u);
    EXPECT_EQ(entries[2].cfFormat, CF_RTF());
    EXPECT_EQ(entries[0].lindex, -1);
    e->Reset();
    EXPECT_EQ(e->Skip(3), S_OK);
    EXPECT_EQ(e->Position(), 3);
    e->Reset();
    EXPECT_EQ(e->Skip(4), S_FALSE);
    EXPECT_EQ(e->Position(), 3);
    TComPtr<IEnumFORMATETC> clone;
    EXPECT_EQ(e->Clone(clone.Receive()), S_OK);
    EXPECT_EQ(clone->Next(1, entries, nullptr), S_OK);
    EXPECT_EQ(entries[0].cfFormat, CF_TEXT);
}

TEST(EditDragDrop, EffectsAndFeedback) {
    EXPECT_EQ(StandardEffect(MK_CONTROL), DROPEFFECT_COPY);
    EXPECT_EQ(StandardEffect(0), DROPEFFECT_MOVE);
    TComPtr<TAEDropSource> s(new TAEDropSource);
    EXPECT_EQ(s->QueryContinueDrag(TRUE, MK_LBUTTON), DRAGDROP_S_CANCEL);
    EXPECT_EQ(s->QueryContinueDrag(FALSE, MK_LBUTTON), S_OK);
    EXPECT_EQ(s->QueryContinueDrag(FALSE, 0), DRAGDROP_S_DROP);
    EXPECT_EQ(s->GiveFeedback(DROPEFFECT_NONE), DRAGDROP_S_USEDEFAULTCURSORS);
    EXPECT_TRUE(s->NoEffect());
    // A drag whose last feedback was no effect counts as cancelled.
    ActiveX::SetDoDragDropHandler([](IDataObject*, IDropSource* src, DWORD, DWORD* effect) {
        src->GiveFeedback(DROPEFFECT_NONE);
        *effect = DROPEFFECT_NONE;
        return DRAGDROP_S_DROP;
    });
    DWORD effect = 99;
    EXPECT_EQ(StartTextDoDragDrop("x", "", DROPEFFECT_COPY | DROPEFFECT_MOVE, effect), DRAGDROP_S_CANCEL);
    ActiveX::SetDoDragDropHandler(nullptr);
}

TEST(EditDragDrop, TargetReadsWhatTheObjectOffers) {
    TComPtr<TRecordingTarget> target(new TRecordingTarget);
    TComPtr<IDataObject> files(new TFilesObject);
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    target->DragEnter(files.Get(), MK_CONTROL, {0, 0}, &effect);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    target->Drop(files.Get(), 0, {0, 0}, &effect);
    EXPECT_EQ(target->seen, std::vector<std::string>{"files:C:\\a.txt|C:\\b"});
    EXPECT_EQ(effect, DROPEFFECT_MOVE);

    // Rich text only: refused without awareness, delivered with it (and no plain text then).
    target->seen.clear();
    SetRTFAware(true);
    TComPtr<IDataObject> rich(new TSourceDataObject("plain", "{\\rtf1 x}"));
    effect = DROPEFFECT_MOVE;
    target->DragEnter(rich.Get(), 0, {0, 0}, &effect);
    target->Drop(rich.Get(), 0, {0, 0}, &effect);
    EXPECT_EQ(target->seen, std::vector<std::string>{"rtf:{\\rtf1 x}"});
    SetRTFAware(false);
    // The hook may refuse the place.
    target->allow = false;
    effect = DROPEFFECT_MOVE;
    target->DragOver(0, {0, 0}, &effect);
    EXPECT_EQ(effect, DROPEFFECT_NONE);
    // A source that allows copy only never sees a move.
    target->allow = true;
    effect = DROPEFFECT_COPY;
    target->DragOver(0, {0, 0}, &effect);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
}

class EditDragBetweenEdits : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(10, 10, 400, 200);
        source = new TAdvEdit(form);
        source->SetParent(form);
        source->SetBounds(10, 10, 200, 21);
        target = new TAdvEdit(form);
        target->SetParent(form);
        target->SetBounds(10, 50, 200, 21);
        form->Show();
        Application->ProcessMessages();
        target->SetOleDropTarget(true);
        source->OleDropSource = true;
        source->SetText("abcdef");
        source->SetFocus();
        Application->ProcessMessages();
        source->Perform(EM_SETSEL, 0, 2);
    }
    void TearDown() override {
        ActiveX::SetDoDragDropHandler(nullptr);
        delete form;
    }
    // Drags the selection with the mouse and lets the handler decide where it lands.
    void Drag() {
        const TPoint start = source->PointFromChar(1);
        source->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(start.X, 8));
        source->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(start.X + 10, 8));
    }
    TForm* form = nullptr;
    TAdvEdit* source = nullptr;
    TAdvEdit* target = nullptr;
};

TEST_F(EditDragBetweenEdits, AMoveTakesTheTextAndACopyLeavesIt) {
    target->SetText("XY");
    ActiveX::SetDoDragDropHandler([&](IDataObject* data, IDropSource*, DWORD ok, DWORD* effect) {
        // The drop lands behind "X" in the other edit.
        const TPoint p = target->ClientToScreen(target->PointFromChar(1));
        TEditDropTarget* t = new TEditDropTarget(target);
        t->AddRef();
        *effect = ok;
        t->DragEnter(data, 0, {p.X + 1, p.Y + 5}, effect);
        *effect = ok;
        t->Drop(data, 0, {p.X + 1, p.Y + 5}, effect);
        t->Release();
        return DRAGDROP_S_DROP;
    });
    Drag();
    EXPECT_EQ(target->Text(), "XabY");
    EXPECT_EQ(source->Text(), "cdef");

    // A target that only copies: the source keeps its text.
    source->SetText("abcdef");
    source->Perform(EM_SETSEL, 0, 2);
    ActiveX::SetDoDragDropHandler([&](IDataObject*, IDropSource*, DWORD, DWORD* effect) {
        *effect = DROPEFFECT_COPY;
        return DRAGDROP_S_DROP;
    });
    Drag();
    EXPECT_EQ(source->Text(), "abcdef");
}

TEST_F(EditDragBetweenEdits, DroppedTextIsOneLineAndFollowsTheType) {
    TComPtr<TEditDropTarget> t(new TEditDropTarget(target));
    const TPoint p = target->ClientToScreen({5, 5});
    EXPECT_TRUE(t->DropText(p, "first\r\nsecond"));
    EXPECT_EQ(target->Text(), "first");
    target->SetEditType(etNumeric);
    target->SetText("12");
    EXPECT_FALSE(t->DropText(p, "ab"));
    EXPECT_EQ(target->Text(), "12");
    target->SetReadOnly(true);
    EXPECT_FALSE(t->DropText(p, "3"));
    EXPECT_EQ(target->Text(), "12");
}

} // namespace
