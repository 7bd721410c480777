// LeakSanitizer's stop-the-world tracer crashes at the exit of some of these test processes, depending on the
// memory layout, while Mesa's llvmpipe threads are still alive. Leak checks are off for this executable alone;
// AddressSanitizer's other checks stay on. An ASAN_OPTIONS setting in the environment still wins.
extern "C" const char* __asan_default_options();
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }
