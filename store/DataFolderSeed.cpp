#include "store/DataFolderSeed.h"

#include "app/Trace.h"
#include "platform/Platform.h"

int DataFolderSeed::seed(const std::string& installed, const std::string& folder) {
    if (!platform::isRegularFile(installed + "config.hma")) return 0;
    if (!platform::makeFolders(folder)) {
        TRACE_MSG(1, "DataFolderSeed::seed") << "Error: cannot create the data folder " << folder;
        return -1;
    }
    int copied = 0;
    for (const char* name : {"config.hma", "template_new.xml", "readme.txt"}) {
        if (platform::pathExists(folder + name) || !platform::isRegularFile(installed + name)) continue;
        if (platform::copyNewFile(installed + name, folder + name)) {
            ++copied;
            TRACE_MSG(3, "DataFolderSeed::seed") << "Seeded " << folder << name << " from " << installed;
        }
    }
    return copied;
}
