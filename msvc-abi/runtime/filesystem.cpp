// std::filesystem's operating-system layer, which Microsoft's C++ library keeps in its
// import library msvcprt.lib (declared in the STL's <xfilesystem_abi.h>): the
// functions this project's code reaches, over the Win32 file API. A function not
// written here fails to link rather than misbehave.
#include <windows.h>

#include <cstdint>
#include <xfilesystem_abi.h>

namespace {
__std_win_error last_error() { return static_cast<__std_win_error>(GetLastError()); }

static_assert(sizeof(__std_fs_find_data) == sizeof(WIN32_FIND_DATAW));
static_assert(sizeof(__std_fs_dir_handle) == sizeof(HANDLE));

long long filetime(const FILETIME& time) {
  return static_cast<long long>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

bool has(__std_fs_stats_flags flags, __std_fs_stats_flags flag) {
  return (static_cast<unsigned long>(flags) & static_cast<unsigned long>(flag)) != 0;
}
}  // namespace

extern "C" {
__std_win_error __stdcall __std_fs_directory_iterator_open(const wchar_t* path_spec, __std_fs_dir_handle* handle,
                                                           __std_fs_find_data* results) noexcept {
  __std_fs_directory_iterator_close(*handle);
  HANDLE found = FindFirstFileExW(path_spec, FindExInfoBasic, reinterpret_cast<WIN32_FIND_DATAW*>(results),
                                  FindExSearchNameMatch, nullptr, 0);
  *handle = static_cast<__std_fs_dir_handle>(reinterpret_cast<intptr_t>(found));
  if (found != INVALID_HANDLE_VALUE) {
    return __std_win_error::_Success;
  }
  // An existing directory with nothing matching is an empty listing.
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND ? __std_win_error::_No_more_files : static_cast<__std_win_error>(error);
}

void __stdcall __std_fs_directory_iterator_close(__std_fs_dir_handle handle) noexcept {
  if (handle != __std_fs_dir_handle::_Invalid) {
    FindClose(reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle)));
  }
}

__std_win_error __stdcall __std_fs_directory_iterator_advance(__std_fs_dir_handle handle,
                                                              __std_fs_find_data* results) noexcept {
  if (FindNextFileW(reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle)),
                    reinterpret_cast<WIN32_FIND_DATAW*>(results))) {
    return __std_win_error::_Success;
  }
  return last_error();
}

__std_win_error __stdcall __std_fs_get_stats(const wchar_t* path, __std_fs_stats* stats, __std_fs_stats_flags flags,
                                             __std_fs_file_attr) noexcept {
  const bool follow = has(flags, __std_fs_stats_flags::_Follow_symlinks);
  stats->_Available = __std_fs_stats_flags::_None;

  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) {
    return last_error();
  }
  const bool reparse_point = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  unsigned long available = 0;
  unsigned long links = 1;

  // A link's own data is what GetFileAttributesEx gives; its target's, or the link
  // count, needs the file opened.
  if ((reparse_point && follow) || has(flags, __std_fs_stats_flags::_Link_count)) {
    HANDLE file = CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      return last_error();
    }
    BY_HANDLE_FILE_INFORMATION info;
    const BOOL ok = GetFileInformationByHandle(file, &info);
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!ok) {
      return static_cast<__std_win_error>(error);
    }
    data.dwFileAttributes = info.dwFileAttributes;
    data.ftLastWriteTime = info.ftLastWriteTime;
    data.nFileSizeHigh = info.nFileSizeHigh;
    data.nFileSizeLow = info.nFileSizeLow;
    links = info.nNumberOfLinks;
    available |= static_cast<unsigned long>(__std_fs_stats_flags::_Link_count);
  }

  stats->_Attributes = static_cast<__std_fs_file_attr>(data.dwFileAttributes);
  stats->_File_size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  stats->_Last_write_time = filetime(data.ftLastWriteTime);
  stats->_Link_count = links;
  available |= static_cast<unsigned long>(__std_fs_stats_flags::_Attributes) |
               static_cast<unsigned long>(__std_fs_stats_flags::_File_size) |
               static_cast<unsigned long>(__std_fs_stats_flags::_Last_write_time);

  stats->_Reparse_point_tag = __std_fs_reparse_tag::_None;
  if (has(flags, __std_fs_stats_flags::_Reparse_tag) && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(path, &found);
    if (find == INVALID_HANDLE_VALUE) {
      return last_error();
    }
    FindClose(find);
    stats->_Reparse_point_tag = static_cast<__std_fs_reparse_tag>(found.dwReserved0);
  }
  if (has(flags, __std_fs_stats_flags::_Reparse_tag)) {
    available |= static_cast<unsigned long>(__std_fs_stats_flags::_Reparse_tag);
  }
  stats->_Available = static_cast<__std_fs_stats_flags>(available);
  return __std_win_error::_Success;
}

