#pragma once

// The process's exit codes, for the scripts that start a silent run. The wizard ends with
// kExitAllWritten whatever it did; a process that breaks off ends with kExitNotAllWritten.
enum ExitCode : int {
    kExitAllWritten = 0,      // every target written (or the agreement exported)
    kExitNotAllWritten = 1,   // some target not written, each one named in the log
    kExitUsage = 2,           // a switch unknown, without its value or misplaced; no consent
    kExitAlreadyRunning = 3,  // the wizard or another silent run is up: nothing written
    kExitLogNotWritten = 4,   // everything written but the log
};
