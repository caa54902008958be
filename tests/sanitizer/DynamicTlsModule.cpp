// A library loaded with dlopen whose one thread-local variable lives in
// dynamic TLS: glibc allocates each thread's block of it with malloc when the
// thread first touches it, as it does for the GL driver's thread-locals.
extern "C" __attribute__((visibility("default"))) int* VxtestThreadLocal()
{
    static thread_local int value = 0;
    return &value;
}
