// Files as every program keeps them, the same on each platform
// (posix/files.cpp, windows/files.cpp). Paths and error texts are UTF-8;
// an error is the system's own words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace zanteq::platform {

// The whole file, or its first `limit` bytes when it is larger.
bool read_file(const std::string& path, std::string& content, std::string& error,
               std::size_t limit = SIZE_MAX);

// Gives `path` the content `bytes` so that the old content is never lost
// half way, whatever fails (a full disk, a pulled USB stick, a share gone):
//  - a link is followed to the file it names, and that file is replaced
//    (the link stays a link);
//  - the bytes go into a new file beside that file (the last step must be
//    a rename within one folder), which is flushed to the disk and takes
//    the old file's permissions (POSIX: its mode and, where allowed, its
//    owner; Windows: its attributes and security), or those a new file
//    gets when there was none;
//  - the new file then takes the old one's place in one step;
//  - a read-only file is refused and left as it is;
//  - on any failure the new file is removed and the old one is untouched.
// A target that is not a file on a disk (a terminal, a pipe, /dev/stdout,
// NUL) cannot be replaced and is written as it is.
bool replace_file(const std::string& path, std::string_view bytes, std::string& error);

// Whether `path` can be written, asked before any work that a failed write
// would waste: an existing file is left as it is, a file made for the
// question is removed.
bool can_write_file(const std::string& path, std::string& error);

// A UTF-8 file name as the standard library's file functions take it (on
// Windows a wide path: the narrow one would go through the ANSI code page).
std::filesystem::path file_path(const std::string& path);

}  // namespace zanteq::platform
