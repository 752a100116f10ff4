#pragma once
// Start-up timing. Once the program has named its switch and its label (Setup), with the switch set
// to 1 in the environment each named step is written once to stderr, after the label, with the
// milliseconds since the process started; otherwise a step costs nothing.

namespace Trace {

// switchVariable: the environment variable that turns tracing on ("PROGRAM_TRACE"); label: what
// each line starts with ("program trace"). Called at start, before the first step.
void Setup(const char* switchVariable, const char* label);
bool Enabled();
void Step(const char* Name);

} // namespace Trace
