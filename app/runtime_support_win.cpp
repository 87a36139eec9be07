// Replacements for parts of the C++ runtime that would otherwise bring large objects into the
// installer: the runtime's own throw helpers build std::logic_error and friends on its
// copy-on-write std::string, which drags in every std::string member and the random device.
// Container errors raise the installer's EError instead, so the action dispatcher reports
// them like any other failure; an allocation failure stays std::bad_alloc.
#include <cstdlib>
#include <new>
#include <string>

#include "utils/crc32.h"
#include "utils/exception.h"

namespace {

[[noreturn]] void RaiseRuntimeError(const char* what) {
    std::u16string message;
    for (const char* p = what ? what : "internal error"; *p; ++p) {
        message += static_cast<char16_t>(static_cast<unsigned char>(*p));
    }
    throw EError(message);
}

} // namespace

// zlib's inflate checks gzip streams with its crc32, whose object file carries 12 KiB of
// tables; the installer's own small routine computes the same CRC in its place.
extern "C" unsigned long crc32(unsigned long crc, const unsigned char* buf, unsigned int len) {
    return buf ? Crc32(static_cast<uint32_t>(crc), buf, len) : 0;
}

// The runtime's verbose terminate handler pulls in the symbol demangler; an installer that
// reaches terminate has nothing useful to print, so it ends the process directly, with the
// exit code of a failed run rather than abort's.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::_Exit(1);
}
} // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() {
    throw std::bad_alloc();
}
void __throw_bad_array_new_length() {
    throw std::bad_alloc();
}
void __throw_length_error(const char* what) {
    RaiseRuntimeError(what);
}
void __throw_logic_error(const char* what) {
    RaiseRuntimeError(what);
}
void __throw_out_of_range(const char* what) {
    RaiseRuntimeError(what);
}
void __throw_out_of_range_fmt(const char* what, ...) {
    RaiseRuntimeError(what);
}
void __throw_invalid_argument(const char* what) {
    RaiseRuntimeError(what);
}
void __throw_runtime_error(const char* what) {
    RaiseRuntimeError(what);
}
void __throw_bad_function_call() {
    RaiseRuntimeError("bad function call");
}
} // namespace std
