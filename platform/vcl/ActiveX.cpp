// OLE drag and drop over Qt's: registered windows get an event filter that turns Qt's drag events into
// IDropTarget calls, with a data object over the dragged QMimeData; DoDragDrop runs a QDrag.
#include "ActiveX.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPointer>
#include <QUrl>

#include <cstring>
#include <map>
#include <vector>

#include "Clipbrd.h"
#include "Controls.h"
#include "HandleWidget.h"
#include "TextEncoding.h"
#include "VclPrivate.h"

struct GlobalBlock {
    std::vector<unsigned char> bytes;
};

HGLOBAL GlobalAlloc(UINT uFlags, std::size_t dwBytes) {
    auto* block = new GlobalBlock;
    block->bytes.assign(dwBytes, 0);
    (void)uFlags;
    return block;
}
void* GlobalLock(HGLOBAL hMem) { return hMem ? static_cast<void*>(hMem->bytes.data()) : nullptr; }
BOOL GlobalUnlock(HGLOBAL hMem) { return hMem ? TRUE : FALSE; }
std::size_t GlobalSize(HGLOBAL hMem) { return hMem ? hMem->bytes.size() : 0; }
HGLOBAL GlobalFree(HGLOBAL hMem) {
    delete hMem;
    return nullptr;
}

void ReleaseStgMedium(STGMEDIUM* pMedium) {
    if (!pMedium) return;
    if (pMedium->pUnkForRelease) pMedium->pUnkForRelease->Release();
    else if (pMedium->tymed == TYMED_HGLOBAL) GlobalFree(pMedium->hGlobal);
    *pMedium = STGMEDIUM{};
}

namespace {

bool oleStarted = false;
ActiveX::TDoDragDropHandler dragHandler;

UINT RtfFormat() { return RegisterClipboardFormat("Rich Text Format"); }

HGLOBAL BlockOf(const std::string& bytes) {
    HGLOBAL h = GlobalAlloc(GHND, bytes.size());
    if (!bytes.empty()) std::memcpy(GlobalLock(h), bytes.data(), bytes.size());
    return h;
}

// The formats dragged Qt data offers, in the platform's order.
std::vector<UINT> FormatsOf(const QMimeData* data) {
    std::vector<UINT> out;
    if (!data) return out;
    if (data->hasFormat("text/rtf") || data->hasFormat("application/rtf")) out.push_back(RtfFormat());
    if (data->hasText()) {
        out.push_back(CF_TEXT);
        out.push_back(CF_UNICODETEXT);
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            out.push_back(CF_HDROP);
            break;
        }
    }
    return out;
}

class TFormatList : public TInterfacedObject<IEnumFORMATETC> {
public:
    explicit TFormatList(std::vector<UINT> formats, std::size_t pos = 0) : formats_(std::move(formats)), pos_(pos) {}
    HRESULT Next(ULONG celt, FORMATETC* rgelt, ULONG* pceltFetched) override {
        ULONG n = 0;
        while (n < celt && pos_ < formats_.size()) {
            rgelt[n] = FORMATETC{};
            rgelt[n].cfFormat = formats_[pos_++];
            ++n;
        }
        if (pceltFetched) *pceltFetched = n;
        return n == celt ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG celt) override {
        pos_ += celt;
        if (pos_ > formats_.size()) {
            pos_ = formats_.size();
            return S_FALSE;
        }
        return S_OK;
    }
    HRESULT Reset() override {
        pos_ = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumFORMATETC** ppenum) override {
        if (!ppenum) return E_INVALIDARG;
        *ppenum = new TFormatList(formats_, pos_);
        (*ppenum)->AddRef();
        return S_OK;
    }
private:
    std::vector<UINT> formats_;
    std::size_t pos_;
};

