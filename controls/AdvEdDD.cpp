// Drag and drop of text for the edits.
#include "AdvEdDD.h"

#include <cstring>

#include "TextEncoding.h"

namespace {

bool rtfAware = false;

HGLOBAL BlockOf(const void* data, std::size_t size) {
    HGLOBAL h = GlobalAlloc(GHND | GMEM_SHARE, size);
    if (h && size) std::memcpy(GlobalLock(h), data, size);
    if (h) GlobalUnlock(h);
    return h;
}

// The allowed effect nearest to the one asked for: a move the source does not allow becomes a copy.
DWORD Allowed(DWORD wanted, DWORD allowed) {
    if (wanted & allowed) return wanted;
    if (wanted == DROPEFFECT_MOVE && (allowed & DROPEFFECT_COPY)) return DROPEFFECT_COPY;
    return DROPEFFECT_NONE;
}

} // namespace

void SetRTFAware(bool Value) { rtfAware = Value; }
bool RTFAware() { return rtfAware; }
// Registered once for the whole program, before any drag can list it.
UINT CF_RTF() {
    static const UINT id = RegisterClipboardFormat("Rich Text Format");
    return id;
}

// ---- TEnumFormats ---------------------------------------------------------------------------------------
TEnumFormats::TEnumFormats(IDataObject* DataObject) : files_(std::make_unique<TStringList>()) {
    CF_RTF();
    SetDataObject(DataObject);
}

TEnumFormats::~TEnumFormats() = default;

void TEnumFormats::SetDataObject(IDataObject* Value) {
    enum_ = TComPtr<IEnumFORMATETC>();
    data_ = TComPtr<IDataObject>(Value);
    if (!Value) return;
    if (Value->EnumFormatEtc(DATADIR_GET, enum_.Receive()) != S_OK || !enum_)
        throw EAssertionFailed("Cannot get the format enumerator");
    Reset();
}

bool TEnumFormats::Reset() {
    valid_ = false;
    position_ = 0;
    return enum_ && enum_->Reset() == S_OK;
}

bool TEnumFormats::Next() {
    ++position_;
    ULONG fetched = 0;
    valid_ = enum_ && enum_->Next(1, &current_, &fetched) == S_OK;
    return valid_;
}

bool TEnumFormats::HasFormat(UINT Format) {
    Reset();
    while (Next()) {
        if (current_.cfFormat == Format) return true;
    }
    return false;
}

HGLOBAL TEnumFormats::Handle(DWORD Tymed) {
    if (!valid_ || !data_ || (current_.tymed & Tymed) != Tymed) return nullptr;
    FORMATETC f = current_;
    f.tymed = Tymed;
    STGMEDIUM m;
    if (data_->GetData(&f, &m) != S_OK) return nullptr;
    // The handle now belongs to the caller; no release object is used here.
    if (m.pUnkForRelease) {
        m.pUnkForRelease->Release();
        return nullptr;
    }
    return m.hGlobal;
}

AnsiString TEnumFormats::SomeText(UINT Format) {
    if (!HasFormat(Format)) return {};
    HGLOBAL h = GlobalHandle();
    if (!h) return {};
    const auto* p = static_cast<const char*>(GlobalLock(h));
    std::string bytes(p, strnlen(p, GlobalSize(h)));
    GlobalUnlock(h);
    GlobalFree(h);
    // Plain text comes in the platform's 8-bit code page; rich text keeps its own escapes.
    return Format == CF_TEXT ? TextEncoding::Cp1252ToUtf8(bytes) : bytes;
}

bool TEnumFormats::SomeFiles(TStrings* List) {
    List->Clear();
    HGLOBAL h = GlobalHandle();
    if (!h) return false;
    const auto* base = static_cast<const unsigned char*>(GlobalLock(h));
    const std::size_t size = GlobalSize(h);
    if (size >= sizeof(DROPFILES)) {
        DROPFILES head;
        std::memcpy(&head, base, sizeof head);
        std::size_t at = head.pFiles;
        for (;;) {
            std::string name;
            if (head.fWide) {
                std::u16string wide;
                while (at + 1 < size) {
                    char16_t c = static_cast<char16_t>(base[at] | (base[at + 1] << 8));
                    at += 2;
                    if (!c) break;
                    wide += c;
                }
                // UTF-16 to UTF-8, surrogate pairs joined.
                for (std::size_t i = 0; i < wide.size(); ++i) {
                    char32_t c = wide[i];
                    if (c >= 0xD800 && c < 0xDC00 && i + 1 < wide.size()) c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00);
                    TextEncoding::AppendUtf8(name, c);
                }
            } else {
                while (at < size && base[at]) name += static_cast<char>(base[at++]);
                ++at;
                name = TextEncoding::DecodeText(name);
            }
            if (name.empty() || at > size) break;
            List->Add(name);
        }
    }
    GlobalUnlock(h);
    GlobalFree(h);
    return List->Count() > 0;
}

