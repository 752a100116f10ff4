// The registry key a program names for its character server's settings.
#include "AgentServer.h"

namespace {
const bool named = (Agent::SetServerKey("\\Software\\Hallowerk\\Zorbelin\\Figur"), true);
} // namespace
