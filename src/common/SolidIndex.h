#pragma once
// The solid layout's index. The application's files are laid end to end in
// one content stream, which is cut into blocks; each block is one raw LZMA
// stream (or, by its filter, a zlib stream or the content as it is) stored as
// an entry named kSolidBlockName (in stream order), and the
// index, an ordinary zlib entry named kSolidIndexName, says how: per block
// its filter, LZMA properties and content size; per file its name, size and
// CRC-32. A file may run on from one block into the next. Little-endian:
//
//   "BWS1"  u32 block count  u32 file count
//   per block: u8 filter (0 none, 1 x86, 2 stored: the content as it is,
//              for data LZMA cannot shrink, 3 deflate: one zlib stream, for
//              data where LZMA gains too little to be worth its decoding
//              time)  u8 LZMA properties  u32 content size
//   per file:  u8 name length (1-255)  name  u32 size  u32 CRC-32
#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* kSolidIndexName = "|solid index";
inline constexpr char kSolidIndexMagic[] = "BWS1";
inline constexpr const char* kSolidBlockName = "|solid block";
// A block's content is decoded whole into one buffer that is also its
// dictionary; two are in memory at once. Large, since what files have in
// common is found only within a block: on Wine's 648 stripped DLLs, two
// blocks of 110 MB came out 2.6 % smaller than four of 55 MB.
inline constexpr uint32_t kSolidBlockMax = 128u << 20;

enum TSolidFilter : uint8_t { kSolidPlain = 0, kSolidX86 = 1, kSolidStored = 2, kSolidDeflate = 3 };

struct TSolidBlock {
  uint8_t Filter = kSolidPlain;
  uint8_t Props = 0;
  uint32_t Size = 0;    // content bytes
  uint64_t Offset = 0;  // where its content starts in the stream
};

struct TSolidFile {
  std::string Name;
  uint32_t Size = 0;
  uint32_t Crc = 0;
  uint64_t Offset = 0;  // where its content starts in the stream
};

struct TSolidIndex {
  std::vector<TSolidBlock> Blocks;
  std::vector<TSolidFile> Files;
};

// Reads Data into Index, computing the offsets. False for anything that is
// not a well-formed index: counts the bytes cannot hold, an empty block or
// one beyond kSolidBlockMax, a file of 2 GiB or more, unknown filters or properties, an
// empty name, sizes of files and blocks that do not add up, bytes left over.
bool ReadSolidIndex(const std::string& Data, TSolidIndex& Index);
// The bytes of Index (its offsets are not stored).
std::string WriteSolidIndex(const TSolidIndex& Index);
