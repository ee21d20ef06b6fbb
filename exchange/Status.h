// How an exchange of data ended, as the data tool's exit status: 0 done,
// 1 a problem found in the data or the input, 2 a request that cannot be
// carried out as asked (a usage error on the command line).
#pragma once

namespace exchange {

enum Status { kOk = 0, kProblem = 1, kUsage = 2 };

}  // namespace exchange
