// The leak checker at exit must survive the GL driver's dynamic TLS.
//
// A library loaded with dlopen (Mesa's driver is one) gets its thread-local
// blocks from malloc. GCC 12's and clang 14's sanitizer runtimes take a block
// that starts 16 bytes into a page for one with the header glibc 2.19 to 2.24
// put before it, and read that "header" (ASan's own chunk header) as the
// block's address and size. The leak checker then scans that range at exit
// and its tracer dies ("Tracer caught signal 11: addr=0x808", status 1),
// whatever the program did. Which blocks land there depends on the order of
// allocations, so in the tools it struck now and then, and more often on a
// fresh, loaded machine. The sanitizer tiers run with intercept_tls_get_addr=0
// (CMakePresets.json, scripts/fuzz): no range is guessed, and the blocks are
// still scanned as the heap chunks they are.
//
// This program puts such a block in place and runs a leak check with it.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <condition_variable>
#include <mutex>
#include <thread>

#include <dlfcn.h>

#include <gtest/gtest.h>
#include <sanitizer/lsan_interface.h>

namespace {

using ThreadLocalAddress = int* (*)();

// A thread whose block of the module's thread-local lies 16 bytes into a
// page, parked until released.
class MisplacedBlock {
public:
    explicit MisplacedBlock(ThreadLocalAddress address)
    {
        // Chunks of one size come from the allocator in address order: each
        // small allocation made first moves the thread's block one chunk on.
        for (int pads = 0; pads < 512 && !found; ++pads) {
            thread = std::thread([this, address, pads] {
                std::vector<void*> padding;
                for (int i = 0; i < pads; ++i)
                    padding.push_back(std::malloc(sizeof(int)));
                const bool here = reinterpret_cast<std::uintptr_t>(address()) % 4096 == 16;
                for (void* pad : padding)
                    std::free(pad);
                std::unique_lock<std::mutex> lock(mutex);
                found = here;
                decided = true;
                changed.notify_all();
                changed.wait(lock, [this] { return released || !found; });
            });
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [this] { return decided; });
            decided = false;
            if (!found) {
                lock.unlock();
                thread.join();
            }
        }
    }

    ~MisplacedBlock()
    {
        if (!thread.joinable())
            return;
        {
            std::lock_guard<std::mutex> lock(mutex);
            released = true;
        }
        changed.notify_all();
        thread.join();
    }

    bool found = false;

private:
    std::thread thread;
    std::mutex mutex;
    std::condition_variable changed;
    bool decided = false;
    bool released = false;
};

TEST(LeakCheckAtExit, SurvivesADynamicTlsBlockSixteenBytesIntoAPage)
{
    void* module = dlopen(VXTEST_TLS_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto address = reinterpret_cast<ThreadLocalAddress>(dlsym(module, "VxtestThreadLocal"));
    ASSERT_NE(address, nullptr);

    MisplacedBlock block(address);
    ASSERT_TRUE(block.found) << "no thread's block landed 16 bytes into a page";
    // The same stop-the-world scan as at exit, with the block in place: a
    // runtime that guesses a range from it dies here.
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
}

} // namespace
