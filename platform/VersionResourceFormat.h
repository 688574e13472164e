#pragma once
// The binary layout of version resources: the fixed information and the limits.
#include <cstddef>
#include <cstdint>

// The fixed part of a version resource, the value of its root block, as laid out in the file
// (thirteen little-endian 32-bit fields).
struct VS_FIXEDFILEINFO {
  std::uint32_t dwSignature = 0;
  std::uint32_t dwStrucVersion = 0;
  std::uint32_t dwFileVersionMS = 0;
  std::uint32_t dwFileVersionLS = 0;
  std::uint32_t dwProductVersionMS = 0;
  std::uint32_t dwProductVersionLS = 0;
  std::uint32_t dwFileFlagsMask = 0;
  std::uint32_t dwFileFlags = 0;
  std::uint32_t dwFileOS = 0;
  std::uint32_t dwFileType = 0;
  std::uint32_t dwFileSubtype = 0;
  std::uint32_t dwFileDateMS = 0;
  std::uint32_t dwFileDateLS = 0;

  friend bool operator==(const VS_FIXEDFILEINFO&, const VS_FIXEDFILEINFO&) = default;
};

inline constexpr std::size_t FixedFileInfoSize = 52;
inline constexpr std::uint32_t FixedFileInfoSignature = 0xFEEF04BD;
inline constexpr std::uint32_t FixedFileInfoStructVersion = 0x00010000;

inline constexpr std::uint32_t VOS_NT_WINDOWS32 = 0x00040004;
inline constexpr std::uint32_t VFT_APP = 1;
inline constexpr std::uint32_t VFT_DLL = 2;

// A version resource never exceeds what its 16-bit root length can describe.
inline constexpr std::uint32_t MaxVersionResourceSize = 0xFFFF;

// Name of the ELF section in which this program's own executables carry their version resource.
inline constexpr char VersionResourceSectionName[] = ".morvane.version";
