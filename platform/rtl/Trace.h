#pragma once
// Start-up timing. With ZORBELIN_TRACE=1 in the environment each named step is written once to
// stderr with the milliseconds since the process started; without it a step costs nothing.

namespace Trace {

bool Enabled();
void Step(const char* Name);

} // namespace Trace
