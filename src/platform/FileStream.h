#pragma once
// An open file addressed by byte positions. Every failure raises EInOutError
// with the operating system's error code.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

enum class TFileMode {
  OpenRead,           // existing file, read only; others may read and write
  OpenReadDenyWrite,  // existing file, read only; others may only read meanwhile
  OpenReadWrite,      // existing file, read and write; others may read and write
  Create,             // create, or truncate an existing file; read and write
  Append,             // existing file, positioned at its end; fails when missing
  CreateDenyWrite,    // as Create; others may only read while it is open
};

class TFileStream {
 public:
  virtual ~TFileStream() = default;
  virtual int64_t Size() = 0;
  virtual int64_t Position() = 0;
  virtual void Seek(int64_t position) = 0;
  // Reads up to count bytes; returns fewer only at the end of the file.
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes all count bytes or raises.
  virtual void Write(const void* buffer, size_t count) = 0;
  // Has the system put what was written on the disk; raises on failure.
  virtual void Flush() {}
  // Closes the file; raises when the system reports a failure. Idempotent.
  virtual void Close() = 0;
};

// Opens a file of the host system by its own path (no translation).
std::unique_ptr<TFileStream> OpenHostFile(const std::string& path, TFileMode mode);
