// The input query box.
#include "AdvEditQuery.h"

#include <algorithm>

#include "Dialogs.h"
#include "Forms.h"
#include "Graphics.h"

bool AdvInputQuery(TAdvEditType EditType, const TQueryParams* Params, const AnsiString& Caption,
                   const AnsiString& Prompt, AnsiString& Value) {
    std::unique_ptr<TForm> form(new TForm(Application));
    form->SetBorderStyle(bsDialog);
    form->SetCaption(Caption);
    form->SetPosition(poScreenCenter);
    TCanvas* c = form->Canvas();
    c->SetFont(form->Font());
    const int dux = c->TextWidth("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52;
    const int duy = c->TextHeight("A");
    using Graphics::MulDiv;
    // The classic box is 180 dialog units wide; a longer caption widens it so its title shows whole.
    const int classic = MulDiv(180, dux, 4);
    const int extra = std::max(0, Forms::CaptionWidth(Caption) - classic);
    form->SetClientWidth(classic + extra);
    form->SetClientHeight(MulDiv(63, duy, 8));
    auto* prompt = new TLabel(form.get());
    prompt->SetParent(form.get());
    prompt->SetAutoSize(true);
    prompt->SetCaption(Prompt);
    prompt->SetLeft(MulDiv(8, dux, 4));
    prompt->SetTop(MulDiv(8, duy, 8));
    auto* edit = new TAdvEdit(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(prompt->Left(), MulDiv(19, duy, 8), MulDiv(164, dux, 4) + extra, edit->Height());
    edit->SetMaxLength(255);
    edit->SetText(Value);
    edit->SelectAll();
    edit->SetEditType(EditType);
    if (Params) {
        edit->SetPrefix(Params->Prefix);
        edit->SetSuffix(Params->Suffix);
        edit->SetPrecision(Params->Precision);
        edit->LengthLimit = Params->LengthLimit;
        edit->SetFlat(Params->Flat);
        if (Params->Flat) edit->SetTop(edit->Top() + 4);
    }
    const int top = MulDiv(41, duy, 8), w = MulDiv(50, dux, 4), h = MulDiv(14, duy, 8);
    auto* ok = new TButton(form.get());
    ok->SetParent(form.get());
    ok->SetCaption(Dialogs::ButtonCaption(mbOK));
    ok->ModalResult = mrOk;
    ok->Default = true;
    ok->SetBounds(MulDiv(38, dux, 4) + extra / 2, top, w, h);
    auto* cancel = new TButton(form.get());
    cancel->SetParent(form.get());
    cancel->SetCaption(Dialogs::ButtonCaption(mbCancel));
    cancel->ModalResult = mrCancel;
    cancel->Cancel = true;
    cancel->SetBounds(MulDiv(92, dux, 4) + extra / 2, top, w, h);
    form->SetActiveControl(edit);
    if (form->ShowModal() != mrOk) return false;
    Value = edit->Text();
    return true;
}
