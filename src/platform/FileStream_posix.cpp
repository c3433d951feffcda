// Host files on POSIX systems: plain descriptors with 64-bit positions.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/Errors.h"
#include "platform/FileStream.h"

namespace {

[[noreturn]] void RaiseIo(const std::string& what, const std::string& name, int code) {
  throw EInOutError(what + " " + name + ": " + std::strerror(code), code);
}

class TPosixFileStream final : public TFileStream {
 public:
  TPosixFileStream(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
  ~TPosixFileStream() override {
    if (fd_ >= 0) ::close(fd_);
  }

  int64_t Size() override {
    struct stat st;
    if (::fstat(Fd(), &st) != 0) RaiseIo("Cannot query file", name_, errno);
    return static_cast<int64_t>(st.st_size);
  }

  int64_t Position() override {
    off_t pos = ::lseek(Fd(), 0, SEEK_CUR);
    if (pos < 0) RaiseIo("Cannot seek in file", name_, errno);
    return static_cast<int64_t>(pos);
  }

  void Seek(int64_t position) override {
    if (position < 0) RaiseIo("Cannot seek in file", name_, EINVAL);
    if (::lseek(Fd(), static_cast<off_t>(position), SEEK_SET) < 0)
      RaiseIo("Cannot seek in file", name_, errno);
  }

  size_t Read(void* buffer, size_t count) override {
    auto* p = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
      ssize_t n = ::read(Fd(), p + done, count - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        RaiseIo("Cannot read file", name_, errno);
      }
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    return done;
  }

  void Write(const void* buffer, size_t count) override {
    auto* p = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < count) {
      ssize_t n = ::write(Fd(), p + done, count - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        RaiseIo("Cannot write file", name_, errno);
      }
      if (n == 0) RaiseIo("Cannot write file", name_, ENOSPC);
      done += static_cast<size_t>(n);
    }
  }

  void Flush() override {
    if (::fsync(Fd()) != 0) RaiseIo("Cannot flush file", name_, errno);
  }

  void Close() override {
    if (fd_ < 0) return;
    int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) RaiseIo("Cannot close file", name_, errno);
  }

 private:
  int Fd() const {
    if (fd_ < 0) throw EInOutError("File not open: " + name_, EBADF);
    return fd_;
  }
  int fd_;
  std::string name_;
};

}  // namespace

std::unique_ptr<TFileStream> OpenHostFile(const std::string& path, TFileMode mode) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case TFileMode::OpenRead:
    case TFileMode::OpenReadDenyWrite:  // no share modes here
      flags |= O_RDONLY;
      break;
    case TFileMode::OpenReadWrite:
      flags |= O_RDWR;
      break;
    case TFileMode::Create:
    case TFileMode::CreateDenyWrite:
      flags |= O_RDWR | O_CREAT | O_TRUNC;
      break;
    case TFileMode::Append:
      flags |= O_RDWR;
      break;
  }
  int fd;
  do {
    fd = ::open(path.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) RaiseIo("Cannot open file", path, errno);
  // A directory opens fine for reading on POSIX but is no file to the system.
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    RaiseIo("Cannot open file", path, EISDIR);
  }
  auto stream = std::make_unique<TPosixFileStream>(fd, path);
  if (mode == TFileMode::Append) stream->Seek(stream->Size());
  return stream;
}
