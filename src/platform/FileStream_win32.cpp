// Host files on Windows. Shared for reading and writing, so that the installer
// can open its own running executable and others may read what we write.
#include <algorithm>
#include <memory>
#include <string>

#include "common/Errors.h"
#include "platform/Concat.h"
#include "platform/FileStream.h"
#include "platform/win32/Wide.h"
#include "platform/win32/WinHeader.h"

namespace {

std::string SystemText(DWORD code) {
  wchar_t* buf = nullptr;
  DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  std::string text = n && buf ? Narrow(buf, n) : Concat({"System error ", DecimalText(code)});
  if (buf) LocalFree(buf);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  return text;
}

[[noreturn]] void RaiseIo(const char* what, const std::string& name, DWORD code) {
  throw EInOutError(Concat({what, " ", name, ": ", SystemText(code)}), static_cast<int>(code));
}

class TWin32FileStream final : public TFileStream {
 public:
  TWin32FileStream(HANDLE h, std::string name) : h_(h), name_(std::move(name)) {}
  ~TWin32FileStream() override {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }

  int64_t Size() override {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(H(), &size)) RaiseIo("Cannot query file", name_, GetLastError());
    return size.QuadPart;
  }

  int64_t Position() override {
    LARGE_INTEGER zero{}, pos;
    if (!SetFilePointerEx(H(), zero, &pos, FILE_CURRENT))
      RaiseIo("Cannot seek in file", name_, GetLastError());
    return pos.QuadPart;
  }

  void Seek(int64_t position) override {
    LARGE_INTEGER to;
    to.QuadPart = position;
    if (position < 0 || !SetFilePointerEx(H(), to, nullptr, FILE_BEGIN))
      RaiseIo("Cannot seek in file", name_, position < 0 ? ERROR_NEGATIVE_SEEK : GetLastError());
  }

  size_t Read(void* buffer, size_t count) override {
    auto* p = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
      DWORD want = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(H(), p + done, want, &got, nullptr))
        RaiseIo("Cannot read file", name_, GetLastError());
      if (got == 0) break;
      done += got;
    }
    return done;
  }

  void Write(const void* buffer, size_t count) override {
    auto* p = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < count) {
      DWORD want = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 30));
      DWORD put = 0;
      if (!WriteFile(H(), p + done, want, &put, nullptr))
        RaiseIo("Cannot write file", name_, GetLastError());
      if (put == 0) RaiseIo("Cannot write file", name_, ERROR_DISK_FULL);
      done += put;
    }
  }

  void Flush() override {
    if (!FlushFileBuffers(H())) RaiseIo("Cannot flush file", name_, GetLastError());
  }

  void Close() override {
    if (h_ == INVALID_HANDLE_VALUE) return;
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    if (!CloseHandle(h)) RaiseIo("Cannot close file", name_, GetLastError());
  }

 private:
  HANDLE H() const {
    if (h_ == INVALID_HANDLE_VALUE)
      throw EInOutError(Concat({"File not open: ", name_}), ERROR_INVALID_HANDLE);
    return h_;
  }
  HANDLE h_;
  std::string name_;
};

}  // namespace

std::unique_ptr<TFileStream> OpenHostFile(const std::string& path, TFileMode mode) {
  DWORD access = GENERIC_READ | GENERIC_WRITE;
  DWORD disposition = OPEN_EXISTING;
  DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  switch (mode) {
    case TFileMode::OpenRead:
      access = GENERIC_READ;
      break;
    case TFileMode::OpenReadDenyWrite:
      access = GENERIC_READ;
      share = FILE_SHARE_READ;
      break;
    case TFileMode::OpenReadWrite:
      break;
    case TFileMode::Create:
      disposition = CREATE_ALWAYS;
      break;
    case TFileMode::Append:
      break;
    case TFileMode::CreateDenyWrite:
      disposition = CREATE_ALWAYS;
      share = FILE_SHARE_READ;
      break;
  }
  HANDLE h = CreateFileW(WidePath(path).c_str(), access, share, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) RaiseIo("Cannot open file", path, GetLastError());
  auto stream = std::make_unique<TWin32FileStream>(h, path);
  if (mode == TFileMode::Append) stream->Seek(stream->Size());
  return stream;
}
