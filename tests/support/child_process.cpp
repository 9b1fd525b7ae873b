#include "support/child_process.h"

#include <array>
#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

namespace test_support {
namespace {

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int descriptor)
        : descriptor_(descriptor) { }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { close(); }
    int get() const { return descriptor_; }
    void close() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
            descriptor_ = -1;
        }
    }

private:
    int descriptor_;
};

void writeAll(int descriptor, const QByteArray& bytes) {
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t written = ::write(descriptor, bytes.constData() + sent, bytes.size() - sent);
        if (written <= 0) {
            return;
        }
        sent += written;
    }
}

QByteArray readAll(int descriptor) {
    QByteArray bytes;
    std::array<char, 4096> buffer {};
    ssize_t got = 0;
    while ((got = ::read(descriptor, buffer.data(), buffer.size())) > 0) {
        bytes.append(buffer.data(), got);
    }
    return bytes;
}

} // namespace

ChildOutcome runInChildProcess(const std::function<QByteArray()>& body) {
    std::array<int, 2> ends {};
    if (::pipe(ends.data()) != 0) {
        return {};
    }
    Descriptor readEnd(ends[0]);
    Descriptor writeEnd(ends[1]);

    const pid_t child = ::fork();
    if (child < 0) {
        return {};
    }
    if (child == 0) {
        readEnd.close();
        writeAll(writeEnd.get(), body());
        ::_exit(0);
    }

    // The report ends when the child's end closes, so the parent must not hold it open.
    writeEnd.close();
    ChildOutcome outcome;
    outcome.report = readAll(readEnd.get());
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    outcome.exitedNormally = WIFEXITED(status);
    outcome.exitCode = outcome.exitedNormally ? WEXITSTATUS(status) : -1;
    return outcome;
}

} // namespace test_support
