#include "host/StandardDescriptors.h"

#include <fcntl.h>
#include <unistd.h>

namespace quarrow {

void OpenMissingStandardDescriptors()
{
    // The null device opens on the lowest free descriptor: a closed one
    // among 0-2 is filled in ascending order. Once one lands above 2, all
    // three are open, and that copy is not needed.
    for (;;) {
        const int fd = ::open("/dev/null", O_RDWR);
        if (fd < 0) return;
        if (fd > 2) {
            ::close(fd);
            return;
        }
    }
}

} // namespace quarrow