// What a drop offers, read from Qt's data as the platform's formats.
class TMimeDataObject : public TInterfacedObject<IDataObject> {
public:
    explicit TMimeDataObject(const QMimeData* data) : data_(data) {}
    HRESULT GetData(const FORMATETC* f, STGMEDIUM* m) override {
        if (!m) return E_INVALIDARG;
        *m = STGMEDIUM{};
        if (QueryGetData(f) != S_OK) return DV_E_FORMATETC;
        std::string bytes;
        if (f->cfFormat == CF_TEXT) {
            bytes = TextEncoding::Utf8ToCp1252(data_->text().toStdString());
            bytes.push_back('\0');
        } else if (f->cfFormat == CF_UNICODETEXT) {
            const QString text = data_->text();
            bytes.assign(reinterpret_cast<const char*>(text.utf16()), static_cast<std::size_t>(text.size()) * 2);
            bytes.append(2, '\0');
        } else if (f->cfFormat == CF_HDROP) {
            DROPFILES head;
            head.pFiles = sizeof(DROPFILES);
            head.fWide = TRUE;
            bytes.assign(reinterpret_cast<const char*>(&head), sizeof head);
            for (const QUrl& url : data_->urls()) {
                if (!url.isLocalFile()) continue;
                const QString name = url.toLocalFile();
                bytes.append(reinterpret_cast<const char*>(name.utf16()), static_cast<std::size_t>(name.size()) * 2);
                bytes.append(2, '\0');
            }
            bytes.append(2, '\0');
        } else {
            QByteArray rtf = data_->data("text/rtf");
            if (rtf.isEmpty()) rtf = data_->data("application/rtf");
            bytes.assign(rtf.constData(), static_cast<std::size_t>(rtf.size()));
            bytes.push_back('\0');
        }
        m->tymed = TYMED_HGLOBAL;
        m->hGlobal = BlockOf(bytes);
        return S_OK;
    }
    HRESULT GetDataHere(const FORMATETC*, STGMEDIUM*) override { return DV_E_FORMATETC; }
    HRESULT QueryGetData(const FORMATETC* f) override {
        if (!f || !data_ || f->dwAspect != DVASPECT_CONTENT || !(f->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
        for (UINT id : FormatsOf(data_)) {
            if (id == f->cfFormat) return S_OK;
        }
        return DV_E_FORMATETC;
    }
    HRESULT GetCanonicalFormatEtc(const FORMATETC*, FORMATETC* out) override {
        if (out) out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT SetData(const FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT EnumFormatEtc(DWORD dir, IEnumFORMATETC** e) override {
        if (!e) return E_INVALIDARG;
        *e = nullptr;
        if (dir != DATADIR_GET) return E_NOTIMPL;
        *e = new TFormatList(FormatsOf(data_));
        (*e)->AddRef();
        return S_OK;
    }
    HRESULT DAdvise(FORMATETC*, DWORD, IUnknown*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT EnumDAdvise(IUnknown** e) override {
        if (e) *e = nullptr;
        return OLE_E_ADVISENOTSUPPORTED;
    }
    // The drop is over: Qt's data goes with the event.
    void Detach() { data_ = nullptr; }
private:
    const QMimeData* data_;
};

DWORD EffectsOf(Qt::DropActions actions) {
    DWORD e = DROPEFFECT_NONE;
    if (actions & Qt::CopyAction) e |= DROPEFFECT_COPY;
    if (actions & Qt::MoveAction) e |= DROPEFFECT_MOVE;
    if (actions & Qt::LinkAction) e |= DROPEFFECT_LINK;
    return e;
}

Qt::DropAction ActionOf(DWORD effect) {
    if (effect & DROPEFFECT_MOVE) return Qt::MoveAction;
    if (effect & DROPEFFECT_COPY) return Qt::CopyAction;
    if (effect & DROPEFFECT_LINK) return Qt::LinkAction;
    return Qt::IgnoreAction;
}

DWORD KeyStateOf(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
    DWORD s = 0;
    if (buttons & Qt::LeftButton) s |= MK_LBUTTON;
    if (buttons & Qt::RightButton) s |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) s |= MK_MBUTTON;
    if (mods & Qt::ShiftModifier) s |= MK_SHIFT;
    if (mods & Qt::ControlModifier) s |= MK_CONTROL;
    if (mods & Qt::AltModifier) s |= MK_ALT;
    return s;
}

// Turns the drag events of one window into calls of its drop target.
class TDropFilter : public QObject {
public:
    TDropFilter(QWidget* widget, IDropTarget* target) : QObject(widget), target_(target) { target_->AddRef(); }
    ~TDropFilter() override {
        DetachData();
        target_->Release();
    }
protected:
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
        case QEvent::DragEnter: {
            auto* de = static_cast<QDragEnterEvent*>(e);
            DetachData();
            data_ = new TMimeDataObject(de->mimeData());
            data_->AddRef();
            DWORD effect = EffectsOf(de->possibleActions());
            target_->DragEnter(data_, KeyStateOf(de->modifiers(), de->buttons()), Screen(de), &effect);
            Answer(de, effect);
            return true;
        }
        case QEvent::DragMove: {
            auto* de = static_cast<QDragMoveEvent*>(e);
            DWORD effect = EffectsOf(de->possibleActions());
            target_->DragOver(KeyStateOf(de->modifiers(), de->buttons()), Screen(de), &effect);
            Answer(de, effect);
            return true;
        }
        case QEvent::DragLeave:
            target_->DragLeave();
            DetachData();
            return true;
        case QEvent::Drop: {
            auto* de = static_cast<QDropEvent*>(e);
            TComPtr<IDataObject> data(new TMimeDataObject(de->mimeData()));
            DWORD effect = EffectsOf(de->possibleActions());
            target_->Drop(data.Get(), KeyStateOf(de->modifiers(), de->buttons()), Screen(de), &effect);
            static_cast<TMimeDataObject*>(data.Get())->Detach();
            DetachData();
            Answer(de, effect);
            return true;
        }
        default: return false;
        }
    }
private:
    TPoint Screen(QDropEvent* e) const {
        const QPoint g = static_cast<QWidget*>(parent())->mapToGlobal(e->position().toPoint());
        return {g.x(), g.y()};
    }
    void Answer(QDropEvent* e, DWORD effect) {
        const Qt::DropAction action = ActionOf(effect & EffectsOf(e->possibleActions()));
        if (action == Qt::IgnoreAction) {
            e->ignore();
            return;
        }
        e->setDropAction(action);
        e->accept();
    }
    void DetachData() {
        if (data_) {
            data_->Detach();
            data_->Release();
            data_ = nullptr;
        }
    }
    IDropTarget* target_;
    TMimeDataObject* data_ = nullptr;
};

std::map<HWND, QPointer<TDropFilter>>& Registered() {
    static std::map<HWND, QPointer<TDropFilter>> map;
    return map;
}

QWidget* WidgetOfWindow(HWND hwnd) {
    for (QWidget* w : QApplication::allWidgets()) {
        auto* handle = dynamic_cast<Vcl::Detail::THandleWidget*>(w);
        if (!handle) continue;
        if (auto* wc = dynamic_cast<TWinControl*>(handle->Control()); wc && wc->Handle() == hwnd) return w;
    }
    return nullptr;
}

std::string TextOf(IDataObject* data, UINT format) {
    FORMATETC f;
    f.cfFormat = format;
    STGMEDIUM m;
    if (data->GetData(&f, &m) != S_OK) return {};
    const auto* p = static_cast<const char*>(GlobalLock(m.hGlobal));
    const std::size_t size = GlobalSize(m.hGlobal);
    std::string s(p, p ? strnlen(p, size) : 0);
    ReleaseStgMedium(&m);
    return s;
}

} // namespace

HRESULT OleInitialize(void*) {
    if (oleStarted) return S_FALSE;
    oleStarted = true;
    return S_OK;
}

void OleUninitialize() {}

HRESULT RegisterDragDrop(HWND hwnd, IDropTarget* pDropTarget) {
    if (!pDropTarget) return E_INVALIDARG;
    auto& map = Registered();
    if (auto it = map.find(hwnd); it != map.end() && it->second) return DRAGDROP_E_ALREADYREGISTERED;
    QWidget* w = WidgetOfWindow(hwnd);
    if (!w) return DRAGDROP_E_INVALIDHWND;
    auto* filter = new TDropFilter(w, pDropTarget);
    w->installEventFilter(filter);
    w->setAcceptDrops(true);
    map[hwnd] = filter;
    return S_OK;
}

HRESULT RevokeDragDrop(HWND hwnd) {
    auto& map = Registered();
    auto it = map.find(hwnd);
    if (it == map.end() || !it->second) {
        if (it != map.end()) map.erase(it);
        return DRAGDROP_E_NOTREGISTERED;
    }
    TDropFilter* filter = it->second;
    map.erase(it);
    if (auto* w = qobject_cast<QWidget*>(filter->parent())) w->setAcceptDrops(false);
    delete filter;
    return S_OK;
}

HRESULT DoDragDrop(IDataObject* pDataObj, IDropSource* pDropSource, DWORD dwOKEffects, DWORD* pdwEffect) {
    if (!pDataObj || !pDropSource) return E_INVALIDARG;
    if (dragHandler) return dragHandler(pDataObj, pDropSource, dwOKEffects, pdwEffect);
    Vcl::Detail::EnsureQtApp();
    auto* mime = new QMimeData;
    const std::string text = TextOf(pDataObj, CF_TEXT);
    mime->setText(QString::fromStdString(TextEncoding::Cp1252ToUtf8(text)));
    const std::string rtf = TextOf(pDataObj, RtfFormat());
    if (!rtf.empty()) mime->setData("text/rtf", QByteArray(rtf.data(), static_cast<int>(rtf.size())));
    QObject* source = QApplication::focusWidget();
    if (!source) source = QApplication::activeWindow();
    if (!source) {
        delete mime;
        if (pdwEffect) *pdwEffect = DROPEFFECT_NONE;
        return DRAGDROP_S_CANCEL;
    }
    QDrag drag(source);
    drag.setMimeData(mime);
    QObject::connect(&drag, &QDrag::actionChanged, [pDropSource](Qt::DropAction a) {
        pDropSource->GiveFeedback(EffectsOf(a));
    });
    Qt::DropActions allowed;
    if (dwOKEffects & DROPEFFECT_COPY) allowed |= Qt::CopyAction;
    if (dwOKEffects & DROPEFFECT_MOVE) allowed |= Qt::MoveAction;
    if (dwOKEffects & DROPEFFECT_LINK) allowed |= Qt::LinkAction;
    const Qt::DropAction done = drag.exec(allowed, allowed & Qt::MoveAction ? Qt::MoveAction : Qt::CopyAction);
    const DWORD effect = EffectsOf(done);
    if (pdwEffect) *pdwEffect = effect;
    return effect == DROPEFFECT_NONE ? DRAGDROP_S_CANCEL : DRAGDROP_S_DROP;
}

void ActiveX::SetDoDragDropHandler(TDoDragDropHandler Handler) { dragHandler = std::move(Handler); }
