#pragma once
// Drag and drop of text for the edits: reading the formats a dropped data object offers, a drop target
// with four hooks, and the source side that drags text and rich text.
#include <memory>

#include "ActiveX.h"
#include "Classes.h"
#include "Clipbrd.h"

// Rich text is accepted on drop and offered on drag only while this is on (off at start).
void SetRTFAware(bool Value);
bool RTFAware();
// The registered id of "Rich Text Format".
UINT CF_RTF();

class EAssertionFailed : public SysUtils::Exception { using Exception::Exception; };

// Reads what a data object offers.
class TEnumFormats : public TObject {
public:
    explicit TEnumFormats(IDataObject* DataObject);
    ~TEnumFormats() override;
    // Raises EAssertionFailed when the object gives no format enumerator.
    void SetDataObject(IDataObject* Value);
    bool Reset();
    bool Next();
    // Leaves the current entry on the format when found.
    bool HasFormat(UINT Format);
    HGLOBAL Handle(DWORD Tymed);
    HGLOBAL GlobalHandle() { return Handle(TYMED_HGLOBAL); }
    // The zero-terminated 8-bit text of the format (read within the block), as UTF-8.
    AnsiString SomeText(UINT Format);
    AnsiString Text() { return SomeText(CF_TEXT); }
    AnsiString RTF() { return SomeText(CF_RTF()); }
    bool HasText() { return HasFormat(CF_TEXT); }
    bool HasRTF() { return HasFormat(CF_RTF()); }
    bool HasFile() { return HasFormat(CF_HDROP); }
    // The names of the file list at the current entry (position it with HasFile first).
    bool SomeFiles(TStrings* List);

    UINT cfFormat() const { return current_.cfFormat; }
    void SetcfFormat(UINT Value) { current_.cfFormat = Value; }
    DWORD Aspect() const { return current_.dwAspect; }
    void SetAspect(DWORD Value) { current_.dwAspect = Value; }
    LONG lIndex() const { return current_.lindex; }
    void SetlIndex(LONG Value) { current_.lindex = Value; }
    DWORD Tymed() const { return current_.tymed; }
    void SetTymed(DWORD Value) { current_.tymed = Value; }
    TStringList* Files() const { return files_.get(); }

private:
    TComPtr<IDataObject> data_;
    TComPtr<IEnumFORMATETC> enum_;
    FORMATETC current_;
    bool valid_ = false;
    int position_ = 0;
    std::unique_ptr<TStringList> files_;
};

// The standard effect of a drop: copy with Ctrl held, else move.
DWORD StandardEffect(DWORD KeyState);

class TAEDropTarget : public TInterfacedObject<IDropTarget> {
public:
    HRESULT DragEnter(IDataObject* DataObj, DWORD KeyState, TPoint Pt, DWORD* Effect) override;
    HRESULT DragOver(DWORD KeyState, TPoint Pt, DWORD* Effect) override;
    HRESULT DragLeave() override;
    HRESULT Drop(IDataObject* DataObj, DWORD KeyState, TPoint Pt, DWORD* Effect) override;

    // Hooks; points are screen coordinates. DropText and DropRTF answer whether they took the data.
    virtual bool DropText(TPoint Pt, const AnsiString& Text);
    virtual bool DropRTF(TPoint Pt, const AnsiString& RTF);
    virtual bool DropFiles(TPoint Pt, TStrings* Files);
    virtual void DragMouseMove(TPoint Pt, bool& Allow);
    virtual void DragLeft() {}

protected:
    bool acceptable_ = false;
};

class TAEDropSource : public TInterfacedObject<IDropSource> {
public:
    HRESULT QueryContinueDrag(BOOL EscapePressed, DWORD KeyState) override;
    HRESULT GiveFeedback(DWORD Effect) override;
    bool NoEffect() const { return noEffect_; }
private:
    bool noEffect_ = false;
};

class TSourceDataObject : public TInterfacedObject<IDataObject> {
public:
    TSourceDataObject(const AnsiString& Text, const AnsiString& RTF) : text_(Text), rtf_(RTF) {}
    HRESULT GetData(const FORMATETC* Format, STGMEDIUM* Medium) override;
    HRESULT GetDataHere(const FORMATETC* Format, STGMEDIUM* Medium) override;
    HRESULT QueryGetData(const FORMATETC* Format) override;
    HRESULT GetCanonicalFormatEtc(const FORMATETC* In, FORMATETC* Out) override;
    HRESULT SetData(const FORMATETC* Format, STGMEDIUM* Medium, BOOL Release) override;
    HRESULT EnumFormatEtc(DWORD Direction, IEnumFORMATETC** Enum) override;
    HRESULT DAdvise(FORMATETC* Format, DWORD Advf, IUnknown* Sink, DWORD* Connection) override;
    HRESULT DUnadvise(DWORD Connection) override;
    HRESULT EnumDAdvise(IUnknown** Enum) override;
private:
    AnsiString text_, rtf_;
};

class TSourceEnumFormatEtc : public TInterfacedObject<IEnumFORMATETC> {
public:
    HRESULT Next(ULONG Count, FORMATETC* Entries, ULONG* Fetched) override;
    HRESULT Skip(ULONG Count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumFORMATETC** Enum) override;
    int Position() const { return position_; }
private:
    int position_ = 0;
};

// Drags Text (and RTF while rich text is on); DRAGDROP_S_DROP or DRAGDROP_S_CANCEL, the latter also
// when the last feedback was no effect. Effect receives the effect performed.
HRESULT StartTextDoDragDrop(const AnsiString& Text, const AnsiString& RTF, DWORD AllowedEffects, DWORD& Effect);
