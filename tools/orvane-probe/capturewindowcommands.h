// The probe's commands over the capture window.
#pragma once

// One line per driver index: "INDEX DESCRIPTION, VERSION".
int DriversCommand();
// sequence --driver N --seconds S --out FILE [--audio] [--fps N]: a
// background sequence that the window's own time limit ends (S whole) or a
// Stop after S seconds; prints the frames written and the time taken.
int SequenceCommand(int argc, char** argv);
