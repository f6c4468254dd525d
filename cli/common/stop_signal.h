#pragma once

// SIGTERM, SIGINT and SIGHUP (on Windows Ctrl+C, Ctrl+Break and the console's closing) ask a
// program to stop: they set a flag that the waits ask for, and nothing else. SIGHUP ignored when
// the program starts (nohup) stays ignored.
namespace norvik::cli {

// Installs the handlers. Call before any thread starts: on Linux the signals are held back
// from every thread but the one that later calls AcceptStopSignals, so that no receive thread
// is interrupted.
void InstallStopHandlers();
// Lets this thread take the signals (Linux; nothing to do on Windows).
void AcceptStopSignals();
bool StopRequested();
// What asks a program to stop, as its --help says it.
const char* StopSignalsText();
// Tells a Windows console-close handler that the program has finished: it may end it now.
void StopFinished();

}  // namespace norvik::cli
