// Until the character window exists, no server runs: callers see a server that cannot be created.
#include "AgentServer.h"

#include "SysUtils.h"

namespace Agent {
namespace {
AgentServerFactory& Factory() {
    static AgentServerFactory factory;
    return factory;
}
} // namespace

std::shared_ptr<IAgentEx> CreateAgentServer() {
    if (Factory()) return Factory()();
    return nullptr;
}

AgentServerFactory SetAgentServerFactory(AgentServerFactory factory) {
    AgentServerFactory old = std::move(Factory());
    Factory() = std::move(factory);
    return old;
}

std::string CharactersFolder() { return SysUtils::ProgramFolder() + "Figuren"; }

bool SpeechLibraryAvailable() { return false; }

} // namespace Agent
