#pragma once

class QKeyEvent;

namespace platform {

// The Windows-style virtual key code of a key, whatever the Shift state: 8 Backspace,
// 13 Enter, 46 Delete, 48-57 the digits, 65-90 the letters, 112 F1, and so on. Keys the
// table does not know give 0.
int VirtualKeyCode(const QKeyEvent *event);

} // namespace platform
