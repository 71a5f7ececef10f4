// The system's font configuration library keeps a cache it never frees; the
// leak checker of sanitizer builds reads this when the windows render text.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
