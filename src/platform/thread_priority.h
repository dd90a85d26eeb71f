// Work that may wait: a thread that helps a scan along lets the scan's own
// threads have the cores first.
#pragma once

// The calling thread runs only on a core nothing else of ours (or of anyone)
// wants; it still runs whenever one is free. False when the system refuses.
bool run_when_cores_are_free();
