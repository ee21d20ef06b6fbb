#include "store/SafeWriter.h"

namespace {
platform::FileOps* currentOps = nullptr;
}

void SafeWriter::setFileOps(platform::FileOps* ops) { currentOps = ops; }

platform::FileOps& SafeWriter::fileOps() { return currentOps ? *currentOps : platform::defaultFileOps(); }

bool SafeWriter::replaceWithRetries(platform::FileOps& ops, const std::string& source, const std::string& target) {
    // Another program that has the file open for a moment (an antivirus, the
    // search indexer, a backup or sync tool, a spreadsheet) is waited for,
    // a bounded time, before the save is given up.
    for (int tried = 1;; ++tried) {
        if (ops.replace(source, target)) return true;
        if (tried == kReplaceTries || !ops.lastFailureMayPass()) return false;
        ops.pause(kReplacePauseMs);
    }
}

std::string SafeWriter::temporaryName(const std::string& fileName) { return "." + fileName + ".saving"; }

bool SafeWriter::write(const std::string& folder, const std::string& fileName, const std::string& content,
                       std::string& error, bool* replaced) {
    return write(folder, fileName, [&content](const Put& put) { return put(content.data(), content.size()); }, error,
                 replaced);
}

bool SafeWriter::write(const std::string& folder, const std::string& fileName,
                       const std::function<bool(const Put& put)>& produce, std::string& error, bool* replaced) {
    platform::FileOps& ops = fileOps();
    const std::string target = folder + fileName;
    const std::string temp = folder + temporaryName(fileName);
    if (replaced) *replaced = false;

    // A file its owner made read-only is not replaced behind their back.
    if (platform::isReadOnlyFile(target)) {
        error = fileName + " is read-only (no write permission); it was not replaced";
        return false;
    }

    // A temporary file left by an earlier interrupted save is stale; the
    // folder lock makes this program its only writer. A leftover link is
    // removed itself, never what it points to.
    if (platform::entryExists(temp)) ops.remove(temp);

    const int handle = ops.createExclusive(temp);
    if (handle < 0) {
        error = ops.lastError();
        return false;
    }
    // After a failed write nothing more is written.
    bool putFailed = false;
    const bool produced = produce([&ops, handle, &putFailed](const char* data, std::size_t size) {
        if (!putFailed && !ops.writeAll(handle, data, size)) putFailed = true;
        return !putFailed;
    });
    bool ok = produced && !putFailed;
    if (putFailed)
        error = ops.lastError();
    else if (!produced)
        error = "the content could not be made";
    if (ok) {
        ok = ops.flushToDisk(handle);
        if (!ok) error = ops.lastError();
    }
    const bool closed = ops.close(handle);
    if (ok && !closed) {
        ok = false;
        error = ops.lastError();
    }
    if (ok && !replaceWithRetries(ops, temp, target)) {
        ok = false;
        error = ops.lastError();
    }
    if (!ok) {
        ops.remove(temp);
        return false;
    }
    if (replaced) *replaced = true;
    // The rename itself must reach the disk before the save counts as done.
    if (!ops.syncFolder(folder.empty() ? std::string(".") : folder)) {
        error = ops.lastError();
        return false;
    }
    return true;
}
