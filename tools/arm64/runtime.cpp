// What the MinGW runtime gives the test programs on x86, for ARM64, where
// Debian has no MinGW runtime: the entry point that calls main, C++'s
// allocation over malloc and free, and the few stdio entries that the
// headers route through MinGW's own library. Wine's own MSVCRT.DLL does the
// work behind them.

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

extern "C" {

int __cdecl __getmainargs(int* argc, char*** argv, char*** env,
                          int expandWildcards, int* startInfo);
// MSVCRT's own, by their exported names: the headers make vfprintf an
// inline that calls __mingw_vfprintf, which is defined below.
int __cdecl msvcrtVfprintf(FILE* stream, const char* format, va_list)
    __asm__("vfprintf");
int __cdecl msvcrtVsnprintf(char* out, size_t size, const char* format, va_list)
    __asm__("_vsnprintf");

}  // extern "C"

int main(int argc, char** argv);

extern "C" void mainCRTStartup() {
  int argc = 0, startInfo = 0;
  char** argv = nullptr;
  char** env = nullptr;
  __getmainargs(&argc, &argv, &env, 0, &startInfo);
  exit(main(argc, argv));
}

void* operator new(size_t size) { return malloc(size != 0 ? size : 1); }
void* operator new[](size_t size) { return malloc(size != 0 ? size : 1); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }

// A call of a pure virtual function, or a container that outgrows its
// limits, ends the test program.
extern "C" void __cxa_pure_virtual() { abort(); }

namespace std {
void __throw_length_error(const char*) { abort(); }
void __throw_bad_alloc() { abort(); }
void __throw_bad_array_new_length() { abort(); }
}  // namespace std

namespace {

FILE* __cdecl standardStream(unsigned index) { return &__iob_func()[index]; }

// MSVCRT's _vsnprintf leaves a full buffer unterminated; C's never does.
int terminatedVsnprintf(char* out, size_t size, const char* format,
                        va_list arguments) {
  int length = msvcrtVsnprintf(out, size, format, arguments);
  if (size > 0 && (length < 0 || static_cast<size_t>(length) >= size))
    out[size - 1] = '\0';
  return length;
}

}  // namespace

extern "C" {

// stdin, stdout and stderr, which the headers reach through an import.
FILE* (__cdecl* __imp___acrt_iob_func)(unsigned) = standardStream;

int __cdecl __mingw_vfprintf(FILE* stream, const char* format, va_list arguments) {
  return msvcrtVfprintf(stream, format, arguments);
}

int __cdecl __mingw_vsnprintf(char* out, size_t size, const char* format,
                              va_list arguments) {
  return terminatedVsnprintf(out, size, format, arguments);
}

int __cdecl __ms_vsnprintf(char* out, size_t size, const char* format,
                           va_list arguments) {
  return terminatedVsnprintf(out, size, format, arguments);
}

}  // extern "C"
