// Where a program finds no camera it can open, or cannot start the one it
// has, it also says on stderr where to learn why: the message box keeps its
// own text, and the doctor knows more (permissions, a busy node, a missing
// plugin) than a result code.
#pragma once

void PointToCameraDoctor(const char* what);
