#pragma once
// The installer's own zlib-stream decoder: a few KiB of code where the zlib
// library brings 26 KiB into the stub, and as fast. It pulls its input and
// hands out its content through TInflateStreams, with bounded memory.
#include <cstddef>
#include <cstdint>

class TInflateStreams {
 public:
  virtual ~TInflateStreams() = default;
  // Up to Size bytes of the stream into Buffer; 0 at its end (or on a
  // failure, which the implementation remembers for itself).
  virtual size_t Read(uint8_t* Buffer, size_t Size) = 0;
  // The next Size bytes of content; false stops the decoding.
  virtual bool Write(const uint8_t* Data, size_t Size) = 0;
};

enum class TInflateResult { Ended, Stopped, Damaged };

// Reads one zlib stream (a 2-byte header, deflate blocks, the Adler-32 of
// the content) from Streams.Read, in pieces of up to kInflateReadSize bytes.
// What is decoded goes to Streams.Write whenever a further piece of input
// has been read and whenever 128 KiB are waiting, so that progress follows
// the input.
// Ended: the stream was whole, its checksum matched and no byte followed it.
// Stopped: Write returned false. Damaged: anything else, including a preset
// dictionary, a stream cut short and bytes after the stream's end.
TInflateResult InflateZlib(TInflateStreams& Streams);

inline constexpr size_t kInflateReadSize = 0xFFFF;
