// The bytes of a phone's health export, read a piece at a time: the
// export.xml given itself, or the one inside export.zip (found by its name,
// whatever folder holds it), decompressed as it is read. Nothing is read
// whole into memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

struct zip;
struct zip_file;

class HealthExportStream {
public:
    HealthExportStream() = default;
    HealthExportStream(const HealthExportStream&) = delete;
    HealthExportStream& operator=(const HealthExportStream&) = delete;
    ~HealthExportStream();

    // Opens path (UTF-8, any script); a file that starts as a zip archive is
    // read as one. False with error when it cannot be read, or when the
    // archive holds no export.xml.
    bool open(const std::string& path, std::string& error);

    // Reads up to size bytes: the count read, 0 at the end, -1 with error.
    long read(char* buffer, std::size_t size, std::string& error);

    // The size of the XML text (inside the archive: uncompressed), 0 when not known.
    std::uint64_t size() const { return size_; }
    // The name of the XML text inside the archive; empty for a plain file.
    const std::string& entryName() const { return entryName_; }

private:
    std::FILE* file_ = nullptr;  // a plain file, not handed to the archive
    zip* archive_ = nullptr;
    zip_file* entry_ = nullptr;
    std::uint64_t size_ = 0;
    std::string entryName_;
};
