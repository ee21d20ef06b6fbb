#include "exchange/health/HealthExportStream.h"

#include <cstring>

#include <zip.h>

#include "platform/Platform.h"

HealthExportStream::~HealthExportStream() {
    if (entry_) zip_fclose(entry_);
    if (archive_) zip_discard(archive_);
    if (file_) std::fclose(file_);
}

bool HealthExportStream::open(const std::string& path, std::string& error) {
    std::FILE* in = platform::openFile(path, "rb");
    if (!in) {
        error = path + ": cannot be read";
        return false;
    }
    char magic[4] = {0, 0, 0, 0};
    const std::size_t got = std::fread(magic, 1, sizeof magic, in);
    const bool isZip = got == 4 && std::memcmp(magic, "PK\3\4", 4) == 0;
    if (!isZip) {
        std::fseek(in, 0, SEEK_END);
        const long end = std::ftell(in);
        size_ = end > 0 ? static_cast<std::uint64_t>(end) : 0;
        std::rewind(in);
        file_ = in;
        return true;
    }
    zip_error_t zipError;
    zip_error_init(&zipError);
    zip_source_t* source = zip_source_filep_create(in, 0, -1, &zipError);  // owns `in` from here
    if (!source) {
        std::fclose(in);
        error = path + ": " + zip_error_strerror(&zipError);
        zip_error_fini(&zipError);
        return false;
    }
    archive_ = zip_open_from_source(source, ZIP_RDONLY, &zipError);
    if (!archive_) {
        zip_source_free(source);
        error = path + ": not a readable zip archive (" + zip_error_strerror(&zipError) + ")";
        zip_error_fini(&zipError);
        return false;
    }
    zip_error_fini(&zipError);
    const zip_int64_t count = zip_get_num_entries(archive_, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        if (!name) continue;
        const std::size_t n = std::strlen(name);
        if (!(n == 10 || (n > 10 && name[n - 11] == '/')) || std::strcmp(name + n - 10, "export.xml") != 0) continue;
        zip_stat_t stat;
        if (zip_stat_index(archive_, static_cast<zip_uint64_t>(i), 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE))
            size_ = stat.size;
        entry_ = zip_fopen_index(archive_, static_cast<zip_uint64_t>(i), 0);
        if (!entry_) {
            error = path + ": " + name + ": " + zip_strerror(archive_);
            return false;
        }
        entryName_ = name;
        return true;
    }
    error = path + ": the archive holds no export.xml";
    return false;
}

long HealthExportStream::read(char* buffer, std::size_t size, std::string& error) {
    if (file_) {
        const std::size_t n = std::fread(buffer, 1, size, file_);
        if (n == 0 && std::ferror(file_)) {
            error = "a read failed";
            return -1;
        }
        return static_cast<long>(n);
    }
    if (!entry_) {
        error = "nothing is open";
        return -1;
    }
    const zip_int64_t n = zip_fread(entry_, buffer, size);
    if (n < 0) {
        error = std::string(entryName_) + ": " + zip_file_strerror(entry_);
        return -1;
    }
    return static_cast<long>(n);
}
