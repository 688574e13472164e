#pragma once
// Whether a creation whose reply was lost stored its row: the values sent and the lookup by MAC.
#include "dataset/DateTime.h"

#include <exception>
#include <string>

class TMyConnection;

// The values one creation sends for a new row of table pixels.
struct TPixelBirth {
  std::string Mac, PixelType, ShieldType, Note;
  TDateTime Birthday = 0;
};

// Whether a failed post may still have run on the server: the connection broke or timed out after
// the statement may have reached it, so only its reply is known to be lost.
bool PostOutcomeUnknown(const std::exception& error);

// The statement that reads the row of a MAC text.
std::string BirthLookupStatement(const std::string& mac, bool needBackslashes);

// Looks the MAC up on the open connection: true when its row holds the values sent. Failures of
// the lookup propagate.
bool BirthIsStored(TMyConnection& connection, const TPixelBirth& birth, int commandTimeout);
