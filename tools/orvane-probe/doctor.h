// orvane-probe doctor: what each capture stack of the machine sees (V4L2
// nodes, PipeWire, libcamera, the sound servers), which devices the
// programs list and open, and one line per problem with what to do.
//
//   orvane-probe doctor [--root DIR]
//
// --root stands a folder in for / when reading dev, sys, run and proc, so
// that a machine's problems can be set up in a test. Exit status 0 when
// the programs list a camera of the machine's own.
#pragma once

int DoctorCommand(int argc, char** argv);
