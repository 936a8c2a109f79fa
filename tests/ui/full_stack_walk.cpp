// Qt's own libraries have no frame pointers: the sanitizers' fast stack walk
// stops in them, and the leak suppressions for Qt's internal textures
// (tests/lsan.supp) name frames further down. The view tests walk the whole stack.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}
#endif