__std_ulong_and_error __stdcall __std_fs_get_full_path_name(const wchar_t* source, unsigned long target_size,
                                                            wchar_t* target) noexcept {
  const DWORD length = GetFullPathNameW(source, target_size, target, nullptr);
  return {length, length == 0 ? last_error() : __std_win_error::_Success};
}

__std_code_page __stdcall __std_fs_code_page() noexcept {
  return static_cast<__std_code_page>(AreFileApisANSI() ? GetACP() : GetOEMCP());
}

__std_fs_convert_result __stdcall __std_fs_convert_narrow_to_wide(__std_code_page code_page, const char* input,
                                                                  int input_length, wchar_t* output,
                                                                  int output_length) noexcept {
  const int length = MultiByteToWideChar(static_cast<UINT>(code_page), MB_ERR_INVALID_CHARS, input, input_length,
                                         output, output_length);
  return {length, length == 0 && input_length != 0 ? last_error() : __std_win_error::_Success};
}

namespace {
__std_fs_convert_result wide_to_narrow(__std_code_page code_page, const wchar_t* input, int input_length,
                                       char* output, int output_length, bool replace) {
  const UINT page = static_cast<UINT>(code_page);
  BOOL used_default = FALSE;
  int length;
  if (page == CP_UTF8) {
    length = WideCharToMultiByte(page, replace ? 0 : WC_ERR_INVALID_CHARS, input, input_length, output,
                                 output_length, nullptr, nullptr);
  } else {
    length = WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, input, input_length, output, output_length, nullptr,
                                 replace ? nullptr : &used_default);
  }
  if (length == 0 && input_length != 0) {
    return {0, last_error()};
  }
  if (used_default) {
    return {0, static_cast<__std_win_error>(ERROR_NO_UNICODE_TRANSLATION)};
  }
  return {length, __std_win_error::_Success};
}
}  // namespace

__std_fs_convert_result __stdcall __std_fs_convert_wide_to_narrow(__std_code_page code_page, const wchar_t* input,
                                                                  int input_length, char* output,
                                                                  int output_length) noexcept {
  return wide_to_narrow(code_page, input, input_length, output, output_length, false);
}

__std_fs_convert_result __stdcall __std_fs_convert_wide_to_narrow_replace_chars(__std_code_page code_page,
                                                                                const wchar_t* input,
                                                                                int input_length, char* output,
                                                                                int output_length) noexcept {
  return wide_to_narrow(code_page, input, input_length, output, output_length, true);
}

__std_ulong_and_error __stdcall __std_fs_get_temp_path(wchar_t* target) noexcept {
  const DWORD length = GetTempPathW(static_cast<DWORD>(__std_fs_temp_path_max), target);
  return {length, length == 0 ? last_error() : __std_win_error::_Success};
}

__std_ulong_and_error __stdcall __std_fs_get_current_path(unsigned long target_size, wchar_t* target) noexcept {
  const DWORD length = GetCurrentDirectoryW(target_size, target);
  return {length, length == 0 ? last_error() : __std_win_error::_Success};
}

__std_win_error __stdcall __std_fs_set_current_path(const wchar_t* target) noexcept {
  return SetCurrentDirectoryW(target) ? __std_win_error::_Success : last_error();
}

__std_fs_create_directory_result __stdcall __std_fs_create_directory(const wchar_t* directory) noexcept {
  if (CreateDirectoryW(directory, nullptr)) {
    return {true, __std_win_error::_Success};
  }
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS) {
    // Already a directory is no error; a file of that name is.
    const DWORD attributes = GetFileAttributesW(directory);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return {false, __std_win_error::_Success};
    }
  }
  return {false, static_cast<__std_win_error>(error)};
}

__std_fs_remove_result __stdcall __std_fs_remove(const wchar_t* target) noexcept {
  const DWORD attributes = GetFileAttributesW(target);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      return {false, __std_win_error::_Success};
    }
    return {false, static_cast<__std_win_error>(error)};
  }
  // Like std::filesystem::remove on Windows, a read-only file is removed too.
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    SetFileAttributesW(target, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
  const BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(target) : DeleteFileW(target);
  if (removed) {
    return {true, __std_win_error::_Success};
  }
  const DWORD error = GetLastError();
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    SetFileAttributesW(target, attributes);
  }
  return {false, static_cast<__std_win_error>(error)};
}

__std_win_error __stdcall __std_fs_rename(const wchar_t* source, const wchar_t* target) noexcept {
  return MoveFileExW(source, target, MOVEFILE_REPLACE_EXISTING) ? __std_win_error::_Success : last_error();
}
}
