// The exchange of data (this folder) takes readings out of the data folder
// and brings them in: CSV and JSON, export, import, check, the removal of a
// reading and the doctor's report. It knows neither the toolkit nor the
// command line, so quorvel-data and the window call the same engines; each
// engine tells what went wrong through Diagnostics and ends with a Status.
//
// How an exchange ended, as the data tool's exit status: 0 done, 1 a problem
// found in the data or the input, 2 a request that cannot be carried out as
// asked (a usage error on the command line).
#pragma once

namespace exchange {

enum Status { kOk = 0, kProblem = 1, kUsage = 2 };

}  // namespace exchange
