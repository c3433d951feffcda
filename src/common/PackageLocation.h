#pragma once
// Where the package of an installer lies. The trailer is normally the last
// four bytes of the file; when the installer has been signed, the signer has
// appended a certificate table behind it (padded to a multiple of 8 bytes
// first), so the trailer sits just before that table. The PE headers are read
// byte by byte, so this works the same on every host.
#include <cstdint>
#include <optional>

#include "platform/FileStream.h"

// The certificate table named by a PE image's security directory (data
// directory entry 4). Its offset is a file offset, not an address.
struct TCertificateTable {
  int64_t Offset = 0;
  int64_t Size = 0;
};

// The table of file; nullopt when file is no PE image or its security
// directory is empty (an unsigned image).
std::optional<TCertificateTable> FindCertificateTable(TFileStream& file);

// The package: entries from Start on, and the scan for them ends at End
// (the file's size for an unsigned file, the trailer's position for a
// signed one).
struct TPackageBounds {
  int64_t Start = 0;
  int64_t End = 0;
  bool Signed = false;
};

// Finds the trailer and the bounds it gives. nullopt when the file has no
// usable trailer (too short, or pointing outside), as for a bare stub.
// Raises Exception for a signed file that cannot be read as an installer:
// anything after the certificate table, or no position before it at which
// the chain of entries ends exactly at a trailer.
std::optional<TPackageBounds> LocatePackage(TFileStream& file);

// The message for a signed file with bytes after its certificate table.
inline constexpr const char* kDataAfterSignature =
    "Something has been appended after the installer's digital signature.";
// The message for a signed file whose package cannot be found.
inline constexpr const char* kNoPackageBeforeSignature =
    "No package was found before the installer's digital signature.";
