#pragma once
// OLE drag and drop with the platform's interfaces, over Qt's drag and drop: a window registered as a
// drop target receives DragEnter/DragOver/DragLeave/Drop with a data object that offers what the
// dragged data holds (CF_TEXT in the platform's 8-bit code page, CF_UNICODETEXT, CF_HDROP for local
// files, "Rich Text Format"); DoDragDrop starts a drag of a data object's text and rich text.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "Types.h"
#include "Messages.h"

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;

constexpr HRESULT S_OK = 0, S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u), E_FAIL = static_cast<HRESULT>(0x80004005u),
                  E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu), E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DV_E_FORMATETC = static_cast<HRESULT>(0x80040064u),
                  OLE_E_ADVISENOTSUPPORTED = static_cast<HRESULT>(0x80040003u);
constexpr HRESULT DRAGDROP_S_DROP = 0x40100, DRAGDROP_S_CANCEL = 0x40101, DRAGDROP_S_USEDEFAULTCURSORS = 0x40102;
constexpr HRESULT DRAGDROP_E_NOTREGISTERED = static_cast<HRESULT>(0x80040100u),
                  DRAGDROP_E_ALREADYREGISTERED = static_cast<HRESULT>(0x80040101u),
                  DRAGDROP_E_INVALIDHWND = static_cast<HRESULT>(0x80040102u);
inline bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline bool FAILED(HRESULT hr) { return hr < 0; }

constexpr DWORD DROPEFFECT_NONE = 0, DROPEFFECT_COPY = 1, DROPEFFECT_MOVE = 2, DROPEFFECT_LINK = 4;
constexpr DWORD DATADIR_GET = 1, DATADIR_SET = 2;
constexpr DWORD TYMED_NULL = 0, TYMED_HGLOBAL = 1, TYMED_FILE = 2, TYMED_ISTREAM = 4, TYMED_ISTORAGE = 8;
constexpr DWORD DVASPECT_CONTENT = 1, DVASPECT_THUMBNAIL = 2, DVASPECT_ICON = 4;
// Key state bits of drag and drop (as the mouse messages' MK_ bits).
constexpr DWORD MK_ALT = 0x20;

// ---- global memory: a block of bytes behind a handle ---------------------------------------------------
struct GlobalBlock;
using HGLOBAL = GlobalBlock*;
constexpr UINT GMEM_FIXED = 0x0, GMEM_MOVEABLE = 0x2, GMEM_ZEROINIT = 0x40, GMEM_SHARE = 0x2000,
               GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
HGLOBAL GlobalAlloc(UINT uFlags, std::size_t dwBytes);
void* GlobalLock(HGLOBAL hMem);
BOOL GlobalUnlock(HGLOBAL hMem);
std::size_t GlobalSize(HGLOBAL hMem);
// Answers 0 when freed.
HGLOBAL GlobalFree(HGLOBAL hMem);

struct IUnknown {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
protected:
    virtual ~IUnknown() = default;
};

// Reference counting for objects that implement interfaces: the last Release deletes the object.
template <typename... Interfaces>
class TInterfacedObject : public Interfaces... {
public:
    ULONG AddRef() override { return ++refCount_; }
    ULONG Release() override {
        const ULONG r = --refCount_;
        if (r == 0) delete this;
        return r;
    }
    ULONG RefCount() const { return refCount_; }
protected:
    ~TInterfacedObject() override = default;
private:
    ULONG refCount_ = 0;
};

// Holds a reference for as long as it lives.
template <typename I>
class TComPtr {
public:
    TComPtr() = default;
    TComPtr(I* p) : p_(p) { if (p_) p_->AddRef(); }
    TComPtr(const TComPtr& o) : TComPtr(o.p_) {}
    TComPtr& operator=(const TComPtr& o) { TComPtr(o).Swap(*this); return *this; }
    ~TComPtr() { if (p_) p_->Release(); }
    I* operator->() const { return p_; }
    I* Get() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // Takes over a reference handed out through an output parameter.
    I** Receive() { TComPtr().Swap(*this); return &p_; }
    void Swap(TComPtr& o) { std::swap(p_, o.p_); }
private:
    I* p_ = nullptr;
};

