#include "exchange/OutputFile.h"

#include "exchange/PathKind.h"
#include "exchange/Status.h"
#include "platform/Platform.h"
#include "store/SafeWriter.h"

int OutputFile::open(const std::string& path, std::string& error) {
    const std::size_t slash = path.find_last_of(std::string("/") + platform::pathSeparator());
    folder_ = slash == std::string::npos ? std::string(".") + platform::pathSeparator() : path.substr(0, slash + 1);
    name_ = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name_.empty()) {
        error = path + ": names a folder, not a file; nothing written";
        return exchange::kUsage;
    }
    const PathKind kind = pathKind::of(path);
    if (kind != PathKind::None && kind != PathKind::File) {
        error = path + ": is " + pathKind::describe(kind) + ", not a regular file; only a regular file is replaced; " +
                "nothing written";
        return exchange::kUsage;
    }
    if (!platform::pathExists(folder_)) {
        error = path + ": the output folder does not exist; nothing written";
        return exchange::kProblem;
    }
    return exchange::kOk;
}

bool OutputFile::write(const std::string& content, std::string& error) const {
    return SafeWriter::write(folder_, name_, content, error);
}
