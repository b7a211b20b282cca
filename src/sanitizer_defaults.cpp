// Defaults of the sanitizer runtime for every program of a sanitizer build,
// so that a test run alone (ctest -R, or the binary by hand) behaves as the
// whole suite does, whatever the caller's environment says.

extern "C" {

// The runtime's interceptor of __tls_get_addr guesses at a glibc 2.19 header
// in front of each dynamic TLS block; with today's glibc a block that happens
// to sit at that offset is read as a nonsense range and LeakSanitizer's tracer
// dies at exit (seen with libjpeg's TLS, loaded by Qt's image plugin). Without
// the interceptor, leaks are still found everywhere; only the dynamic TLS of
// libraries loaded at run time is not scanned for pointers.
const char* __asan_default_options() { return "detect_leaks=1:strict_string_checks=1:intercept_tls_get_addr=0"; }

const char* __lsan_default_options() { return "print_suppressions=0"; }

const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

// libxkbcommon-x11 hands strndup the X server's atom names, which are counted,
// not terminated: legitimate for strndup, but strict_string_checks has its
// interceptor read up to a terminator, past the reply's end, so the program
// would abort before its first window on an X display. The check stays on
// for every other caller; only string reads made on that library's behalf
// are let through.
const char* __asan_default_suppressions() { return "interceptor_via_lib:libxkbcommon-x11.so\n"; }

// Allocations that system libraries keep for the life of the process.
const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n"
           "leak:libdbus\n"
           "leak:libglib\n"
           "leak:libQt6Gui\n"
           "leak:libQt6Core\n";
}
}
