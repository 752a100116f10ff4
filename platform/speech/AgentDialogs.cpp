#include "AgentDialogs.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "Character.h"
#include "ComboBoxes.h"
#include "ExtCtrls.h"
#include "ListBoxes.h"
#include "StdCtrls.h"
#include "SysUtils.h"

namespace Agent::Detail {
namespace {

constexpr int kRates[] = {100, 140, 175, 220, 280};
const char* const kRateNames[] = {"sehr langsam", "langsam", "normal", "schnell", "sehr schnell"};
constexpr int kVolumes[] = {100, 80, 60, 40, 20};

template <typename T>
T* Make(TWinControl* parent, const char* name, int left, int top, int width, int height) {
    auto* c = new T(parent);
    c->SetName(name);
    c->SetParent(parent);
    c->SetBounds(left, top, width, height);
    return c;
}

TLabel* MakeLabel(TWinControl* parent, const char* text, int left, int top) {
    auto* l = new TLabel(parent);
    l->SetParent(parent);
    l->SetLeft(left);
    l->SetTop(top);
    l->SetCaption(text);
    return l;
}

void AddButtons(TForm* form, int top) {
    auto* ok = Make<TButton>(form, "OkButton", form->ClientWidth() - 170, top, 75, 25);
    ok->SetCaption("OK");
    ok->ModalResult = mrOk;
    ok->Default = true;
    auto* cancel = Make<TButton>(form, "AbbrechenButton", form->ClientWidth() - 87, top, 75, 25);
    cancel->SetCaption("Abbrechen");
    cancel->ModalResult = mrCancel;
    cancel->Cancel = true;
}

// The index whose value lies nearest to value.
template <std::size_t N>
int Nearest(const int (&values)[N], int value) {
    int best = 0;
    for (int i = 1; i < static_cast<int>(N); ++i)
        if (std::abs(values[i] - value) < std::abs(values[best] - value)) best = i;
    return best;
}

} // namespace

TCharacterChooser::TCharacterChooser(TComponent* AOwner) : TForm(AOwner) {
    SetCaption("Standardfigur");
    SetBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu});
    SetPosition(poScreenCenter);
    SetClientWidth(340);
    SetClientHeight(230);
    MakeLabel(this, "Figuren:", 8, 8);
    Figuren = Make<TListBox>(this, "Figuren", 8, 26, 170, 152);
    Vorschau = Make<TImage>(this, "Vorschau", 190, 26, 140, 152);
    Vorschau->SetCenter(true);
    Vorschau->SetProportional(true);
    Vorschau->SetTransparent(true);
    Hinweis = MakeLabel(this, "", 8, 186);
    Hinweis->SetName("Hinweis");

    const std::string chosen = DefaultCharacterPath();
    std::string refused;
    for (const std::string& path : CharacterPackages()) {
        std::string error;
        std::unique_ptr<CharacterPackage> pkg = CharacterPackage::Load(path, error);
        if (!pkg) {  // a broken package is not offered; the user learns why
            if (refused.empty()) refused = error;
            continue;
        }
        paths_.push_back(path);
        Figuren->Items()->Add(pkg->Name() + " (" + SysUtils::ExtractFileName(path) + ")");
        if (path == chosen) Figuren->SetItemIndex(Figuren->Count() - 1);
    }
    if (!refused.empty()) Hinweis->SetCaption(refused);
    if (paths_.empty()) Hinweis->SetCaption("Im Ordner \"Figuren\" liegt keine Figur.");
    Figuren->OnClick = [this](TObject*) { ShowPreview(); };
    ShowPreview();
    AddButtons(this, 196);
    DoCreate();
}

void TCharacterChooser::ShowPreview() {
    const int i = Figuren->ItemIndex();
    if (i < 0 || i >= static_cast<int>(paths_.size())) {
        Vorschau->Picture()->SetGraphic(nullptr);
        return;
    }
    std::string error;
    std::unique_ptr<CharacterPackage> pkg = CharacterPackage::Load(paths_[static_cast<std::size_t>(i)], error);
    try {
        if (pkg) Vorschau->Picture()->LoadFromFile(pkg->PictureFile(pkg->RestPicture()));
        else Vorschau->Picture()->SetGraphic(nullptr);
    } catch (const SysUtils::Exception&) {
        Vorschau->Picture()->SetGraphic(nullptr);
    }
}

TOutputDialog::TOutputDialog(TComponent* AOwner) : TForm(AOwner) {
    SetCaption("Ausgabe");
    SetBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu});
    SetPosition(poScreenCenter);
    SetClientWidth(300);
    SetClientHeight(150);
    MakeLabel(this, "Sprechtempo:", 12, 16);
    Tempo = Make<TComboBox>(this, "Tempo", 120, 12, 168, 22);
    MakeLabel(this, "Lautstärke:", 12, 48);
    Lautstaerke = Make<TComboBox>(this, "Lautstaerke", 120, 44, 168, 22);
    MakeLabel(this, "Sprechblase:", 12, 80);
    Sprechblase = Make<TComboBox>(this, "Sprechblase", 120, 76, 168, 22);
    for (TComboBox* c : {Tempo, Lautstaerke, Sprechblase}) c->SetStyle(csDropDownList);
    for (const char* name : kRateNames) Tempo->Items()->Add(name);
    for (int v : kVolumes) Lautstaerke->Items()->Add(std::to_string(v) + " %");
    Sprechblase->Items()->Add("anzeigen");
    Sprechblase->Items()->Add("nicht anzeigen");

    const OutputSettings s = ReadOutputSettings();
    Tempo->SetItemIndex(Nearest(kRates, s.rate));
    Lautstaerke->SetItemIndex(Nearest(kVolumes, s.volume));
    Sprechblase->SetItemIndex(s.balloon ? 0 : 1);
    AddButtons(this, 116);
    DoCreate();
}

TOutputDialog::Values TOutputDialog::Chosen() const {
    const int r = std::clamp(Tempo->ItemIndex(), 0, 4);
    const int v = std::clamp(Lautstaerke->ItemIndex(), 0, 4);
    return {kRates[r], kVolumes[v], Sprechblase->ItemIndex() != 1};
}

void RunCharacterChooser(int x, int y, bool useDefaultPosition) {
    auto dialog = std::make_unique<TCharacterChooser>(nullptr);
    if (!useDefaultPosition) {
        dialog->SetPosition(poDesigned);
        dialog->SetLeft(x);
        dialog->SetTop(y);
    }
    if (dialog->ShowModal() != mrOk) return;
    const int i = dialog->Figuren->ItemIndex();
    if (i >= 0 && i < static_cast<int>(dialog->Paths().size()))
        SetDefaultCharacterPath(dialog->Paths()[static_cast<std::size_t>(i)]);
}

void RunOutputDialog() {
    auto dialog = std::make_unique<TOutputDialog>(nullptr);
    if (dialog->ShowModal() != mrOk) return;
    const TOutputDialog::Values v = dialog->Chosen();
    WriteOutputSettings({v.rate, v.volume, v.balloon});
}

} // namespace Agent::Detail
