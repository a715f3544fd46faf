#pragma once
// Runs a piece of a test as an ordinary user. File permissions do not bind
// root, and CI runs the suite as root: the body runs in a child process that
// drops to the "nobody" user first, so a permission rule is really checked.
#include <functional>

namespace kvl::test {

// Runs `body` in a forked child (as uid/gid 65534 when this process is root)
// and returns its result, or -1 when the child could not drop its rights or
// did not end normally. The body must only touch what "nobody" may reach.
int RunUnprivileged(const std::function<int()>& body);

}  // namespace kvl::test
