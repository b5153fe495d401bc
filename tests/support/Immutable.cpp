#include "Immutable.h"

#ifdef __linux__
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace pelmora::test {

Immutable::Immutable(std::string path)
    : path_(std::move(path))
{
    made_ = Set(true);
}

Immutable::~Immutable()
{
    if (made_)
        Set(false);
}

bool Immutable::Set(bool on)
{
#ifdef __linux__
    int fd = ::open(path_.c_str(), O_RDONLY);
    int flags = 0;
    bool done = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0
        && (flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL, ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    if (fd >= 0)
        ::close(fd);
    return done;
#else
    (void)on;
    return false;
#endif
}

} // namespace pelmora::test