// ---- TAEDropTarget ----------------------------------------------------------------------------------------
DWORD StandardEffect(DWORD KeyState) { return (KeyState & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE; }

HRESULT TAEDropTarget::DragEnter(IDataObject* DataObj, DWORD KeyState, TPoint, DWORD* Effect) {
    TEnumFormats formats(DataObj);
    acceptable_ = formats.HasText() || formats.HasFile() || (rtfAware && formats.HasRTF());
    if (Effect) *Effect = acceptable_ ? Allowed(StandardEffect(KeyState), *Effect) : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT TAEDropTarget::DragOver(DWORD KeyState, TPoint Pt, DWORD* Effect) {
    const DWORD allowed = Effect ? *Effect : DROPEFFECT_COPY | DROPEFFECT_MOVE;
    DWORD e = acceptable_ ? Allowed(StandardEffect(KeyState), allowed) : DROPEFFECT_NONE;
    bool allow = true;
    DragMouseMove(Pt, allow);
    if (!allow) e = DROPEFFECT_NONE;
    if (Effect) *Effect = e;
    return S_OK;
}

HRESULT TAEDropTarget::DragLeave() {
    DragLeft();
    return S_OK;
}

HRESULT TAEDropTarget::Drop(IDataObject* DataObj, DWORD KeyState, TPoint Pt, DWORD* Effect) {
    const DWORD allowed = Effect ? *Effect : DROPEFFECT_COPY | DROPEFFECT_MOVE;
    bool taken = false;
    if (acceptable_) {
        TEnumFormats formats(DataObj);
        if (rtfAware && formats.HasRTF()) taken = DropRTF(Pt, formats.RTF());
        else if (formats.HasText()) taken = DropText(Pt, formats.Text());
        if (formats.HasFile() && formats.SomeFiles(formats.Files())) taken = DropFiles(Pt, formats.Files()) || taken;
    }
    // A drop nothing took has no effect, so the source keeps its data.
    if (Effect) *Effect = taken ? Allowed(StandardEffect(KeyState), allowed) : DROPEFFECT_NONE;
    return S_OK;
}

bool TAEDropTarget::DropText(TPoint, const AnsiString&) { return false; }
bool TAEDropTarget::DropRTF(TPoint, const AnsiString&) { return false; }
bool TAEDropTarget::DropFiles(TPoint, TStrings*) { return false; }
void TAEDropTarget::DragMouseMove(TPoint, bool& Allow) { Allow = true; }

// ---- the source side ------------------------------------------------------------------------------------
HRESULT TAEDropSource::QueryContinueDrag(BOOL EscapePressed, DWORD KeyState) {
    if (EscapePressed) return DRAGDROP_S_CANCEL;
    if (KeyState & MK_LBUTTON) return S_OK;
    return DRAGDROP_S_DROP;
}

HRESULT TAEDropSource::GiveFeedback(DWORD Effect) {
    noEffect_ = Effect == DROPEFFECT_NONE;
    return DRAGDROP_S_USEDEFAULTCURSORS;
}

HRESULT TSourceDataObject::QueryGetData(const FORMATETC* f) {
    if (!f || f->dwAspect != DVASPECT_CONTENT || f->tymed != TYMED_HGLOBAL) return DV_E_FORMATETC;
    if (f->cfFormat == CF_TEXT || f->cfFormat == CF_UNICODETEXT || (f->cfFormat == CF_RTF() && rtfAware)) return S_OK;
    return DV_E_FORMATETC;
}

HRESULT TSourceDataObject::GetData(const FORMATETC* f, STGMEDIUM* m) {
    if (!m) return E_INVALIDARG;
    *m = STGMEDIUM{};
    if (QueryGetData(f) != S_OK) return DV_E_FORMATETC;
    HGLOBAL h = nullptr;
    if (f->cfFormat == CF_TEXT) {
        const std::string bytes = TextEncoding::Utf8ToCp1252(text_);
        h = BlockOf(bytes.c_str(), bytes.size() + 1);
    } else if (f->cfFormat == CF_UNICODETEXT) {
        std::u16string wide;
        std::size_t i = 0;
        while (i < text_.size()) {
            char32_t c = TextEncoding::NextCodePoint(text_, i);
            if (c >= 0x10000) {
                c -= 0x10000;
                wide += static_cast<char16_t>(0xD800 + (c >> 10));
                wide += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
            } else {
                wide += static_cast<char16_t>(c);
            }
        }
        std::string bytes;
        for (char16_t c : wide) {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>(c >> 8);
        }
        bytes.append(2, '\0');
        h = BlockOf(bytes.data(), bytes.size());
    } else {
        h = BlockOf(rtf_.c_str(), rtf_.size() + 1);
    }
    if (!h) return DV_E_FORMATETC;
    m->tymed = TYMED_HGLOBAL;
    m->hGlobal = h;
    return S_OK;
}

HRESULT TSourceDataObject::GetDataHere(const FORMATETC*, STGMEDIUM*) { return DV_E_FORMATETC; }
HRESULT TSourceDataObject::SetData(const FORMATETC*, STGMEDIUM*, BOOL) { return DV_E_FORMATETC; }
HRESULT TSourceDataObject::GetCanonicalFormatEtc(const FORMATETC*, FORMATETC* Out) {
    if (Out) Out->ptd = nullptr;
    return E_NOTIMPL;
}

HRESULT TSourceDataObject::EnumFormatEtc(DWORD Direction, IEnumFORMATETC** Enum) {
    if (!Enum) return E_INVALIDARG;
    *Enum = nullptr;
    if (Direction != DATADIR_GET) return E_NOTIMPL;
    *Enum = new TSourceEnumFormatEtc;
    (*Enum)->AddRef();
    return S_OK;
}

HRESULT TSourceDataObject::DAdvise(FORMATETC*, DWORD, IUnknown*, DWORD*) { return OLE_E_ADVISENOTSUPPORTED; }
HRESULT TSourceDataObject::DUnadvise(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }
HRESULT TSourceDataObject::EnumDAdvise(IUnknown** Enum) {
    if (Enum) *Enum = nullptr;
    return OLE_E_ADVISENOTSUPPORTED;
}

HRESULT TSourceEnumFormatEtc::Next(ULONG Count, FORMATETC* Entries, ULONG* Fetched) {
    const UINT formats[3] = {CF_TEXT, CF_UNICODETEXT, CF_RTF()};
    ULONG n = 0;
    while (n < Count && position_ < 3) {
        FORMATETC& f = Entries[n];
        f = FORMATETC{};
        f.cfFormat = formats[position_];
        ++position_;
        ++n;
    }
    if (Fetched) *Fetched = n;
    return n == Count ? S_OK : S_FALSE;
}

HRESULT TSourceEnumFormatEtc::Skip(ULONG Count) {
    position_ += static_cast<int>(Count);
    if (position_ >= 4) {
        position_ = 3;
        return S_FALSE;
    }
    return S_OK;
}

HRESULT TSourceEnumFormatEtc::Reset() {
    position_ = 0;
    return S_OK;
}

HRESULT TSourceEnumFormatEtc::Clone(IEnumFORMATETC** Enum) {
    if (!Enum) return E_INVALIDARG;
    *Enum = new TSourceEnumFormatEtc;
    (*Enum)->AddRef();
    return S_OK;
}

HRESULT StartTextDoDragDrop(const AnsiString& Text, const AnsiString& RTF, DWORD AllowedEffects, DWORD& Effect) {
    TComPtr<TAEDropSource> source(new TAEDropSource);
    TComPtr<IDataObject> data(new TSourceDataObject(Text, RTF));
    Effect = DROPEFFECT_NONE;
    HRESULT result = DoDragDrop(data.Get(), source.Get(), AllowedEffects, &Effect);
    if (source->NoEffect()) result = DRAGDROP_S_CANCEL;
    return result;
}
