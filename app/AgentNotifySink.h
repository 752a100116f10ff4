#pragma once
// Turns the character server's notifications into the main window's private messages, so that they
// are handled in the window's message loop like any other message.
#include <cstdint>

#include "AgentServer.h"
#include "WinApi.h"

// The speaking character's notes to the program.
constexpr UINT WM_AGENTHIDDEN = 0x1080, WM_AGENTIDLESTART = 0x1098, WM_AGENTIDLEEND = 0x1099,
               WM_AGENTDBLCLICK = 0x109A;

class AgentNotifySink : public Agent::IAgentNotifySink {
public:
    // Whose hiding counts (other programs' characters are not ours to wait for).
    std::int32_t CharacterId = 0;
    // Nothing is posted while no window is set.
    HWND NotifyWindow = nullptr;

    void VisibleState(std::int32_t characterId, bool visible, std::int32_t cause) override;
    void Idle(std::int32_t characterId, bool start) override;
    void DblClick(std::int32_t characterId, int x, int y) override;

private:
    void Post(UINT Msg);
};
