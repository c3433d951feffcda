#pragma once
// A stream of bytes held in memory, with a position. Reads past the end
// return fewer bytes; writes grow it.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

class TMemoryStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string data) : data_(std::move(data)) {}

  int64_t Size() const { return static_cast<int64_t>(data_.size()); }
  int64_t Position() const { return position_; }
  // Any position from 0 up is allowed; beyond the end a read gives nothing.
  void Seek(int64_t position) { position_ = std::max<int64_t>(position, 0); }

  size_t Read(void* buffer, size_t count) {
    if (position_ >= Size()) return 0;
    size_t n = std::min(count, static_cast<size_t>(Size() - position_));
    std::memcpy(buffer, data_.data() + position_, n);
    position_ += static_cast<int64_t>(n);
    return n;
  }

  void Write(const void* buffer, size_t count) {
    size_t end = static_cast<size_t>(position_) + count;
    if (end > data_.size()) data_.resize(end);
    std::memcpy(data_.data() + position_, buffer, count);
    position_ = static_cast<int64_t>(end);
  }

  // The bytes from the current position to the end; the position moves there.
  std::string ReadToEnd() {
    if (position_ >= Size()) return {};
    std::string rest = data_.substr(static_cast<size_t>(position_));
    position_ = Size();
    return rest;
  }

  const std::string& Data() const { return data_; }
  std::string& Data() { return data_; }
  void Clear() {
    data_.clear();
    position_ = 0;
  }

 private:
  std::string data_;
  int64_t position_ = 0;
};
