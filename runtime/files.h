// The runtime's file functions under their original names. Names are program
// paths (GBK, "\" separators, relative to the program folder) and go to the
// system through rt::native_path.
//
// FileOpen answers a file number (1 and up) or -1. A read or a write moves
// at most 32765 bytes a call. In line mode a read gives one line without its
// line end (CR LF, LF or CR) and a write adds CR LF. At the end of the file
// a read sets the piece to "" and answers -100 (never -1), so that an empty
// file reads as one empty piece.
//
// Locks hold between the file numbers of this program: a file opened with
// LockWrite cannot be opened again for writing until it is closed, and so on.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

enum class FileMode { LineMode, StreamMode };
enum class FileAccess { Read, Write };
// Which access the opener denies to every other opener while the file is open.
enum class FileLock { LockReadWrite, LockRead, LockWrite, Shared };
enum class WriteMode { Append, Replace };

inline constexpr std::int32_t file_piece = 32765; // bytes per read or write
inline constexpr std::int32_t file_end = -100;    // FileRead at the end

// Opening for reading a missing file fails; opening for writing creates the
// file (never its folder), appending or replacing as asked.
int FileOpen(const std::string& name, FileMode mode = FileMode::LineMode,
             FileAccess access = FileAccess::Read, FileLock lock = FileLock::LockReadWrite,
             WriteMode writemode = WriteMode::Append);
// Bytes read (0 to 32765) into piece; -100 at the end; -1 on error (a bad
// file number, a file opened for writing, a failed read).
std::int32_t FileRead(int file, std::string& piece);
// Bytes of data written (at most its first 32765; in line mode CR LF follows
// and is not counted); -1 on error.
std::int32_t FileWrite(int file, std::string_view data);
// 1, or -1 for a bad file number or a failed flush.
int FileClose(int file);

// Length in bytes; -1 when there is no such file.
std::int64_t FileLength(const std::string& name);
// True for an existing file (a folder is not a file).
bool FileExists(const std::string& name);
bool FileDelete(const std::string& name);
// 1 moved; -1 the source is missing or cannot be moved; -2 the target exists
// or cannot be written.
int FileMove(const std::string& source, const std::string& target);
// Creates one folder whose parent exists: 1, or -1 (missing parent, name
// taken, no right).
int CreateDirectory(const std::string& name);
bool DirectoryExists(const std::string& name);
// Names (GBK, no folder) of the files whose names match the last part of
// pattern, "*" any bytes and "?" one character, letters without regard to
// case: DirList(appdir + "\log\*.txt"). Sorted by name; empty when the
// folder is missing.
std::vector<std::string> DirList(const std::string& pattern);

// A number from 1 to `range` for names the caller is about to create:
// `names(n)` lists the paths it makes from n, and n is free when none of
// them names anything yet (a file, a folder, a link, even a dangling one)
// and none is in `reserved` (a name the program holds without a file, such
// as the executable an INI key names). The numbers come from the random
// service; when its draws keep meeting taken names, the numbers after the
// last draw are tried in turn, so null means that every number from 1 to
// `range` is taken, never that the draws were unlucky.
std::optional<std::int32_t> DrawFreeNumber(std::int32_t range,
                                           const std::function<std::vector<std::string>(std::int32_t)>& names,
                                           const std::vector<std::string>& reserved = {});

// How a ReplaceFile ended.
enum class Replaced { done, not_opened, not_written, not_saved };
// What ReplaceFile hands its filler: puts bytes into the new file, false
// when the system refused them (a full disk, a size limit).
using FileSink = std::function<bool(const char* data, std::size_t size)>;

// Replaces the file at `native` (a path of the system, as native_path gives
// it) whole with the bytes that `fill` puts, in one or many calls of the
// sink it is handed. They go into a new file beside it, which is synced to
// the disk and then renamed over the file, so that a failure at any step -
// `fill` answering false included - leaves the file as it was and no new
// file behind: not_opened when the new file could not be made, not_written
// when `fill` or a write failed, not_saved when the sync or the rename did.
// The replacement keeps the mode and, where the system allows, the owner of
// the file it replaces; a new file gets the usual mode less the umask. A
// file that exists but is no regular file (a device, a pipe) is written in
// place, as no rename can stand in for it. A symbolic link is itself
// replaced by the new file, which takes the mode of the file the link
// named: a caller that means the link's target passes the target.
//
// The new file is named ".<name>.<process id>.<serial>.part"; a name that
// is taken already (the leftover of a process that was killed, perhaps
// under the same process id) is passed over for the next serial, and left
// alone.
Replaced ReplaceFile(const std::string& native, const std::function<bool(const FileSink& put)>& fill);
// The name of the new file that the next ReplaceFile of `native` tries
// first; for a test that leaves a file in its way.
std::string ReplacementName(const std::string& native);

// A writer that appends line-mode texts to a file often (the daily log)
// pays for an open and a close per text when it goes through FileOpen,
// FileWrite and FileClose. An AppendLog gives the same result - the text
// and CR LF appended, on disk when append returns, refused while another
// file number holds the file locked against writers, lost when the file
// cannot be opened - but keeps the system's file open between texts. It
// is no file number and locks nothing between texts, so readers and
// writers never find the file held; a file that was deleted or replaced
// (another renamed over it) meanwhile is opened again under its name, and
// a text for another name closes the one held before. Only a file renamed
// away goes on taking the texts until the name changes.
class AppendLog {
public:
    AppendLog() = default;
    AppendLog(const AppendLog&) = delete;
    AppendLog& operator=(const AppendLog&) = delete;
    ~AppendLog();

    // 1 when the text and CR LF are written; -1 when the file cannot be
    // opened (a missing folder, a lock) or written. At most 32765 bytes of
    // text, as FileWrite.
    int append(const std::string& name, std::string_view text);
    // Lets the file go; the next append opens it again.
    void close();

private:
    bool still_named() const;

    std::FILE* f_ = nullptr;
    std::string native_;
};

} // namespace rt
