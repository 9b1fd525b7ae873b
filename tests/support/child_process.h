#pragma once

#include <QByteArray>
#include <functional>

namespace test_support {

// What a child process left: how it ended and what its body reported.
struct ChildOutcome {
    bool exitedNormally = false;
    int exitCode = -1;
    QByteArray report;
};

// Runs body in a forked child and waits for it. The child sends body's result back to the parent and ends with
// _exit(0), so no destructor or test-framework code of the parent runs twice. Limits set and signals ignored in the
// child (setrlimit, signal) stay there. A body that ends the child itself leaves an empty report.
ChildOutcome runInChildProcess(const std::function<QByteArray()>& body);

} // namespace test_support
