// Notification codes a push button sends to its parent in WM_COMMAND.
#pragma once

constexpr int BN_CLICKED = 0;
