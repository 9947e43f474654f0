// SIGTERM, SIGHUP and SIGINT end the program through its event loop: between two of its steps,
// never in the middle of a save, with the unsaved changes kept in their journal.
#pragma once

class CLumettaApp;

// From now on, the three signals are handed to `app` (OnTerminationSignal) once the step under
// way is over.
void HandTerminationSignalsTo(CLumettaApp& app);
