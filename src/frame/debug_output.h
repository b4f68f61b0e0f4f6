// The library's debugger output.  Some methods announce themselves with a
// fixed text.  On Windows it goes to the system's debugger output
// (OutputDebugStringA); elsewhere nothing listens by default.  On both it
// also goes to a sink that is silent unless one is installed (tests install
// one to observe the text and how often it is sent).
#ifndef PIXMILL_FRAME_DEBUG_OUTPUT_H
#define PIXMILL_FRAME_DEBUG_OUTPUT_H

namespace pm {

// Receives each message as a zero-terminated string, on the caller's thread.
using DebugSink = void (*)(const char* message);

// Sends `message` to the installed sink, or nowhere when none is installed.
void debugOutput(const char* message);

// Installs `sink` (null: silence) and returns the sink it replaces.  Not part
// of any export set: only the library's own tests call it.
DebugSink setDebugSink(DebugSink sink);

}  // namespace pm

#endif
