#include "app/BirthCheck.h"

#include "components/MyConnection.h"
#include "components/MyQuery.h"
#include "components/SqlLiterals.h"
#include "dataset/DAError.h"
#include "driver/MySQLConnection.h"

#include <cmath>

namespace {

// The column keeps whole seconds: a birthday read back may lie up to a second from the one sent.
constexpr TDateTime OneSecond = 1.0 / 86400;

}  // namespace

bool PostOutcomeUnknown(const std::exception& error) {
  const auto* database = dynamic_cast<const EDAError*>(&error);
  return database && database->StatementMayHaveRun;
}

std::string BirthLookupStatement(const std::string& mac, bool needBackslashes) {
  return "SELECT mac, PixelType, ShieldType, birthday, note FROM pixels WHERE mac = " +
         QuotedString(mac, needBackslashes);
}

bool BirthIsStored(TMyConnection& connection, const TPixelBirth& birth, int commandTimeout) {
  TMyQuery lookup;
  lookup.SetConnection(&connection);
  lookup.CommandTimeout = commandTimeout;
  lookup.SQL().SetText(BirthLookupStatement(birth.Mac, connection.MySQLConnection()->NeedBackslashes()));
  lookup.Open();
  if (lookup.IsEmpty()) return false;
  auto text = [&](const char* field) { return lookup.FieldByName(field).AsString(); };
  return text("mac") == birth.Mac && text("PixelType") == birth.PixelType && text("ShieldType") == birth.ShieldType &&
         text("note") == birth.Note &&
         std::abs(lookup.FieldByName("birthday").AsDateTime() - birth.Birthday) < OneSecond;
}