struct DVTARGETDEVICE;
struct FORMATETC {
    UINT cfFormat = 0;
    DVTARGETDEVICE* ptd = nullptr;
    DWORD dwAspect = DVASPECT_CONTENT;
    LONG lindex = -1;
    DWORD tymed = TYMED_HGLOBAL;
};

struct STGMEDIUM {
    DWORD tymed = TYMED_NULL;
    HGLOBAL hGlobal = nullptr;
    IUnknown* pUnkForRelease = nullptr;
};
// Frees the medium's memory (or lets its release object do it).
void ReleaseStgMedium(STGMEDIUM* pMedium);

// The head of a CF_HDROP block; the names follow at pFiles.
struct DROPFILES {
    DWORD pFiles = 0;
    std::int32_t ptX = 0, ptY = 0;
    BOOL fNC = FALSE;
    BOOL fWide = FALSE;
};
static_assert(sizeof(DROPFILES) == 20);

struct IEnumFORMATETC : IUnknown {
    virtual HRESULT Next(ULONG celt, FORMATETC* rgelt, ULONG* pceltFetched) = 0;
    virtual HRESULT Skip(ULONG celt) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumFORMATETC** ppenum) = 0;
};

struct IDataObject : IUnknown {
    virtual HRESULT GetData(const FORMATETC* pformatetcIn, STGMEDIUM* pmedium) = 0;
    virtual HRESULT GetDataHere(const FORMATETC* pformatetc, STGMEDIUM* pmedium) = 0;
    virtual HRESULT QueryGetData(const FORMATETC* pformatetc) = 0;
    virtual HRESULT GetCanonicalFormatEtc(const FORMATETC* pformatectIn, FORMATETC* pformatetcOut) = 0;
    virtual HRESULT SetData(const FORMATETC* pformatetc, STGMEDIUM* pmedium, BOOL fRelease) = 0;
    virtual HRESULT EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppenumFormatEtc) = 0;
    virtual HRESULT DAdvise(FORMATETC* pformatetc, DWORD advf, IUnknown* pAdvSink, DWORD* pdwConnection) = 0;
    virtual HRESULT DUnadvise(DWORD dwConnection) = 0;
    virtual HRESULT EnumDAdvise(IUnknown** ppenumAdvise) = 0;
};

// Points are screen coordinates.
struct IDropTarget : IUnknown {
    virtual HRESULT DragEnter(IDataObject* pDataObj, DWORD grfKeyState, TPoint pt, DWORD* pdwEffect) = 0;
    virtual HRESULT DragOver(DWORD grfKeyState, TPoint pt, DWORD* pdwEffect) = 0;
    virtual HRESULT DragLeave() = 0;
    virtual HRESULT Drop(IDataObject* pDataObj, DWORD grfKeyState, TPoint pt, DWORD* pdwEffect) = 0;
};

struct IDropSource : IUnknown {
    virtual HRESULT QueryContinueDrag(BOOL fEscapePressed, DWORD grfKeyState) = 0;
    virtual HRESULT GiveFeedback(DWORD dwEffect) = 0;
};

// Nothing to start on this platform; answers S_OK, and S_FALSE for every call after the first.
HRESULT OleInitialize(void* pvReserved);
void OleUninitialize();

// The window's drops go to Target (which is held until RevokeDragDrop or the window goes).
HRESULT RegisterDragDrop(HWND hwnd, IDropTarget* pDropTarget);
HRESULT RevokeDragDrop(HWND hwnd);
// Runs the drag: DRAGDROP_S_DROP with the effect the target performed, or DRAGDROP_S_CANCEL with
// DROPEFFECT_NONE.
HRESULT DoDragDrop(IDataObject* pDataObj, IDropSource* pDropSource, DWORD dwOKEffects, DWORD* pdwEffect);

namespace ActiveX {
// While set, DoDragDrop hands its arguments here instead of running the platform's drag (tests,
// and platforms without a pointer to drag with).
using TDoDragDropHandler = std::function<HRESULT(IDataObject*, IDropSource*, DWORD OkEffects, DWORD* Effect)>;
void SetDoDragDropHandler(TDoDragDropHandler Handler);
} // namespace ActiveX
