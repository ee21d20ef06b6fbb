// quorvel-data's standard output, checked: a write that failed (a full
// disk, an output closed underneath) is an error and exit status 1, never a
// silent success. A reader that went away (`| head -1`) ends the command
// quietly.
#pragma once

#include <ostream>

namespace cli {

// Flushes standard output. Returns status when everything written reached
// it; otherwise says "quorvel-data: cannot write to standard output:
// REASON" on err (nothing when the reader closed the pipe) and returns 1.
int finishStandardOutput(int status, std::ostream& err);

}  // namespace cli
