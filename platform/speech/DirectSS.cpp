#include "DirectSS.h"

#include "SpeechEngine.h"

namespace {
std::vector<Agent::Detail::Voice> Voices() { return Agent::Detail::SpeechEngine::Instance().Voices(); }
} // namespace

TDirectSS::TDirectSS(TComponent* AOwner) : TComponent(AOwner) {}

int TDirectSS::ModeCount() const { return static_cast<int>(Voices().size()); }

std::string TDirectSS::ModeName(int i) const {
    const auto voices = Voices();
    if (i < 1 || i > static_cast<int>(voices.size())) return {};
    return voices[static_cast<std::size_t>(i - 1)].name;
}

std::string TDirectSS::ModeID(int i) const {
    const auto voices = Voices();
    if (i < 1 || i > static_cast<int>(voices.size())) return {};
    return voices[static_cast<std::size_t>(i - 1)].id;
}
