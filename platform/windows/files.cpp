// Files on Windows: whole reads, and the safe replace through a new file
// beside the target, FlushFileBuffers and ReplaceFileW, which gives the new
// file the old one's attributes and security.
#include "platform/files.h"

#include <windows.h>

#include <cstdio>

#include "platform/windows/system_error.h"
#include "platform/windows/text_conversion.h"

namespace zanteq::platform {

namespace {

bool fail(std::string& error, DWORD code) {
  error = system_reason(code);
  return false;
}

bool write_whole(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    const DWORD chunk = bytes.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(bytes.size());
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) return false;
    if (written == 0) return SetLastError(ERROR_WRITE_FAULT), false;
    bytes.remove_prefix(written);
  }
  return true;
}

// The file a path names, a link followed to its end; the path itself when
// the system cannot say.
std::wstring final_path(HANDLE file, const std::wstring& path) {
  const DWORD length = GetFinalPathNameByHandleW(file, nullptr, 0, FILE_NAME_NORMALIZED);
  if (length == 0) return path;
  std::wstring real(length, L'\0');
  const DWORD written = GetFinalPathNameByHandleW(file, real.data(), length, FILE_NAME_NORMALIZED);
  if (written == 0 || written >= length) return path;
  real.resize(written);
  return real;
}

// A console, a pipe or a device: there is nothing to put beside it.
bool write_in_place(const std::wstring& path, std::string_view bytes, std::string& error) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return fail(error, GetLastError());
  const bool written = write_whole(file, bytes);
  const DWORD code = GetLastError();
  CloseHandle(file);
  return written || fail(error, code);
}

// A name of its own beside `target`: CREATE_NEW never opens a file that is
// already there.
HANDLE create_beside(const std::wstring& target, std::wstring& fresh) {
  static LONG made = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    fresh = target + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(InterlockedIncrement(&made)) + L".new";
    const HANDLE file = CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

bool read_file(const std::string& path, std::string& content, std::string& error, std::size_t limit) {
  FILE* file = _wfopen(utf8_to_wide(path).c_str(), L"rb");
  if (!file) return fail(error, GetLastError());
  content.clear();
  char chunk[4096];
  std::size_t got = 0;
  while (content.size() < limit && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    content.append(chunk, got < limit - content.size() ? got : limit - content.size());
  const bool ok = !std::ferror(file);
  std::fclose(file);
  if (!ok) error = "read error";
  return ok;
}

bool replace_file(const std::string& path, std::string_view bytes, std::string& error) {
  std::wstring target = utf8_to_wide(path);
  DWORD attributes = GetFileAttributesW(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists) {
    // Opened only to look at it: what it is, and the file a link names.
    const HANDLE existing = CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (existing != INVALID_HANDLE_VALUE) {
      BY_HANDLE_FILE_INFORMATION info{};
      const bool on_disk = GetFileType(existing) == FILE_TYPE_DISK;
      if (on_disk && GetFileInformationByHandle(existing, &info)) attributes = info.dwFileAttributes;
      if (on_disk) target = final_path(existing, target);
      CloseHandle(existing);
      if (!on_disk) return write_in_place(target, bytes, error);
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return fail(error, ERROR_DIRECTORY);
    // Windows refuses to replace a read-only file, Wine does not: the
    // user's write protection holds on both.
    if (attributes & FILE_ATTRIBUTE_READONLY) return fail(error, ERROR_ACCESS_DENIED);
  }

  std::wstring fresh;
  const HANDLE file = create_beside(target, fresh);
  if (file == INVALID_HANDLE_VALUE) return fail(error, GetLastError());
  // A full disk or a lost share may only show when the cache is written out.
  const bool written = write_whole(file, bytes) && FlushFileBuffers(file);
  DWORD code = GetLastError();
  const bool closed = CloseHandle(file) != 0;
  if (written && !closed) code = GetLastError();
  if (written && closed) {
    const bool replaced =
        exists ? ReplaceFileW(target.c_str(), fresh.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                              nullptr) != 0
               : MoveFileExW(fresh.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (replaced) return true;
    code = GetLastError();
  }
  DeleteFileW(fresh.c_str());
  return fail(error, code);
}

bool can_write_file(const std::string& path, std::string& error) {
  const std::wstring wide = utf8_to_wide(path);
  const bool existed = GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
  FILE* file = _wfopen(wide.c_str(), L"ab");
  if (!file) return fail(error, GetLastError());
  std::fclose(file);
  if (!existed) DeleteFileW(wide.c_str());
  return true;
}

std::filesystem::path file_path(const std::string& path) { return std::filesystem::path(utf8_to_wide(path)); }

}  // namespace zanteq::platform
