#include "AgentNotifySink.h"

void AgentNotifySink::Report(TAgentReport What) {
    // A copy: the report may end the character's listening.
    if (const auto hear = OnReport) hear(What);
}

void AgentNotifySink::VisibleState(std::int32_t characterId, bool visible, std::int32_t) {
    if (!visible && characterId == CharacterId) Report(TAgentReport::Hidden);
}

void AgentNotifySink::Idle(std::int32_t, bool start) { Report(start ? TAgentReport::IdleStart : TAgentReport::IdleEnd); }

void AgentNotifySink::DblClick(std::int32_t, int, int) { Report(TAgentReport::DblClick); }
