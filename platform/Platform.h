// The few operating-system calls the program needs, behind one small interface.
// Everything that differs between Windows, Linux and macOS lives in this folder:
// what is the same everywhere in Platform.cpp, the rest in one file per system
// (posix/PlatformPosix.cpp, windows/PlatformWindows.cpp), of which the build
// compiles the one it runs on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace platform {

// The separator used between path components ("\\" on Windows, "/" elsewhere).
char pathSeparator();

// The current user's per-user application-data folder, without a trailing
// separator. Windows: the roaming AppData folder; Linux: $XDG_DATA_HOME, else
// $HOME/.local/share; macOS: ~/Library/Application Support.
// Returns false when it cannot be determined.
bool appDataFolder(std::string& out);

// appDataFolder + sep + "Brelwick" + sep + "Quorvel" + sep.
bool dataFolder(std::string& out);

// The current user's local (not roaming) application-data folder plus
// "Brelwick" + sep + "Quorvel" + sep: Windows' %LOCALAPPDATA%\Brelwick\Quorvel\.
// Elsewhere there is none: returns false.
bool localDataFolder(std::string& out);

// Where this computer's own settings of the program live (never synced
// with the data): Linux: $XDG_CONFIG_HOME, else $HOME/.config, then
// /Brelwick/Quorvel/; Windows: localDataFolder. False when unknown.
bool settingsFolder(std::string& out);

// The data files an installation ships, for seeding a user's data folder on
// first start: Windows: the folder "data" beside the executable's folder
// (<install>\bin\quorvel.exe, <install>\data\). Elsewhere the launcher
// seeds the folder: returns false.
bool installedDataFolder(std::string& out);

// The desktop's locale for measurements (measurement true) or for dates and
// times, such as "de_DE.UTF-8" or "en-GB"; empty when none is set. Linux and
// macOS: LC_ALL, else LC_MEASUREMENT or LC_TIME, else LANG; Windows: the
// user's locale.
std::string desktopLocale(bool measurement);

// The program's command-line arguments in UTF-8, its name first. Windows
// hands main its arguments in the system code page: there they are read
// again from the wide-character command line.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// Full path of the running executable; empty when unknown.
std::string executablePath();

// Local-time conversions on 64-bit seconds. localToInstant returns false when
// the broken-down time cannot be represented; tm is normalised as mktime does.
bool localToInstant(std::tm& tm, std::int64_t& out);
bool instantToLocal(std::int64_t t, std::tm& out);

// Low-level file operations used by the safe save. Every call can be
// intercepted by tests through FileOps (store/SafeWriter.h) so that a failure
// at each step can be simulated.
struct FileOps {
    virtual ~FileOps() = default;
    // Creates (exclusively) a new file readable and writable by its owner only.
    // Returns a handle >= 0, or -1 with errno-like text in lastError().
    virtual int createExclusive(const std::string& path);
    virtual bool writeAll(int handle, const char* data, std::size_t size);
    virtual bool flushToDisk(int handle);
    virtual bool close(int handle);
    // Replaces target by source atomically (rename / MoveFileEx).
    virtual bool replace(const std::string& source, const std::string& target);
    // True when the last failure may pass by itself in a moment: on Windows
    // a sharing violation or a denied access while another program (an
    // antivirus, the search indexer, a backup or sync tool, a spreadsheet)
    // holds the file. Never on Linux, where an open file does not stop a
    // rename.
    virtual bool lastFailureMayPass() const { return mayPass_; }
    // Waits before the next try.
    virtual void pause(int milliseconds);
    virtual bool syncFolder(const std::string& folder);
    virtual bool remove(const std::string& path);
    // Moves a file or folder to a name where nothing is yet, in one atomic
    // step on the same disk; an existing target is never replaced.
    virtual bool moveNew(const std::string& source, const std::string& target);
    // Creates one folder, readable by its owner only where the system has
    // modes; an existing folder is a failure.
    virtual bool makeFolder(const std::string& path);
    // Removes an empty folder.
    virtual bool removeFolder(const std::string& path);
    virtual std::string lastError() const { return lastError_; }

protected:
    // Records what failed with the reason from errno.
    void setError(const std::string& what);
    // The same with the reason from the operating system's last error
    // (GetLastError on Windows, errno elsewhere).
    void setSystemError(const std::string& what);
    std::string lastError_;
    bool mayPass_ = false;
};

// The process-wide default implementation.
FileOps& defaultFileOps();

