#include "AgentNotifySink.h"

void AgentNotifySink::Post(UINT Msg) {
    if (NotifyWindow) PostMessage(NotifyWindow, Msg, 0, 0);
}

void AgentNotifySink::VisibleState(std::int32_t characterId, bool visible, std::int32_t) {
    if (!visible && characterId == CharacterId) Post(WM_AGENTHIDDEN);
}

void AgentNotifySink::Idle(std::int32_t, bool start) { Post(start ? WM_AGENTIDLESTART : WM_AGENTIDLEEND); }

void AgentNotifySink::DblClick(std::int32_t, int, int) { Post(WM_AGENTDBLCLICK); }
