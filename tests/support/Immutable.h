// Makes a file or folder immutable while the object lives: nothing can then
// delete, replace or create in it, root included, which read-only permission
// bits cannot promise to a test run as root.
#pragma once

#include <string>

namespace pelmora::test {

class Immutable {
public:
    explicit Immutable(std::string path);
    ~Immutable();
    Immutable(const Immutable&) = delete;
    Immutable& operator=(const Immutable&) = delete;
    // False where the file system or the platform has no such flag.
    bool Made() const { return made_; }

private:
    bool Set(bool on);
    std::string path_;
    bool made_ = false;
};

} // namespace pelmora::test
