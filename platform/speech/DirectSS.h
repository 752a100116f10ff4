// The installed voices, as the speech control lists them: modes numbered from 1.
#pragma once

#include <string>

#include "Classes.h"

class TDirectSS : public TComponent {
public:
    explicit TDirectSS(TComponent* AOwner);
    // Number of installed voices.
    int ModeCount() const;
    // i = 1..ModeCount; out of range gives an empty text.
    std::string ModeName(int i) const;
    std::string ModeID(int i) const;
};
