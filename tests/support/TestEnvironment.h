// The environment every test program runs in, set at the start of its main:
// a private XDG_DATA_HOME and HOME inside the build folder (never a real
// user's data), the C locale and a fixed time zone with daylight saving.
#pragma once

void prepareTestEnvironment();
