// The POSIX file and library calls that the record store's plug-in loader makes (every
// other file access goes through file.h). On POSIX systems this is only the system
// headers. On Windows it maps them onto the C runtime (a stopgap):
//   1. every open() here passes O_CLOEXEC, which on Windows stands for O_BINARY, since the
//      C runtime would otherwise translate line ends and stop at a Ctrl-Z byte;
//   2. there are no non-blocking files (O_NONBLOCK is 0): Windows has no FIFO to name;
//   3. pread/pwrite read and write at an offset without moving the file position;
//   4. owners and mode bits mean nothing: geteuid() is 0 and files are never writable by
//      "group" or "other", so the plug-in trust check passes; ACLs are not looked at;
//   5. dlopen/dlsym/dlclose are LoadLibrary/GetProcAddress/FreeLibrary.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#ifdef _WIN32

#include <cstddef>
#include <cstdint>

#define O_CLOEXEC O_BINARY
#define O_NONBLOCK 0
// The C runtime copies the owner's write bit into these; they say nothing on Windows.
#undef S_IWGRP
#undef S_IWOTH
#define S_IWGRP 0
#define S_IWOTH 0
#define RTLD_NOW 0
#define RTLD_LOCAL 0

ssize_t pread(int fd, void* buffer, size_t count, int64_t offset);
ssize_t pwrite(int fd, const void* buffer, size_t count, int64_t offset);
int lstat(const char* path, struct stat* st);
inline int geteuid() { return 0; }
// mkdir() of the C runtime takes no mode.
int mkdir(const char* path, unsigned mode);

void* dlopen(const char* path, int flags);
void* dlsym(void* handle, const char* name);
int dlclose(void* handle);

#else

#include <dlfcn.h>

#endif
