#pragma once
// The tokens a client proves its password with.
#include "wire/SHA1Managed.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Native method: SHA1(password) XOR SHA1(scramble + SHA1(SHA1(password))).
TSHA1Digest Scramble41(std::string_view password, std::span<const std::uint8_t, 20> scramble);

// Pre-4.1 method over the first 8 scramble bytes: 8 characters, without the trailing zero byte.
std::string ScrambleOld(std::string_view password, std::span<const std::uint8_t> scramble8);

// Transitional method of 4.1.0 servers, answering their 24-byte message.
TSHA1Digest Scramble410(std::string_view password, std::span<const std::uint8_t, 24> serverMessage);

// SHA1 of the password with blanks and tabs removed.
TSHA1Digest PasswordHashStage1(std::string_view password);
// SHA1 of the first 4 bytes of the server's message followed by stage 1.
TSHA1Digest PasswordHashStage2(const TSHA1Digest& stage1, std::span<const std::uint8_t, 24> serverMessage);

// The pre-4.1 password hash (two 31-bit numbers); blanks and tabs are skipped.
std::array<std::uint32_t, 2> OldPasswordHash(std::span<const std::uint8_t> bytes);
