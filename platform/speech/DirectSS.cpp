#include "DirectSS.h"

TDirectSS::TDirectSS(TComponent* AOwner) : TComponent(AOwner) {}
int TDirectSS::ModeCount() const { return 0; }
std::string TDirectSS::ModeName(int) const { return {}; }
std::string TDirectSS::ModeID(int) const { return {}; }