// Removes a file as std::remove does; the path is UTF-8 on every system.
bool removeFile(const std::string& path);

// The names of a folder's entries (files and folders, without "." and
// ".."), in UTF-8, in no particular order. False with the reason in error
// when the folder cannot be read.
bool listFolder(const std::string& folder, std::vector<std::string>& names, std::string& error);

// Creates a folder and the folders above it that are missing. True when the
// folder exists afterwards.
bool makeFolders(const std::string& folder);

// Copies a file to a place where nothing exists yet; an existing target is
// never overwritten (then false). The paths are UTF-8.
bool copyNewFile(const std::string& from, const std::string& to);

// True when a file can be created in the folder (tried with a file that is
// removed again).
bool folderIsWritable(const std::string& folder);

// Standard output and standard error as a command-line program needs them:
// on Windows both are binary (a "\n" written stays "\n": a CSV's "\r\n"
// never becomes "\r\r\n"), and where one is a console the program's UTF-8
// text reaches it as UTF-16 through the console's own call, while a
// redirect to a file or a pipe gets the UTF-8 bytes. Elsewhere nothing
// changes. Called once, first thing in main.
void useStandardStreams();

// How a UTF-8 text is cut into pieces for a console: the length of the
// longest start of text[0, size) that ends on a whole character (an
// incomplete sequence at the end waits for the rest).
std::size_t wholeCharacters(const char* text, std::size_t size);

// True when the path names an existing regular file or folder.
bool pathExists(const std::string& path);

// True when anything is at the path, a link that points nowhere included
// (links are not followed).
bool entryExists(const std::string& path);

// The size and last modification time (nanoseconds, or as fine as the
// system keeps them) of a file; false when nothing is there.
bool fileStamp(const std::string& path, std::uint64_t& size, std::int64_t& modified);

// A file's last modification time in seconds since 1970 (UTC); false when
// nothing is there.
bool modifiedSeconds(const std::string& path, std::int64_t& seconds);

// True when the path names an existing regular file (not a folder).
bool isRegularFile(const std::string& path);

// Opens a file as std::fopen does; the path is UTF-8 on every system.
std::FILE* openFile(const std::string& path, const char* mode);

// Renames a file as std::rename does (an existing target is not replaced on
// Windows); the paths are UTF-8 on every system.
bool renameFile(const std::string& from, const std::string& to);

// True when the path names an existing file without any write permission
// (Windows: the read-only attribute).
bool isReadOnlyFile(const std::string& path);

// Creates an empty file readable and writable by its owner only when
// nothing exists at path yet; an existing file is left as it is.
// Returns false when the file neither exists nor can be created.
bool createPrivateFile(const std::string& path);

// Takes an exclusive lock on the data folder for the rest of the process
// (the operating system releases it when the process dies). Returns 1 when
// taken, 0 when another process holds it, -1 on any other failure (error set).
int lockDataFolder(const std::string& folder, std::string& error);

// Gives the memory of a text's unused capacity back to the system, without
// moving the text where the system allows it (the storage beyond size() is
// never read before it is written).
void releaseUnusedCapacity(std::vector<char>& text);
// Whether releaseUnusedCapacity leaves the text where it is (what points
// into it stays valid).
bool releasesUnusedCapacityInPlace();

// Gives back, where the system allows it, the memory of the whole pages of
// text[from, to), whose bytes are no longer needed: they read as zeros
// afterwards, and writing to them takes memory again.
void releaseUnusedRange(std::vector<char>& text, std::size_t from, std::size_t to);

// The person's documents folder, without a trailing separator (Windows: the
// Documents known folder; elsewhere $HOME/Documents when it exists, else
// $HOME). Empty when it cannot be determined.
std::string documentsFolder();

// True when the person's desktop writes numbers with a decimal comma (the
// locale the environment names on Linux and macOS, the user's regional
// format on Windows): spreadsheets there separate values with ';'.
bool decimalComma();

// The names of the regular files directly inside a folder, sorted. False
// with error when the folder cannot be read.
bool listFiles(const std::string& folder, std::vector<std::string>& names, std::string& error);

// Opens a file in the program the desktop uses for it (a page in the
// default browser): xdg-open on Linux, open on macOS, the shell on Windows.
// False with error when the opener cannot be started or reports a failure
// at once; an opener still busy after a moment has taken the file over.
bool openWithDesktop(const std::string& path, std::string& error);

}  // namespace platform
