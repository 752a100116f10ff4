// The server's own dialogs: the chooser of the default character and the output settings.
#pragma once

#include <string>
#include <vector>

#include "Forms.h"

class TListBox;
class TImage;
class TComboBox;
class TLabel;

namespace Agent::Detail {

// "Standardfigur": the packages of the characters folder with a preview of the one selected.
class TCharacterChooser : public TForm {
public:
    explicit TCharacterChooser(TComponent* AOwner);
    TListBox* Figuren = nullptr;
    TImage* Vorschau = nullptr;
    TLabel* Hinweis = nullptr;
    // The package of each row.
    const std::vector<std::string>& Paths() const { return paths_; }

private:
    void ShowPreview();
    std::vector<std::string> paths_;
};

// "Ausgabe": speech rate, volume and the balloon.
class TOutputDialog : public TForm {
public:
    explicit TOutputDialog(TComponent* AOwner);
    TComboBox* Tempo = nullptr;
    TComboBox* Lautstaerke = nullptr;
    TComboBox* Sprechblase = nullptr;
    // What the controls show now.
    struct Values {
        int rate;
        int volume;
        bool balloon;
    };
    Values Chosen() const;
};

// Modal; OK stores the choice. At (x, y) unless useDefaultPosition.
void RunCharacterChooser(int x, int y, bool useDefaultPosition);
void RunOutputDialog();

} // namespace Agent::Detail
