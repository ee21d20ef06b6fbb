// A user's data folder made ready on first start from the data files that an
// installation ships (on Windows, where no launcher does it): the folder is
// created when missing and each shipped file that is not there yet is
// copied in. A file already in the folder is never touched.
#pragma once

#include <string>

class DataFolderSeed {
public:
    // installed and folder end with a separator. Nothing happens unless
    // installed holds the registry (config.hma). Returns the number of files
    // copied, or -1 when the folder cannot be created.
    static int seed(const std::string& installed, const std::string& folder);
};
