// The program's toolkit look: message font, text size, focus indication,
// visual, background colour and scheme, set once before any window exists.
#pragma once

void applyToolkitLook();
