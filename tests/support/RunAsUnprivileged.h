#pragma once
// Permission checks pass for root without testing anything, and CI runs as
// root. Cases that depend on a missing permission run their body in a forked
// child that has dropped to the unprivileged user "nobody"; the child reports
// through its exit code. Without root the child simply keeps our own user.
#include <functional>
#include <string>

namespace e3test {

// Hands path and everything below it (links themselves, never their targets)
// to the user the child runs as, so that it owns its fixtures.
void GiveToUnprivileged(const std::string& path);

// Runs body in a forked unprivileged child and returns body's result (0 to
// 252); -1 when the child could not be started, could not drop its privileges,
// threw, or died by a signal. The body must not use gtest assertions: it returns a
// code that names what went wrong.
int RunAsUnprivileged(const std::function<int()>& body);

} // namespace e3test
