// Linked only into the portable veltrano-convert, whose C++ runtime is linked
// in. libstdc++'s std::random_device calls glibc's arc4random where the
// build machine has it (glibc 2.36), and the static runtime brings that call
// in with any exception type, though nothing here draws random numbers that
// way. Given here over getrandom() (glibc 2.25), the program runs on systems
// whose glibc is one release older than the build machine's.
#include <cerrno>
#include <cstdint>
#include <sys/random.h>

extern "C" std::uint32_t arc4random() {
    std::uint32_t value = 0;
    auto* bytes = reinterpret_cast<unsigned char*>(&value);
    std::size_t got = 0;
    while (got < sizeof value) {
        const ssize_t n = getrandom(bytes + got, sizeof value - got, 0);
        if (n > 0)
            got += static_cast<std::size_t>(n);
        else if (errno != EINTR)
            break; // no entropy source at all: what was gathered
    }
    return value;
}
