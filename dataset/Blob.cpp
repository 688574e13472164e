#include "dataset/Blob.h"

#include "platform/Utf16.h"

#include <algorithm>
#include <cstring>

void TBlob::Release() {
  if (--FUses == 0) delete this;
}

std::size_t TBlob::Read(std::size_t position, std::size_t count, void* destination) const {
  if (position >= FSize) return 0;
  if (count == 0 || count > FSize - position) count = FSize - position;
  auto* out = static_cast<char*>(destination);
  std::size_t copied = 0, pieceStart = 0;
  for (const std::string& piece : FPieces) {
    std::size_t pieceEnd = pieceStart + piece.size();
    if (pieceEnd > position + copied && copied < count) {
      std::size_t from = position + copied - pieceStart;
      std::size_t n = std::min(piece.size() - from, count - copied);
      std::memcpy(out + copied, piece.data() + from, n);
      copied += n;
    }
    pieceStart = pieceEnd;
  }
  return copied;
}

void TBlob::Write(std::size_t position, std::size_t count, const void* source) {
  SaveBeforeChange();
  position = std::min(position, FSize);
  auto* in = static_cast<const char*>(source);
  std::size_t done = 0, pieceStart = 0;
  for (std::string& piece : FPieces) {  // overwrite what exists
    std::size_t pieceEnd = pieceStart + piece.size();
    if (done < count && pieceEnd > position + done) {
      std::size_t from = position + done - pieceStart;
      std::size_t n = std::min(piece.size() - from, count - done);
      std::memcpy(piece.data() + from, in + done, n);
      done += n;
    }
    pieceStart = pieceEnd;
  }
  while (done < count) {  // extend: fill the last piece, then append new ones
    if (FPieces.empty() || FPieces.back().size() >= PieceSize) FPieces.emplace_back();
    std::string& last = FPieces.back();
    std::size_t n = std::min(PieceSize - last.size(), count - done);
    last.append(in + done, n);
    done += n;
  }
  FSize = std::max(FSize, position + count);
}

void TBlob::Truncate(std::size_t size) {
  if (size >= FSize) return;
  SaveBeforeChange();
  std::size_t kept = 0;
  auto it = FPieces.begin();
  for (; it != FPieces.end() && kept < size; ++it) {
    if (kept + it->size() > size) it->resize(size - kept);
    kept += it->size();
  }
  FPieces.erase(it, FPieces.end());
  FSize = size;
}

void TBlob::Defrag() {
  if (FPieces.size() <= 1) return;
  std::string whole = AsBytes();
  FPieces.assign(1, std::move(whole));
}

std::string TBlob::AsBytes() const {
  std::string bytes(FSize, '\0');
  Read(0, 0, bytes.data());
  return bytes;
}

std::u16string TBlob::AsWideString() const {
  if (!FIsUnicode) return Utf8ToUtf16(AsBytes());
  std::u16string text(FSize / 2, u'\0');
  Read(0, text.size() * 2, text.data());
  return text;
}

std::string TBlob::AsString() const {
  return FIsUnicode ? Utf16ToUtf8(AsWideString()) : AsBytes();
}

void TBlob::SetAsBytes(std::string_view bytes) {
  Clear();
  Write(0, bytes.size(), bytes.data());
}

void TBlob::SetAsString(std::string_view utf8) {
  if (!FIsUnicode) return SetAsBytes(utf8);
  std::u16string text = Utf8ToUtf16(utf8);
  Clear();
  Write(0, text.size() * 2, text.data());
}

void TBlob::SaveBeforeChange() {
  if (!FSaved) FSaved = AsBytes();
}

void TBlob::Cancel() {
  if (!FSaved) return;
  std::string saved = std::move(*FSaved);
  FSaved.reset();
  FPieces.clear();
  FSize = 0;
  if (!saved.empty()) {
    Write(0, saved.size(), saved.data());
    FSaved.reset();
  }
}
