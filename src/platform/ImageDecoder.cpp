#include "platform/ImageDecoder.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>

#include "platform/ImageDecoderProtocol.h"

extern char** environ;

namespace platform {

namespace {

namespace protocol = ImageDecoderProtocol;

struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// Reads exactly `size` bytes before `deadline`; false on end of file, error or time out.
bool readFully(int fd, void* data, size_t size, std::chrono::steady_clock::time_point deadline) {
    char* p = static_cast<char*>(data);
    while (size > 0) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd waiting{fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const ssize_t n = ::read(fd, p, size);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Starts the decoder with `input` as its standard input and `output` as its standard
// output, and nothing else of this process: no other descriptor, the default signal
// dispositions, none blocked.
pid_t spawnDecoder(int input, int output) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const std::string program = ImageDecoder::executable().string();
    char* arguments[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, &attributes, arguments, environ) != 0) pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The decoder's answer, read until `deadline`.
std::optional<Image> readAnswer(int fd, std::chrono::steady_clock::time_point deadline) {
    protocol::Header header{};
    if (!readFully(fd, &header, sizeof header, deadline) || !protocol::isAcceptable(header)) return std::nullopt;
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->width = static_cast<int>(header.width);
    bitmap->height = static_cast<int>(header.height);
    bitmap->rgba.resize(static_cast<size_t>(header.width) * header.height * 4);
    if (!readFully(fd, bitmap->rgba.data(), bitmap->rgba.size(), deadline)) return std::nullopt;
    char extra;
    if (readFully(fd, &extra, 1, deadline)) return std::nullopt;  // nothing after the pixels
    return Image::pixels(std::move(bitmap), {static_cast<double>(header.fileWidth), static_cast<double>(header.fileHeight)});
}

}  // namespace

const std::filesystem::path& ImageDecoder::executable() {
    static const std::filesystem::path path = [] {
        std::error_code ec;
        const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
        if (!ec) {
            auto beside = self.parent_path() / "tessivane-image-decoder";
            if (::access(beside.c_str(), X_OK) == 0) return beside;
        }
        return std::filesystem::path(TESSIVANE_IMAGE_DECODER);
    }();
    return path;
}

std::optional<Image> ImageDecoder::decode(int fd) {
    const auto deadline =
        std::chrono::steady_clock::now() +
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(protocol::kMostSeconds));
    // Only regular files: a FIFO or a device would block or never end.
    struct stat file {};
    if (::fstat(fd, &file) != 0 || !S_ISREG(file.st_mode) || ::lseek(fd, 0, SEEK_SET) != 0) return std::nullopt;
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return std::nullopt;
    Descriptor answer{pipeEnds[0]};
    pid_t pid;
    {
        Descriptor decoderEnd{pipeEnds[1]};
        pid = spawnDecoder(fd, decoderEnd.fd);
    }
    if (pid < 0) return std::nullopt;
    auto image = readAnswer(answer.fd, deadline);
    // A whole answer is the decoder's success (it writes only after decoding); whatever it
    // still does then, or does after the deadline, is ended here.
    ::kill(pid, SIGKILL);
    int exitStatus = 0;
    while (::waitpid(pid, &exitStatus, 0) < 0 && errno == EINTR) {
    }
    return image;
}

}  // namespace platform
