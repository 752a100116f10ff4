#pragma once
// Hands the character server's notifications about our character to the character itself.
#include <cstdint>
#include <functional>

#include "AgentServer.h"

// What the server reports of the character.
enum class TAgentReport { Hidden, IdleStart, IdleEnd, DblClick };

class AgentNotifySink : public Agent::IAgentNotifySink {
public:
    // Whose hiding counts (other programs' characters are not ours to wait for).
    std::int32_t CharacterId = 0;
    // Hears the reports (the server delivers them on the main thread); nothing is reported while
    // it is empty.
    std::function<void(TAgentReport)> OnReport;

    void VisibleState(std::int32_t characterId, bool visible, std::int32_t cause) override;
    void Idle(std::int32_t characterId, bool start) override;
    void DblClick(std::int32_t characterId, int x, int y) override;

private:
    void Report(TAgentReport What);
};
