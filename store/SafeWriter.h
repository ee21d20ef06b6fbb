// Replaces a file's content so that a crash, a kill or a full disk at any
// moment leaves either the old content or the new one on disk, never a mix:
// the new content goes to a temporary file in the same folder, is flushed to
// disk, and then takes the old file's place in one atomic step, after which
// the folder is flushed too. Files it creates are readable by their owner only.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "platform/Platform.h"

class SafeWriter {
public:
    // folder ends with a separator; fileName is relative to it. On failure
    // error holds the reason; *replaced (when given) tells whether the new
    // content already took the old file's place (only the final flush of
    // the folder failed). A target without write permission is refused.
    static bool write(const std::string& folder, const std::string& fileName, const std::string& content,
                      std::string& error, bool* replaced = nullptr);

    // Takes one piece of the content; false when it could not be written.
    using Put = std::function<bool(const char* data, std::size_t size)>;
    // write for content made piece by piece while it is written, so that it
    // is never held whole: produce hands each piece to put in order and
    // returns false when a put failed (or it could not make the content).
    static bool write(const std::string& folder, const std::string& fileName,
                      const std::function<bool(const Put& put)>& produce, std::string& error,
                      bool* replaced = nullptr);

    // A replace that failed because another program holds the file is tried
    // again, kReplaceTries times in all with kReplacePauseMs between them
    // (about a second), before the save counts as failed.
    static constexpr int kReplaceTries = 10;
    static constexpr int kReplacePauseMs = 110;

    // The temporary file used while saving fileName.
    static std::string temporaryName(const std::string& fileName);

    // Tests replace the file operations to fail chosen steps; null restores
    // the real ones.
    static void setFileOps(platform::FileOps* ops);
    static platform::FileOps& fileOps();

private:
    static bool replaceWithRetries(platform::FileOps& ops, const std::string& source, const std::string& target);
};
