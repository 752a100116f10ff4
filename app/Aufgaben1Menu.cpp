#include "Aufgaben1.h"
#include "Menus.h"

void TAufgaben::CreateFileMenu() {
    DateiMenu = new TPopupMenu(this);
    drucken1 = new TMenuItem(this);
    drucken1->SetCaption("Drucken");
    drucken1->OnClick = [this](TObject* s) { drucken1Click(s); };
    DateiMenu->Items()->Add(drucken1);

    Datei1 = new TSpeedButton(this);
    Datei1->SetCaption("Datei");
    Datei1->SetFlat(true);
    Datei1->SetBounds(2, 2, 50, ToolBar1->Height() - 4);
    Datei1->SetParent(ToolBar1);
    Datei1->OnClick = [this](TObject*) {
        const TPoint p = Datei1->ClientToScreen(TPoint{0, Datei1->Height()});
        DateiMenu->Popup(p.X, p.Y);
    };
}
